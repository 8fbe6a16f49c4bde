#include "obrisk/ogl/ColorConversion.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

#include <fmt/format.h>

#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/ogl/Texture.h"

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

// Constants of the curves: ITU-R BT.709-6 (item 1.2), IEC 61966-2-1 (sRGB),
// SMPTE ST 2084 and ITU-R BT.2100-2 (table 5).
constexpr double kBT709Alpha = 1.09929682680944;
constexpr double kBT709Beta = 0.018053968510807;
constexpr double kBT709Exponent = 0.45;
constexpr double kBT709LinearSlope = 4.5;
constexpr double kSrgbOffset = 0.055;
constexpr double kSrgbExponent = 2.4;
constexpr double kSrgbLinearSlope = 12.92;
constexpr double kSrgbSignalKnee = 0.04045;
constexpr double kPqM1 = 2610.0 / 16384.0;
constexpr double kPqM2 = 2523.0 / 4096.0 * 128.0;
constexpr double kPqC1 = 3424.0 / 4096.0;
constexpr double kPqC2 = 2413.0 / 4096.0 * 32.0;
constexpr double kPqC3 = 2392.0 / 4096.0 * 32.0;
constexpr double kPqMaxNits = 10000.0;
constexpr double kHlgA = 0.17883277;
constexpr double kHlgB = 0.28466892;
constexpr double kHlgC = 0.55991073;

double BT709Decode(double v) {
  if (v < kBT709LinearSlope * kBT709Beta) return v / kBT709LinearSlope;
  return std::pow((v + kBT709Alpha - 1.0) / kBT709Alpha, 1.0 / kBT709Exponent);
}

double BT709Encode(double l) {
  if (l < kBT709Beta) return kBT709LinearSlope * l;
  return kBT709Alpha * std::pow(l, kBT709Exponent) - (kBT709Alpha - 1.0);
}

double SrgbDecode(double v) {
  if (v <= kSrgbSignalKnee) return v / kSrgbLinearSlope;
  return std::pow((v + kSrgbOffset) / (1.0 + kSrgbOffset), kSrgbExponent);
}

double SrgbEncode(double l) {
  if (l <= kSrgbSignalKnee / kSrgbLinearSlope) return kSrgbLinearSlope * l;
  return (1.0 + kSrgbOffset) * std::pow(l, 1.0 / kSrgbExponent) - kSrgbOffset;
}

// PQ signal to nits and back.
double PqDecode(double v) {
  const double p = std::pow(std::max(v, 0.0), 1.0 / kPqM2);
  return kPqMaxNits * std::pow(std::max(p - kPqC1, 0.0) / (kPqC2 - kPqC3 * p), 1.0 / kPqM1);
}

double PqEncode(double nits) {
  const double y = std::pow(std::max(nits, 0.0) / kPqMaxNits, kPqM1);
  return std::pow((kPqC1 + kPqC2 * y) / (1.0 + kPqC3 * y), kPqM2);
}

// HLG signal to relative scene light (0 to 1).
double HlgDecode(double v) {
  if (v <= 0.5) return v * v / 3.0;
  return (std::exp((v - kHlgC) / kHlgA) + kHlgB) / 12.0;
}

