// Settings of the effects that run a fragment shader text of the user's, and
// of the transition composed of other effects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// A picture in memory: 8-bit BGRA pixels, rows from the top, 4 bytes a pixel.
struct ImageHandler {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels;

  // Positive size and a pixel buffer that holds every pixel of it.
  bool IsValid() const;
};

// A shader text, an optional intensity and an optional auxiliary picture.
class BaseSettingsTemplateZTL {
 public:
  // The value of `intensity` that gives none: the shader keeps its own.
  static constexpr float kNoIntensity = -1.0f;

  const std::string& GetShader() const { return shader_; }
  float GetIntensity() const { return intensity_; }
  const std::string& GetAux() const { return aux_; }
  // The auxiliary picture, empty when none was given.
  const std::shared_ptr<const ImageHandler>& GetAuxImage() const { return auxImage_; }
  void SetAuxImage(std::shared_ptr<const ImageHandler> image) { auxImage_ = std::move(image); }

 protected:
  static constexpr auto TemplateFields() {
    using S = BaseSettingsTemplateZTL;
    return std::make_tuple(
        Param("shader", &S::shader_,
              "the GLSL fragment shader; it may declare the uniforms tex (tex0 and tex1 for a "
              "transition), texSize, pts, prg, intensity, auxTex and auxTexSize"),
        Param("intensity", &S::intensity_, -1.0, 1.0,
              "the value of the shader's `intensity` uniform; -1 leaves it to the shader"),
        Param("aux", &S::aux_,
              "a picture file for the shader's `auxTex` sampler; empty for none (the tool "
              "loads it: --set aux=picture.png)"));
  }
  BaseSettingsTemplateZTL(std::string shader, float intensity)
      : shader_(std::move(shader)), intensity_(intensity) {}
  bool SameAuxImage(const BaseSettingsTemplateZTL& other) const {
    return auxImage_ == other.auxImage_;
  }

  std::string shader_;
  float intensity_ = kNoIntensity;

 private:
  std::string aux_;
  std::shared_ptr<const ImageHandler> auxImage_;
};

class SettingsEffectTemplateZTL final : public SettingsBase<SettingsEffectTemplateZTL>,
                                        public BaseSettingsTemplateZTL {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectTemplateZTL"};
  static constexpr std::string_view FAMILY = Family::kTemplates;
  static constexpr std::string_view DESCRIPTION =
      "Runs a GLSL fragment shader of your own over the picture (quenvara render --effect "
      "look.glsl)";
  static constexpr std::array PRESETS{
      Preset{"duotone",
             R"({"shader": "uniform sampler2D tex;\nuniform float intensity;\nvarying vec2 )"
             R"(TexCoord0;\nvoid main() {\n  vec4 c = texture2D(tex, TexCoord0);\n  float y = )"
             R"(dot(c.rgb, vec3(0.2126, 0.7152, 0.0722));\n  vec3 tone = mix(vec3(0.1, 0.05, )"
             R"(0.3), vec3(1.0, 0.8, 0.3), y);\n  gl_FragColor = vec4(mix(c.rgb, tone, )"
             R"(intensity), c.a);\n}\n", "intensity": 1.0})",
             "a sample shader: the picture in two tones"}};
  static constexpr auto Fields() { return TemplateFields(); }

  SettingsEffectTemplateZTL();
  bool IsEqualTo(const Settings& other) const override;
  void SetShader(std::string shader) { Assign(shader_, std::move(shader)); }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
};

class SettingsTransitionTemplateZTL final : public SettingsBase<SettingsTransitionTemplateZTL>,
                                            public BaseSettingsTemplateZTL {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionTemplateZTL"};
  static constexpr std::string_view FAMILY = Family::kTemplates;
  static constexpr std::string_view DESCRIPTION =
      "A transition drawn by a GLSL fragment shader of your own from tex0, tex1 and the "
      "progress prg";
  static constexpr std::array PRESETS{
      Preset{"iris",
             R"({"shader": "uniform sampler2D tex0;\nuniform sampler2D tex1;\nuniform vec2 )"
             R"(texSize;\nuniform float prg;\nvarying vec2 TexCoord0;\nvoid main() {\n  vec2 )"
             R"(d = (TexCoord0 - 0.5) * vec2(texSize.x / texSize.y, 1.0);\n  float open = )"
             R"(smoothstep(prg * 1.2 - 0.05, prg * 1.2, length(d));\n  gl_FragColor = )"
             R"(mix(texture2D(tex1, TexCoord0), texture2D(tex0, TexCoord0), open);\n}\n"})",
             "a sample shader: the second picture opens in a circle"}};
  static constexpr auto Fields() { return TemplateFields(); }

  SettingsTransitionTemplateZTL();
  bool IsEqualTo(const Settings& other) const override;
  void SetShader(std::string shader) { Assign(shader_, std::move(shader)); }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
};

