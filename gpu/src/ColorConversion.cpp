#include "obrisk/ogl/ColorConversion.h"

#include <cmath>

#include <fmt/format.h>

#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {
namespace {

constexpr std::uint32_t kUnspecified = 2;
constexpr std::uint32_t kBT709 = 1;

// CIE 1931 xy chromaticities of the red, green and blue primaries and white.
struct Chromaticities {
  double rx, ry, gx, gy, bx, by, wx, wy;
};

// H.273 table 2. Every supported set has the D65 white (0.3127, 0.3290), so
// converting between them needs no chromatic adaptation.
const Chromaticities* FindChromaticities(std::uint32_t primaries) {
  static constexpr Chromaticities kBT709Primaries{0.640, 0.330, 0.300,  0.600,
                                                  0.150, 0.060, 0.3127, 0.3290};
  static constexpr Chromaticities kBT601Line625{0.640, 0.330, 0.290,  0.600,
                                                0.150, 0.060, 0.3127, 0.3290};
  static constexpr Chromaticities kBT601Line525{0.630, 0.340, 0.310,  0.595,
                                                0.155, 0.070, 0.3127, 0.3290};
  static constexpr Chromaticities kBT2020{0.708, 0.292, 0.170, 0.797, 0.131, 0.046, 0.3127, 0.3290};
  static constexpr Chromaticities kDisplayP3{0.680, 0.320, 0.265,  0.690,
                                             0.150, 0.060, 0.3127, 0.3290};
  switch (primaries) {
    case 1:
    case kUnspecified:
      return &kBT709Primaries;
    case 5:
      return &kBT601Line625;
    case 6:
    case 7:
      return &kBT601Line525;
    case 9:
      return &kBT2020;
    case 12:
      return &kDisplayP3;
    default:
      return nullptr;
  }
}

enum class Transfer { BT709, Srgb, Linear, Pq, Hlg };

bool FindTransfer(std::uint32_t code, Transfer& transfer) {
  switch (code) {
    case 1:
    case kUnspecified:
    case 6:
    case 14:
    case 15:
      transfer = Transfer::BT709;
      return true;
    case 13:
      transfer = Transfer::Srgb;
      return true;
    case 8:
      transfer = Transfer::Linear;
      return true;
    case 16:
      transfer = Transfer::Pq;
      return true;
    case 18:
      transfer = Transfer::Hlg;
      return true;
    default:
      return false;
  }
}

Transfer TransferOf(std::uint32_t code) {
  Transfer transfer{};
  if (!FindTransfer(code, transfer)) {
    OBRISK_THROW(
        OglException,
        fmt::format("colour conversion: transfer characteristics {} are not supported", code));
  }
  return transfer;
}

bool IsHdr(Transfer transfer) {
  return transfer == Transfer::Pq || transfer == Transfer::Hlg;
}

std::uint32_t Normalised(std::uint32_t code) {
  return code == kUnspecified ? kBT709 : code;
}

// Linear RGB to CIE XYZ for a set of primaries (SMPTE RP 177).
glm::dmat3 RgbToXyz(const Chromaticities& c) {
  const auto xyz = [](double x, double y) { return glm::dvec3(x / y, 1.0, (1.0 - x - y) / y); };
  const glm::dmat3 primaries(xyz(c.rx, c.ry), xyz(c.gx, c.gy), xyz(c.bx, c.by));
  const glm::dvec3 gains = glm::inverse(primaries) * xyz(c.wx, c.wy);
  return glm::dmat3(primaries[0] * gains.x, primaries[1] * gains.y, primaries[2] * gains.z);
}

const Chromaticities& ChromaticitiesOf(std::uint32_t primaries) {
  const Chromaticities* found = FindChromaticities(primaries);
  if (found == nullptr) {
    OBRISK_THROW(
        OglException,
        fmt::format("colour conversion: colour primaries {} are not supported", primaries));
  }
  return *found;
}

// The luminance weights (the Y row of RGB to XYZ) of a set of primaries.
glm::dvec3 LuminanceWeights(std::uint32_t primaries) {
  const glm::dmat3 toXyz = RgbToXyz(ChromaticitiesOf(primaries));
  return glm::dvec3(toXyz[0].y, toXyz[1].y, toXyz[2].y);
}

// GLSL of the transfer curves and the BT.2100 OOTF of HLG. Constants are those
// of ITU-R BT.709-6 (item 1.2), IEC 61966-2-1 (sRGB), SMPTE ST 2084 and
// ITU-R BT.2100-2 (table 5).
constexpr const char* kCurves = R"(
const float BT709_ALPHA = 1.09929682680944;
const float BT709_BETA = 0.018053968510807;
const float PQ_M1 = 2610.0 / 16384.0;
const float PQ_M2 = 2523.0 / 4096.0 * 128.0;
const float PQ_C1 = 3424.0 / 4096.0;
const float PQ_C2 = 2413.0 / 4096.0 * 32.0;
const float PQ_C3 = 2392.0 / 4096.0 * 32.0;
const float PQ_MAX_NITS = 10000.0;
const float HLG_A = 0.17883277;
const float HLG_B = 0.28466892;
const float HLG_C = 0.55991073;

vec3 BT709Decode(vec3 v) {
  vec3 low = v / 4.5;
  vec3 high = pow(max((v + BT709_ALPHA - 1.0) / BT709_ALPHA, 0.0), vec3(1.0 / 0.45));
  return mix(high, low, vec3(lessThan(v, vec3(4.5 * BT709_BETA))));
}

vec3 BT709Encode(vec3 l) {
  vec3 low = 4.5 * l;
  vec3 high = BT709_ALPHA * pow(max(l, 0.0), vec3(0.45)) - (BT709_ALPHA - 1.0);
  return mix(high, low, vec3(lessThan(l, vec3(BT709_BETA))));
}

vec3 SrgbDecode(vec3 v) {
  vec3 low = v / 12.92;
  vec3 high = pow(max((v + 0.055) / 1.055, 0.0), vec3(2.4));
  return mix(high, low, vec3(lessThanEqual(v, vec3(0.04045))));
}

vec3 SrgbEncode(vec3 l) {
  vec3 low = 12.92 * l;
  vec3 high = 1.055 * pow(max(l, 0.0), vec3(1.0 / 2.4)) - 0.055;
  return mix(high, low, vec3(lessThanEqual(l, vec3(0.0031308))));
}

// PQ signal to nits and back.
vec3 PqDecode(vec3 v) {
  vec3 p = pow(max(v, 0.0), vec3(1.0 / PQ_M2));
  return PQ_MAX_NITS * pow(max(p - PQ_C1, 0.0) / (PQ_C2 - PQ_C3 * p), vec3(1.0 / PQ_M1));
}

vec3 PqEncode(vec3 nits) {
  vec3 y = pow(max(nits / PQ_MAX_NITS, 0.0), vec3(PQ_M1));
  return pow((PQ_C1 + PQ_C2 * y) / (1.0 + PQ_C3 * y), vec3(PQ_M2));
}

float PqEncode1(float nits) { return PqEncode(vec3(nits)).x; }
float PqDecode1(float v) { return PqDecode(vec3(v)).x; }

// HLG signal to relative scene light (0 to 1) and back.
vec3 HlgDecode(vec3 v) {
  vec3 low = v * v / 3.0;
  vec3 high = (exp((v - HLG_C) / HLG_A) + HLG_B) / 12.0;
  return mix(high, low, vec3(lessThanEqual(v, vec3(0.5))));
}

vec3 HlgEncode(vec3 e) {
  e = max(e, 0.0);
  vec3 low = sqrt(3.0 * e);
  vec3 high = HLG_A * log(max(12.0 * e - HLG_B, 1e-6)) + HLG_C;
  return mix(high, low, vec3(lessThanEqual(e, vec3(1.0 / 12.0))));
}

// Scene light to display nits on a display of peak `peak` (BT.2100 OOTF).
vec3 HlgOotf(vec3 scene, vec3 luma, float peak, float gamma) {
  float ys = dot(luma, scene);
  return ys > 0.0 ? peak * pow(ys, gamma - 1.0) * scene : vec3(0.0);
}

vec3 HlgInverseOotf(vec3 nits, vec3 luma, float peak, float gamma) {
  float yd = dot(luma, nits) / peak;
  return yd > 0.0 ? nits / peak * pow(yd, (1.0 - gamma) / gamma) : vec3(0.0);
}
)";

