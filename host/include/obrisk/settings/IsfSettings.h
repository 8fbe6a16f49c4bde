// Settings of the effects that run ISF shader packages.
#pragma once

#include <array>
#include <string>
#include <tuple>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// A package as three texts (the JSON header, the fragment shader without its
// header comment, an optional vertex shader) and the colour an effect shows
// when its frame set does not fit the package. The effects read it through
// this class; the setters are SettingsISF's.
class BaseSettingsISF {
 public:
  const std::string& GetConfig() const { return config_; }
  const std::string& GetPixelShader() const { return pixelShader_; }
  const std::string& GetVertexShader() const { return vertexShader_; }
  // Red, green, blue and alpha from 0 to 1.
  std::array<float, 4> GetErrorColor() const {
    return {errorRed_, errorGreen_, errorBlue_, errorAlpha_};
  }

 protected:
  static constexpr auto PackageFields() {
    return std::make_tuple(Param("config", &BaseSettingsISF::config_, "the package's JSON header"),
                           Param("pixelShader", &BaseSettingsISF::pixelShader_,
                                 "the package's fragment shader, without the header comment"),
                           Param("vertexShader", &BaseSettingsISF::vertexShader_,
                                 "the package's vertex shader; empty for the full-frame default"),
                           Param("errorRed", &BaseSettingsISF::errorRed_, 0.0, 1.0,
                                 "red of the colour shown for a wrong number of input frames"),
                           Param("errorGreen", &BaseSettingsISF::errorGreen_, 0.0, 1.0,
                                 "green of the colour shown for a wrong number of input frames"),
                           Param("errorBlue", &BaseSettingsISF::errorBlue_, 0.0, 1.0,
                                 "blue of the colour shown for a wrong number of input frames"),
                           Param("errorAlpha", &BaseSettingsISF::errorAlpha_, 0.0, 1.0,
                                 "alpha of the colour shown for a wrong number of input frames"));
  }

 protected:
  std::string config_;
  std::string pixelShader_;
  std::string vertexShader_;
  float errorRed_ = 1.0f;
  float errorGreen_ = 0.0f;
  float errorBlue_ = 0.0f;
  float errorAlpha_ = 1.0f;
};

// The fields and the setters of the ISF settings classes. The setters check
// values as Deserialize does and change nothing when they throw.
template <class Derived>
class SettingsISF : public SettingsBase<Derived>, public BaseSettingsISF {
 public:
  static constexpr auto Fields() { return PackageFields(); }

  void SetConfig(std::string config) { this->Assign(config_, std::move(config)); }
  void SetPixelShader(std::string shader) { this->Assign(pixelShader_, std::move(shader)); }
  void SetVertexShader(std::string shader) { this->Assign(vertexShader_, std::move(shader)); }
  // Throws std::out_of_range for a channel outside 0 to 1 and
  // std::invalid_argument for NaN; the colour is unchanged then.
  void SetErrorColor(const std::array<float, 4>& color) {
    this->Update([&](Derived& next) {
      next.errorRed_ = color[0];
      next.errorGreen_ = color[1];
      next.errorBlue_ = color[2];
      next.errorAlpha_ = color[3];
    });
  }
};

class SettingsEffectISF final : public SettingsISF<SettingsEffectISF> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectISF"};
  static constexpr std::string_view FAMILY = Family::kIsf;
  static constexpr std::string_view DESCRIPTION =
      "Runs an ISF shader package (set its config and pixelShader) on one input";
  // A sample package, so that the class shows what it runs.
  static constexpr std::array PRESETS{
      Preset{"ripple",
             R"({"config": "{\"DESCRIPTION\":\"Rings rippling out from the centre\",)"
             R"(\"INPUTS\":[{\"NAME\":\"inputImage\",\"TYPE\":\"image\"},{\"NAME\":\"amplitude\",)"
             R"(\"TYPE\":\"float\",\"DEFAULT\":0.015,\"MIN\":0.0,\"MAX\":0.1},{\"NAME\":\"rings\",)"
             R"(\"TYPE\":\"float\",\"DEFAULT\":10.0,\"MIN\":1.0,\"MAX\":40.0}]}", "pixelShader": )"
             R"("void main() {\n  vec2 d = isf_FragNormCoord - 0.5;\n  float r = length(d) + 1e-6;)"
             R"(\n  float wave = sin(6.2832 * (r * rings - TIME));\n  gl_FragColor = )"
             R"(IMG_NORM_PIXEL(inputImage, isf_FragNormCoord + d / r * amplitude * wave);\n}\n"})",
             "a sample package: rings rippling out from the centre"}};
};

class SettingsTransitionISF final : public SettingsISF<SettingsTransitionISF> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionISF"};
  static constexpr std::string_view FAMILY = Family::kIsf;
  static constexpr std::string_view DESCRIPTION =
      "Runs an ISF transition package (startImage, endImage, progress) between two inputs";
  // A sample package, so that the class shows what it runs.
  static constexpr std::array PRESETS{
      Preset{"soft-wipe",
             R"({"config": "{\"DESCRIPTION\":\"A soft diagonal wipe\",)"
             R"(\"INPUTS\":[{\"NAME\":\"startImage\",\"TYPE\":\"image\"},{\"NAME\":\"endImage\",)"
             R"(\"TYPE\":\"image\"},{\"NAME\":\"progress\",\"TYPE\":\"float\",\"DEFAULT\":0.0,)"
             R"(\"MIN\":0.0,\"MAX\":1.0},{\"NAME\":\"softness\",\"TYPE\":\"float\",)"
             R"(\"DEFAULT\":0.15,\"MIN\":0.01,\"MAX\":0.5}]}", "pixelShader": "void main() {\n  )"
             R"(float along = 0.5 * (isf_FragNormCoord.x + isf_FragNormCoord.y);\n  float reached )"
             R"(= progress * (1.0 + softness) - along;\n  gl_FragColor = )"
             R"(mix(IMG_THIS_PIXEL(startImage), IMG_THIS_PIXEL(endImage),\n                     )"
             R"(smoothstep(0.0, softness, reached));\n}\n"})",
             "a sample package: a soft diagonal wipe"}};
};

class SettingsEffectMultiInputISF final : public SettingsISF<SettingsEffectMultiInputISF> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectMultiInputISF"};
  static constexpr std::string_view FAMILY = Family::kIsf;
  static constexpr std::string_view DESCRIPTION =
      "Runs an ISF package that takes several input pictures";
  // A sample package, so that the class shows what it runs.
  static constexpr std::array PRESETS{
      Preset{"thirds",
             R"({"config": "{\"DESCRIPTION\":\"Each input in a third of the frame\",)"
             R"(\"INPUTS\":[{\"NAME\":\"first\",\"TYPE\":\"image\"},{\"NAME\":\"second\",)"
             R"(\"TYPE\":\"image\"},{\"NAME\":\"third\",\"TYPE\":\"image\"}]}", "pixelShader": )"
             R"("void main() {\n  float x = isf_FragNormCoord.x;\n  gl_FragColor = x < 1.0 / 3.0  )"
             R"( ? IMG_THIS_PIXEL(first)\n                 : x < 2.0 / 3.0 ? )"
             R"(IMG_THIS_PIXEL(second)\n                                 : IMG_THIS_PIXEL(third);)"
             R"(\n}\n"})",
             "a sample package: each input in a third of the frame"}};
};

}  // namespace Obrisk::Proc
