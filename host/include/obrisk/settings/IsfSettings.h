// Settings of the effects that run ISF shader packages.
#pragma once

#include <array>
#include <string>
#include <tuple>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// A package as three texts (the JSON header, the fragment shader without its
// header comment, an optional vertex shader) and the colour an effect shows
// when its frame set does not fit the package.
class BaseSettingsISF {
 public:
  const std::string& GetConfig() const { return config_; }
  const std::string& GetPixelShader() const { return pixelShader_; }
  const std::string& GetVertexShader() const { return vertexShader_; }
  // Red, green, blue and alpha from 0 to 1.
  std::array<float, 4> GetErrorColor() const {
    return {errorRed_, errorGreen_, errorBlue_, errorAlpha_};
  }

  void SetConfig(std::string config) { config_ = std::move(config); }
  void SetPixelShader(std::string shader) { pixelShader_ = std::move(shader); }
  void SetVertexShader(std::string shader) { vertexShader_ = std::move(shader); }
  void SetErrorColor(const std::array<float, 4>& color) {
    errorRed_ = color[0];
    errorGreen_ = color[1];
    errorBlue_ = color[2];
    errorAlpha_ = color[3];
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

 private:
  std::string config_;
  std::string pixelShader_;
  std::string vertexShader_;
  float errorRed_ = 1.0f;
  float errorGreen_ = 0.0f;
  float errorBlue_ = 0.0f;
  float errorAlpha_ = 1.0f;
};

class SettingsEffectISF final : public SettingsBase<SettingsEffectISF>, public BaseSettingsISF {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectISF"};
  static constexpr auto Fields() { return PackageFields(); }
};

class SettingsTransitionISF final : public SettingsBase<SettingsTransitionISF>,
                                    public BaseSettingsISF {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionISF"};
  static constexpr auto Fields() { return PackageFields(); }
};

class SettingsEffectMultiInputISF final : public SettingsBase<SettingsEffectMultiInputISF>,
                                          public BaseSettingsISF {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectMultiInputISF"};
  static constexpr auto Fields() { return PackageFields(); }
};

}  // namespace Obrisk::Proc