// The settings of an effect named by its class, as a chain file gives them:
// {"class": "SettingsEffectInvert", "settings": {...}}. The effect made for
// the class checks the parameters when it receives them.
class SettingsRecord final : public Settings {
 public:
  SettingsRecord(std::string classId, Property settings);
  // Reads {"class": ..., "settings": {...}}; std::invalid_argument naming
  // `where` when the class is missing or the settings are not an object.
  static std::shared_ptr<const SettingsRecord> FromChainEntry(const Property& entry,
                                                              const std::string& where);
  Property ToChainEntry() const;

  const std::string& GetClassId() const override { return classId_; }
  std::unique_ptr<Settings> Clone() const override;
  bool IsEqualTo(const Settings& other) const override;
  bool IsEmpty() const override { return false; }
  void Deserialize(const Property& property) override;
  Property Serialize() const override { return settings_; }
  const std::vector<ParameterInfo>& GetParameters() const override;
  std::string_view GetDescription() const override { return {}; }
  std::string_view GetFamily() const override { return {}; }
  std::span<const Preset> GetPresets() const override { return {}; }
  void Validate() const override {}

 private:
  std::string classId_;
  Property settings_;
};

// An optional inner transition over the middle of the duration, and a chain
// of one-input effects over the result whose glitches grow toward the
// midpoint. Serialised with "transition" ({"class", "settings"}) and
// "effects" (a list of them) beside the numbers.
class SettingsTransitionWithEffects final : public SettingsBase<SettingsTransitionWithEffects> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionWithEffects"};
  static constexpr std::string_view FAMILY = Family::kTransitionTiles;
  static constexpr std::string_view DESCRIPTION =
      "A transition made of other effects: an inner transition over the middle of the "
      "duration and a chain of effects over it (set \"transition\" and \"effects\" in a chain "
      "file)";
  static constexpr std::string_view kTransitionKey = "transition";
  static constexpr std::string_view kEffectsKey = "effects";
  static constexpr auto Fields() {
    using S = SettingsTransitionWithEffects;
    return std::make_tuple(
        Param("transitionFilling", &S::transitionFilling_, 0.0, 1.0,
              "the fraction of the duration, in its middle, that the inner transition plays"),
        Param("powerScale", &S::powerScale_, 0.0, 16.0,
              "the exponent of the glitch strength's rise toward the midpoint; above 1 narrows "
              "the peak"),
        Param("intensityMultiplier", &S::intensityMultiplier_, 0.0, 16.0,
              "the glitch strength at the midpoint (the result is at most 1)"));
  }

  SettingsTransitionWithEffects();

  const std::shared_ptr<const Settings>& GetTransition() const { return transition_; }
  const std::vector<std::shared_ptr<const Settings>>& GetEffects() const { return effects_; }
  double GetTransitionFilling() const { return transitionFilling_; }
  double GetPowerScale() const { return powerScale_; }
  double GetIntensityMultiplier() const { return intensityMultiplier_; }

  void SetTransition(std::shared_ptr<const Settings> transition) {
    transition_ = std::move(transition);
  }
  void SetEffects(std::vector<std::shared_ptr<const Settings>> effects) {
    effects_ = std::move(effects);
  }
  void SetTransitionFilling(double filling) { Assign(transitionFilling_, filling); }
  void SetPowerScale(double scale) { Assign(powerScale_, scale); }
  void SetIntensityMultiplier(double multiplier) { Assign(intensityMultiplier_, multiplier); }

  bool IsEqualTo(const Settings& other) const override;
  void Deserialize(const Property& property) override;
  Property Serialize() const override;

 private:
  std::shared_ptr<const Settings> transition_;
  std::vector<std::shared_ptr<const Settings>> effects_;
  double transitionFilling_ = 0.5;
  double powerScale_ = 1.0;
  double intensityMultiplier_ = 1.0;
};

}  // namespace Obrisk::Proc