// ITU-R BT.2390-10, section 5.4.1: the hermite knee that compresses the PQ
// range of the source into that of the target (black levels of 0).
constexpr const char* kToneMap = R"(
uniform float eetfSourcePq;  // PQ of the source's peak
uniform float eetfMaxLum;    // PQ of the target's peak over eetfSourcePq
uniform float eetfKnee;      // 1.5 eetfMaxLum - 0.5: where compression starts

float Eetf(float e1) {
  if (e1 < eetfKnee) return e1;
  float t = (e1 - eetfKnee) / (1.0 - eetfKnee);
  float t2 = t * t;
  float t3 = t2 * t;
  return (2.0 * t3 - 3.0 * t2 + 1.0) * eetfKnee + (t3 - 2.0 * t2 + t) * (1.0 - eetfKnee) +
         (-2.0 * t3 + 3.0 * t2) * eetfMaxLum;
}

// Maps the largest component through the EETF and scales the others with it.
vec3 ToneMap(vec3 nits) {
  float m = max(nits.r, max(nits.g, nits.b));
  if (m <= 0.0) return nits;
  float e1 = min(PqEncode1(m) / eetfSourcePq, 1.0);
  return nits * (PqDecode1(Eetf(e1) * eetfSourcePq) / m);
}
)";