// The functions of HdrCurves, over its constants.
constexpr const char* kHdrCurveFunctions = R"(
vec3 PqEncode(vec3 nits) {
  vec3 y = pow(max(nits / PQ_MAX_NITS, 0.0), vec3(PQ_M1));
  return pow((PQ_C1 + PQ_C2 * y) / (1.0 + PQ_C3 * y), vec3(PQ_M2));
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

// GLSL of the curves still evaluated per pixel: the encodings into HDR
// signals (their tables would need too many entries near black) and the
// BT.2100 OOTF of HLG, which mixes the components. Their constants are the
// ones above.
std::string HdrCurves() {
  return fmt::format(R"(
const float PQ_M1 = {:#};
const float PQ_M2 = {:#};
const float PQ_C1 = {:#};
const float PQ_C2 = {:#};
const float PQ_C3 = {:#};
const float PQ_MAX_NITS = {:#};
const float HLG_A = {:#};
const float HLG_B = {:#};
const float HLG_C = {:#};
{})",
                     kPqM1, kPqM2, kPqC1, kPqC2, kPqC3, kPqMaxNits, kHlgA, kHlgB, kHlgC,
                     kHdrCurveFunctions);
}

// The curves that depend on one value each are drawn from a table of
// kTableSize samples, computed on the processor (see ConversionTables):
// texel i of row `row` holds the samples i and i + 1 of a curve in xy (and of
// another in zw), so that one fetch and a mix interpolate linearly with a
// fraction of full float precision, whatever the filtering hardware does.
// 4096 samples keep every conversion within 0.02 of a 10-bit step of the
// formulas.
constexpr int kTableSize = 4096;
constexpr const char* kTableLookup = R"(
uniform sampler2D tables;

// The pair of samples around `x` (0 to 1, clamped) of row `row`, and x's
// fraction between them.
vec4 TablePair(float x, int row, out float fraction) {
  float position = clamp(x, 0.0, 1.0) * TABLE_LAST;
  float index = min(floor(position), TABLE_LAST - 1.0);
  fraction = position - index;
  return texelFetch(tables, ivec2(int(index), row), 0);
}

// Row 0: the source's decoding in xy, over signals 0 to 1.
float Decoded(float v) {
  float f;
  vec4 pair = TablePair(v, 0, f);
  return mix(pair.x, pair.y, f);
}
vec3 Decoded(vec3 v) { return vec3(Decoded(v.r), Decoded(v.g), Decoded(v.b)); }

// Row 0: the target's encoding in zw, over light 0 to 1 of its white.
float Encoded(float l) {
  float f;
  vec4 pair = TablePair(l, 0, f);
  return mix(pair.z, pair.w, f);
}
vec3 Encoded(vec3 l) { return vec3(Encoded(l.r), Encoded(l.g), Encoded(l.b)); }
)";

// ITU-R BT.2390-10, section 5.4.1: the hermite knee that compresses the PQ
// range of the source into that of the target (black levels of 0), applied
// to the largest component. Row 1 of the tables holds in xy the mapped light
// of a largest component from 0 to the source's brightest (`toneMapTop`
// nits); beyond it the curve stays at the target's peak.
constexpr const char* kToneMap = R"(
uniform float toneMapTop;

// Maps the largest component through the EETF and scales the others with it.
vec3 ToneMap(vec3 nits) {
  float m = max(nits.r, max(nits.g, nits.b));
  if (m <= 0.0) return nits;
  float f;
  vec4 pair = TablePair(m / toneMapTop, 1, f);
  return nits * (mix(pair.x, pair.y, f) / m);
}
)";

const char* DecodeExpression(Transfer transfer) {
  switch (transfer) {
    case Transfer::BT709:
    case Transfer::Srgb:
    case Transfer::Pq:
      return "Decoded(v)";
    case Transfer::Linear:
      return "v * sourceWhite";
    case Transfer::Hlg:
      return "HlgOotf(Decoded(v), sourceLuma, sourcePeak, sourceGamma)";
  }
  return "";
}

const char* EncodeExpression(Transfer transfer) {
  switch (transfer) {
    case Transfer::BT709:
    case Transfer::Srgb:
      return "Encoded(nits / targetWhite)";
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
  return fmt::format(R"(#version 130
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
const float TABLE_LAST = {}.0;
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
                     HdrCurves(), kTableSize - 1, kTableLookup, toneMap ? kToneMap : "",
                     DecodeExpression(source), toneMap ? "nits = ToneMap(nits);" : "",
                     EncodeExpression(target));
}

// GLSL of the SDR curves for conversions folded into other passes, which
// bind no tables: the formulas above, per component, with their constants.
std::string SdrCurves() {
  return fmt::format(R"(
vec3 BT709Decode(vec3 v) {{
  vec3 low = v / {1};
  vec3 high = pow(max((v + {0} - 1.0) / {0}, 0.0), vec3(1.0 / {2}));
  return mix(high, low, vec3(lessThan(v, vec3({1} * {3}))));
}}
vec3 BT709Encode(vec3 l) {{
  vec3 low = {1} * l;
  vec3 high = {0} * pow(max(l, 0.0), vec3({2})) - ({0} - 1.0);
  return mix(high, low, vec3(lessThan(l, vec3({3}))));
}}
vec3 SrgbDecode(vec3 v) {{
  vec3 low = v / {6};
  vec3 high = pow(max((v + {4}) / (1.0 + {4}), 0.0), vec3({5}));
  return mix(high, low, vec3(lessThanEqual(v, vec3({7}))));
}}
vec3 SrgbEncode(vec3 l) {{
  vec3 low = {6} * l;
  vec3 high = (1.0 + {4}) * pow(max(l, 0.0), vec3(1.0 / {5})) - {4};
  return mix(high, low, vec3(lessThanEqual(l, vec3({7} / {6}))));
}}
)",
                     kBT709Alpha, kBT709LinearSlope, kBT709Exponent, kBT709Beta, kSrgbOffset,
                     kSrgbExponent, kSrgbLinearSlope, kSrgbSignalKnee);
}

const char* SdrDecodeExpression(Transfer transfer) {
  switch (transfer) {
    case Transfer::BT709:
      return "BT709Decode(v) * sourceWhite";
    case Transfer::Srgb:
      return "SrgbDecode(v) * sourceWhite";
    default:
      return "v * sourceWhite";
  }
}

const char* SdrEncodeExpression(Transfer transfer) {
  switch (transfer) {
    case Transfer::BT709:
      return "BT709Encode(nits / targetWhite)";
    case Transfer::Srgb:
      return "SrgbEncode(nits / targetWhite)";
    default:
      return "nits / targetWhite";
  }
}

// One SDR conversion as a function of its own, its uniforms named after it;
// the curves are defined once however many such functions a program holds.
std::string SdrConversionFunction(Transfer source, Transfer target, std::string_view function) {
  return fmt::format(R"(
#ifndef OBRISK_SDR_CURVES
#define OBRISK_SDR_CURVES
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
                     SdrCurves(), function, SdrDecodeExpression(source),
                     SdrEncodeExpression(target));
}

// The HLG system gamma for a display peak (BT.2100-2, note 5e, extended form).
double HlgSystemGamma(double peakNits) {
  constexpr double kNominalGamma = 1.2;
  constexpr double kGammaPerDecade = 0.42;
  constexpr double kNominalPeak = 1000.0;
  return kNominalGamma + kGammaPerDecade * std::log10(peakNits / kNominalPeak);
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

// The BT.2390 EETF between the PQ ranges of the source and the target: the
// target's peak over the source's in PQ, and the knee where compression
// starts (at or above 1 nothing below the source's peak changes).
struct Eetf {
  double sourcePq;
  double maxLum;
  double knee;

  Eetf(double sourceMax, double targetMax)
      : sourcePq(PqEncode(sourceMax)), maxLum(PqEncode(targetMax) / sourcePq) {
    constexpr double kNoKnee = 2.0;
    knee = maxLum >= 1.0 ? kNoKnee : 1.5 * maxLum - 0.5;
  }

  // The mapped light, nits, of a largest component of `nits`.
  double Map(double nits) const {
    const double e1 = std::min(PqEncode(nits) / sourcePq, 1.0);
    return PqDecode(Hermite(e1) * sourcePq);
  }

 private:
  double Hermite(double e1) const {
    if (e1 < knee) return e1;
    const double t = (e1 - knee) / (1.0 - knee);
    const double t2 = t * t;
    const double t3 = t2 * t;
    return (2.0 * t3 - 3.0 * t2 + 1.0) * knee + (t3 - 2.0 * t2 + t) * (1.0 - knee) +
           (-2.0 * t3 + 3.0 * t2) * maxLum;
  }
};

// What the tables of a conversion depend on.
struct TableKey {
  Transfer source;
  Transfer target;
  bool toneMap;
  Levels levels;

  auto Tie() const {
    return std::tie(source, target, toneMap, levels.sourceWhite, levels.targetWhite,
                    levels.sourceMax, levels.targetMax);
  }
  bool operator<(const TableKey& other) const { return Tie() < other.Tie(); }
};

// The source's decoding to nits (HLG: to scene light), for the table.
double DecodeForTable(Transfer transfer, double v, const Levels& levels) {
  switch (transfer) {
    case Transfer::BT709:
      return BT709Decode(v) * levels.sourceWhite;
    case Transfer::Srgb:
      return SrgbDecode(v) * levels.sourceWhite;
    case Transfer::Pq:
      return PqDecode(v);
    case Transfer::Hlg:
      return HlgDecode(v);
    case Transfer::Linear:
      break;
  }
  return 0.0;
}

// The target's encoding of light relative to its white, for the table.
double EncodeForTable(Transfer transfer, double l) {
  switch (transfer) {
    case Transfer::BT709:
      return BT709Encode(l);
    case Transfer::Srgb:
      return SrgbEncode(l);
    default:
      return 0.0;
  }
}

constexpr int kTableRows = 2;
constexpr int kTableChannels = 4;

// The two rows of kTableSize RGBA texels that the shader's lookups read (see
// kTableLookup and kToneMap), curves the conversion does not use left at 0.
std::vector<float> BuildTables(const TableKey& key) {
  std::vector<double> decode(kTableSize);
  std::vector<double> encode(kTableSize);
  std::vector<double> toneMap(kTableSize, 0.0);
  const Eetf eetf(key.levels.sourceMax, key.levels.targetMax);
  for (int i = 0; i < kTableSize; ++i) {
    const double x = static_cast<double>(i) / (kTableSize - 1);
    decode[i] = DecodeForTable(key.source, x, key.levels);
    encode[i] = EncodeForTable(key.target, x);
    if (key.toneMap) toneMap[i] = eetf.Map(x * key.levels.sourceMax);
  }
  std::vector<float> texels(static_cast<std::size_t>(kTableRows * kTableSize * kTableChannels));
  auto put = [&](int row, int i, const std::vector<double>& curve, int channel) {
    const int next = std::min(i + 1, kTableSize - 1);
    float* texel = &texels[static_cast<std::size_t>(((row * kTableSize) + i) * kTableChannels)];
    texel[channel] = static_cast<float>(curve[i]);
    texel[channel + 1] = static_cast<float>(curve[next]);
  };
  for (int i = 0; i < kTableSize; ++i) {
    put(0, i, decode, 0);
    put(0, i, encode, 2);
    put(1, i, toneMap, 0);
  }
  return texels;
}

// The tables of a conversion, built once and kept (OpenGL thread only); a
// bounded number of conversions is remembered.
const std::vector<float>& ConversionTables(const TableKey& key) {
  constexpr std::size_t kKeptTables = 16;
  thread_local std::map<TableKey, std::vector<float>> kept;
  auto found = kept.find(key);
  if (found != kept.end()) return found->second;
  if (kept.size() >= kKeptTables) kept.clear();
  return kept.emplace(key, BuildTables(key)).first->second;
}

// A pooled texture holding the tables, for the draw that follows.
TexturePool::Lease UploadTables(const TableKey& key) {
  Texture::Params params;
  params.width = kTableSize;
  params.height = kTableRows;
  params.internalFormat = GL_RGBA32F;
  params.format = GL_RGBA;
  params.type = GL_FLOAT;
  params.filter = GL_NEAREST;
  TexturePool::Lease texture = TexturePool::GetInstance().GetTex(params);
  texture->Update(0, ConversionTables(key).data());
  return texture;
}

void SetUniforms(ShaderProgram& program, const ColorConversionInfo& info, const Levels& levels) {
  program.Uniform("tex", 0);
  program.Uniform("tables", 1);
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
  program.Uniform("toneMapTop", levels.sourceMax);
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
  const Levels levels = LevelsOf(info, source, target);
  SetUniforms(program, info, levels);
  const TexturePool::Lease tables = UploadTables({source, target, info.toneMapping, levels});
  tables->Use(1);
  frame.GetFirstTexture().Use(0);
  glBindSampler(0, storage.NearestSampler());
  storage.FrameQuad().Activate();
  storage.FrameQuad().Draw(program);
  glBindSampler(0, 0);
}

}  // namespace Obrisk::Ogl
