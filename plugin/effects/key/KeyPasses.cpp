#include "effects/key/KeyPasses.h"

#include <algorithm>
#include <cmath>

#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/ogl/YUVTextures.h"

namespace Obrisk::Ogl {
namespace {

// Chroma below this length counts as grey, for the key and for pixels alike.
constexpr double kGreyChroma = 0.004;
// Cap of the cotangent of a vanishing angle and of the key's luma slope.
constexpr double kMaxCotangent = 1024.0;
constexpr double kRadiansPerDegree = 0.017453292519943295;
// The settings' bounds are in eighths of a squared chroma.
constexpr double kBoundScale = 0.125;

}  // namespace

const char* const kKeyConeGlsl = R"(
uniform vec2 ortU;
uniform vec2 ortV;
uniform float cos_alpha;
uniform float ctg_alpha;
uniform float lBound;
uniform float uBound;

// Whether a chroma (relative to neutral grey) lies inside the cone around
// ortU: l is its length along the key, h its distance across, and reach
// (l^2 - ctg^2 h^2) grows towards the key's own saturated colour. Chroma
// shorter than 0.004 is grey and never inside.
bool inKeyCone(vec2 uv, out float reach, out float l, out float h) {
  float len = length(uv);
  l = dot(uv, ortU);
  h = abs(dot(uv, ortV));
  reach = l * l - ctg_alpha * ctg_alpha * h * h;
  return len >= 0.004 && l >= len * cos_alpha;
}
)";

KeyCone MakeKeyCone(const Proc::Rgba8& key, int angleDegrees, double lower, double upper) {
  const ColorF c = ToColorF(key);
  const glm::vec3 ypbpr = RgbToBT709YpPbPr(glm::vec3(c.r, c.g, c.b));
  const double pb = ypbpr.y;
  const double pr = ypbpr.z;
  const double len = std::hypot(pb, pr);
  KeyCone cone;
  if (len < kGreyChroma) {
    cone.grey = true;
    return cone;
  }
  cone.ortU = glm::vec2(static_cast<float>(pb / len), static_cast<float>(pr / len));
  cone.ortV = glm::vec2(static_cast<float>(-pr / len), static_cast<float>(pb / len));
  const auto alpha = static_cast<float>(angleDegrees * kRadiansPerDegree);
  cone.cosAlpha = std::cos(alpha);
  // A right angle rounds to just past it, where the cotangent is a tiny negative.
  const double tangent = std::tan(static_cast<double>(alpha));
  cone.ctgAlpha =
      static_cast<float>(tangent != 0.0 ? std::min(1.0 / tangent, kMaxCotangent) : kMaxCotangent);
  cone.tgFi = static_cast<float>(std::min(ypbpr.x / len, kMaxCotangent));
  cone.lBound = static_cast<float>(lower * kBoundScale);
  cone.uBound = static_cast<float>(upper * kBoundScale);
  return cone;
}

void SetKeyConeUniforms(const ShaderProgram& program, const KeyCone& cone) {
  program.Uniform("ortU", cone.ortU);
  program.Uniform("ortV", cone.ortV);
  program.Uniform("cos_alpha", cone.cosAlpha);
  program.Uniform("ctg_alpha", cone.ctgAlpha);
  program.Uniform("lBound", cone.lBound);
  program.Uniform("uBound", cone.uBound);
}

ColorF ToColorF(const Proc::Rgba8& colour) {
  constexpr float kByte = 255.0f;
  return {colour.r / kByte, colour.g / kByte, colour.b / kByte, colour.a / kByte};
}

void DrawUnchanged(Frame& target, DataVideoOGL& source, ShaderStorage& storage) {
  Ptr<Frame> rgba = source.FrameData()->ConvertToRGBA(storage);
  storage.FBO().Attach(target.GetFirstTexture());
  rgba->Draw(storage.Quad(), storage);
}

void DrawSourceOver(Frame& target, DataVideoOGL& source, ShaderStorage& storage, float opacity) {
  Ptr<Frame> rgba = source.FrameData()->ConvertToRGBA(storage);
  storage.FBO().Attach(target.GetFirstTexture());
  rgba->Draw(storage.Quad(), storage, opacity);
}

}  // namespace Obrisk::Ogl