const char* DecodeExpression(Transfer transfer) {
  switch (transfer) {
    case Transfer::BT709:
      return "BT709Decode(v) * sourceWhite";
    case Transfer::Srgb:
      return "SrgbDecode(v) * sourceWhite";
    case Transfer::Linear:
      return "v * sourceWhite";
    case Transfer::Pq:
      return "PqDecode(v)";
    case Transfer::Hlg:
      return "HlgOotf(HlgDecode(v), sourceLuma, sourcePeak, sourceGamma)";
  }
  return "";
}

const char* EncodeExpression(Transfer transfer) {
  switch (transfer) {
    case Transfer::BT709:
      return "BT709Encode(nits / targetWhite)";
    case Transfer::Srgb:
      return "SrgbEncode(nits / targetWhite)";
    case Transfer::Linear:
      return "nits / targetWhite";
    case Transfer::Pq:
      return "PqEncode(nits)";
    case Transfer::Hlg:
      return "HlgEncode(HlgInverseOotf(nits, targetLuma, targetPeak, targetGamma))";
  }
  return "";
}

std::string ConversionFragment(Transfer source, Transfer target, bool toneMap) {
  return fmt::format(R"(
uniform sampler2D tex;
uniform mat3 primaries;    // linear source RGB to linear target RGB
uniform float scale;       // factor on the decoded light
uniform float sourceWhite; // nits of SDR or linear 1.0 on each side
uniform float targetWhite;
uniform float sourcePeak;  // nits
uniform float targetPeak;
uniform float targetMax;   // the brightest light the target keeps, nits
uniform vec3 sourceLuma;   // luminance weights of each side's primaries
uniform vec3 targetLuma;
uniform float sourceGamma; // HLG system gammas for the two peaks
uniform float targetGamma;
varying vec2 TexCoord0;
{}
{}
// Source signal to nits, into the target primaries, highlights mapped,
// clipped to what the target holds, and encoded.
void main() {{
  vec4 c = texture2D(tex, TexCoord0);
  vec3 v = c.rgb;
  vec3 nits = primaries * (({}) * scale);
  {}
  nits = clamp(nits, 0.0, targetMax);
  gl_FragColor = vec4({}, c.a);
}}
)",
                     kCurves, toneMap ? kToneMap : "", DecodeExpression(source),
                     toneMap ? "nits = ToneMap(nits);" : "", EncodeExpression(target));
}

// One SDR conversion as a function of its own, its uniforms named after it;
// the curves are defined once however many such functions a program holds.
std::string SdrConversionFunction(Transfer source, Transfer target, std::string_view function) {
  return fmt::format(R"(
#ifndef OBRISK_CONVERSION_CURVES
#define OBRISK_CONVERSION_CURVES
{0}
#endif
uniform mat3 {1}_primaries;
uniform float {1}_scale;
uniform float {1}_sourceWhite;
uniform float {1}_targetWhite;
uniform float {1}_targetMax;
// Signal to light, into the target primaries, clipped and encoded.
vec3 {1}(vec3 v) {{
  float sourceWhite = {1}_sourceWhite;
  float targetWhite = {1}_targetWhite;
  vec3 nits = clamp({1}_primaries * (({2}) * {1}_scale), 0.0, {1}_targetMax);
  return {3};
}}
)",
                     kCurves, function, DecodeExpression(source), EncodeExpression(target));
}

// The HLG system gamma for a display peak (BT.2100-2, note 5e, extended form).
double HlgSystemGamma(double peakNits) {
  constexpr double kNominalGamma = 1.2;
  constexpr double kGammaPerDecade = 0.42;
  constexpr double kNominalPeak = 1000.0;
  return kNominalGamma + kGammaPerDecade * std::log10(peakNits / kNominalPeak);
}

double PqEncode(double nits) {
  constexpr double m1 = 2610.0 / 16384.0, m2 = 2523.0 / 4096.0 * 128.0;
  constexpr double c1 = 3424.0 / 4096.0, c2 = 2413.0 / 4096.0 * 32.0, c3 = 2392.0 / 4096.0 * 32.0;
  const double y = std::pow(std::max(nits, 0.0) / 10000.0, m1);
  return std::pow((c1 + c2 * y) / (1.0 + c3 * y), m2);
}

// The light levels of a conversion, in nits.
struct Levels {
  double sourceWhite;
  double targetWhite;
  double sourceMax;
  double targetMax;
};

Levels LevelsOf(const ColorConversionInfo& info, Transfer source, Transfer target) {
  const double reference = info.referenceWhiteNits;
  Levels levels{reference, reference, 0.0, 0.0};
  if (info.linearMode && IsHdr(source) != IsHdr(target)) {
    levels.sourceWhite = IsHdr(target) ? info.targetPeakNits : reference;
    levels.targetWhite = IsHdr(source) ? info.sourcePeakNits : reference;
  }
  levels.sourceMax = (IsHdr(source) ? info.sourcePeakNits : levels.sourceWhite) * info.scale;
  levels.targetMax = IsHdr(target) ? info.targetPeakNits : levels.targetWhite;
  return levels;
}

void CheckInfo(const ColorConversionInfo& info) {
  const bool valid = std::isfinite(info.scale) && info.scale > 0.0f && info.sourcePeakNits > 0.0f &&
                     info.targetPeakNits > 0.0f && info.referenceWhiteNits > 0.0f;
  if (!valid) {
    OBRISK_THROW(
        OglException,
        fmt::format("colour conversion: scale {} and luminances {}, {}, {} nits must be "
                    "positive",
                    info.scale, info.sourcePeakNits, info.targetPeakNits, info.referenceWhiteNits));
  }
}

void SetUniforms(ShaderProgram& program, const ColorConversionInfo& info, Transfer source,
                 Transfer target) {
  const Levels levels = LevelsOf(info, source, target);
  program.Uniform("tex", 0);
  program.Uniform("primaries",
                  glm::mat3(PrimariesConversion(info.source.primaries, info.target.primaries)),
                  false);
  program.Uniform("scale", info.scale);
  program.Uniform("sourceWhite", levels.sourceWhite);
  program.Uniform("targetWhite", levels.targetWhite);
  program.Uniform("sourcePeak", info.sourcePeakNits);
  program.Uniform("targetPeak", info.targetPeakNits);
  program.Uniform("targetMax", levels.targetMax);
  program.Uniform("sourceLuma", glm::vec3(LuminanceWeights(info.source.primaries)));
  program.Uniform("targetLuma", glm::vec3(LuminanceWeights(info.target.primaries)));
  program.Uniform("sourceGamma", HlgSystemGamma(info.sourcePeakNits));
  program.Uniform("targetGamma", HlgSystemGamma(info.targetPeakNits));
  const double sourcePq = PqEncode(levels.sourceMax);
  const double maxLum = PqEncode(levels.targetMax) / sourcePq;
  // A knee at or above 1 leaves every value below the source peak unchanged.
  constexpr double kNoKnee = 2.0;
  program.Uniform("eetfSourcePq", sourcePq);
  program.Uniform("eetfMaxLum", maxLum);
  program.Uniform("eetfKnee", maxLum >= 1.0 ? kNoKnee : 1.5 * maxLum - 0.5);
}

}  // namespace

LumaCoefficients FindLumaCoefficients(std::uint32_t matrix) {
  switch (matrix) {
    case 1:
    case kUnspecified:
      return {0.2126, 0.0722};
    case 5:
    case 6:
      return {0.299, 0.114};
    case 9:
      return {0.2627, 0.0593};
    default:
      OBRISK_THROW(OglException,
                   fmt::format("YCbCr matrix coefficients {} are not supported", matrix));
  }
}

glm::dmat3 PrimariesConversion(std::uint32_t sourcePrimaries, std::uint32_t targetPrimaries) {
  return glm::inverse(RgbToXyz(ChromaticitiesOf(targetPrimaries))) *
         RgbToXyz(ChromaticitiesOf(sourcePrimaries));
}

void CheckSupported(const Proc::ColorSpace& colorSpace) {
  ChromaticitiesOf(colorSpace.primaries);
  TransferOf(colorSpace.transfer);
  if (colorSpace.matrix != 0) FindLumaCoefficients(colorSpace.matrix);
}

bool IsIdentity(const ColorConversionInfo& info) {
  const bool sameSpace = Normalised(info.source.primaries) == Normalised(info.target.primaries) &&
                         Normalised(info.source.transfer) == Normalised(info.target.transfer);
  return sameSpace && info.scale == 1.0f && info.sourcePeakNits == info.targetPeakNits;
}

std::string ConversionProgramName(const ColorConversionInfo& info) {
  // The program text depends on the two transfers and on tone mapping; the
  // primaries and levels are uniforms, but naming them too keeps one
  // program per conversion for diagnostics.
  return fmt::format("ColorConversion_{}_{}_to_{}_{}{}{}", info.source.primaries,
                     info.source.transfer, info.target.primaries, info.target.transfer,
                     info.linearMode ? "_linear" : "", info.toneMapping ? "_tonemap" : "");
}

bool CanFold(const ColorConversionInfo& info) {
  Transfer source{};
  Transfer target{};
  if (!FindTransfer(info.source.transfer, source) || !FindTransfer(info.target.transfer, target)) {
    return false;
  }
  if (FindChromaticities(info.source.primaries) == nullptr ||
      FindChromaticities(info.target.primaries) == nullptr) {
    return false;
  }
  if (IsHdr(source) || IsHdr(target)) return false;
  // Between SDR sides the tone map compresses only light above the target's
  // white, which a scale above 1 alone makes.
  return !info.toneMapping || info.scale <= 1.0f;
}

std::string ConversionFunctionGlsl(const ColorConversionInfo& info, std::string_view function) {
  CheckInfo(info);
  if (!CanFold(info)) {
    OBRISK_THROW(OglException,
                 fmt::format("colour conversion {} cannot be folded into another pass",
                             ConversionProgramName(info)));
  }
  return SdrConversionFunction(TransferOf(info.source.transfer), TransferOf(info.target.transfer),
                               function);
}

void SetConversionUniforms(ShaderProgram& program, const ColorConversionInfo& info,
                           std::string_view function) {
  const Levels levels =
      LevelsOf(info, TransferOf(info.source.transfer), TransferOf(info.target.transfer));
  const auto name = [function](std::string_view uniform) {
    return fmt::format("{}_{}", function, uniform);
  };
  program.Uniform(name("primaries"),
                  glm::mat3(PrimariesConversion(info.source.primaries, info.target.primaries)),
                  false);
  program.Uniform(name("scale"), info.scale);
  program.Uniform(name("sourceWhite"), levels.sourceWhite);
  program.Uniform(name("targetWhite"), levels.targetWhite);
  program.Uniform(name("targetMax"), levels.targetMax);
}

void ConvertColorSpace(Frame& frame, const ColorConversionInfo& info, ShaderStorage& storage) {
  CheckSupported(info.source);
  CheckSupported(info.target);
  CheckInfo(info);
  if (IsIdentity(info)) {
    frame.Draw(storage.FrameQuad(), storage);
    return;
  }
  const Transfer source = TransferOf(info.source.transfer);
  const Transfer target = TransferOf(info.target.transfer);
  const ShaderSources sources(ConversionProgramName(info), Shader::FullFrame,
                              ShaderSourceFunction([source, target, &info] {
                                return ConversionFragment(source, target, info.toneMapping);
                              }),
                              "Ogl/ColorConversion");
  ShaderProgram& program = storage.MakeShader(sources);
  program.Use();
  SetUniforms(program, info, source, target);
  frame.GetFirstTexture().Use(0);
  glBindSampler(0, storage.NearestSampler());
  storage.FrameQuad().Activate();
  storage.FrameQuad().Draw(program);
  glBindSampler(0, 0);
}

}  // namespace Obrisk::Ogl
