// Settings of the retro, glitch and noise effects: film grain, VHS wobble,
// MPEG and security-camera glitches, old-film artefacts, 1970s television,
// brightness stripes and chromatic aberration.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

class SettingsEffectAddNoize final : public SettingsBase<SettingsEffectAddNoize> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectAddNoize"};
  static constexpr std::string_view FAMILY = Family::kRetro;
  static constexpr std::string_view DESCRIPTION = "Adds film grain, new in every frame";
  static constexpr std::array PRESETS{
      Preset{"colour", R"({})", "colour grain"},
      Preset{"heavy-grey", R"({"amount": 0.6, "colour": false})", "heavy grey grain"}};
  static constexpr auto Fields() {
    using S = SettingsEffectAddNoize;
    return std::make_tuple(
        Param("amount", &S::amount_, 0.0, 1.0,
              "share of the grain in the result: 0 leaves the picture, 1 shows only grain"),
        Param("colour", &S::colour_, "a grain value per colour channel; off: grey grain"));
  }

  double GetAmount() const { return amount_; }
  void SetAmount(double amount) { Assign(amount_, amount); }
  bool IsColour() const { return colour_; }
  void SetColour(bool colour) { Assign(colour_, colour); }
  bool IsEmpty() const override { return amount_ == 0.0; }

 private:
  double amount_ = 0.2;
  bool colour_ = true;
};

class SettingsEffectVHS final : public SettingsBase<SettingsEffectVHS> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectVHS"};
  static constexpr std::string_view FAMILY = Family::kRetro;
  static constexpr std::string_view DESCRIPTION =
      "A worn video tape: the picture rolls, its lines wobble and bands cover the edges";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "rolling tape with a border"},
      Preset{"wobbly", R"({"relief": 1.5, "lineHeight": 4, "speed": 1})",
             "strong wobble, fast roll"}};
  static constexpr auto Fields() {
    using S = SettingsEffectVHS;
    return std::make_tuple(
        Param("speed", &S::speed_, -10.0, 10.0, "vertical roll in picture heights per second"),
        Param("horizontalShift", &S::horizontalShift_, -1.0, 1.0,
              "sideways shift as a fraction of the width, the picture wrapping round"),
        Param("lineHeight", &S::lineHeight_, 0.01, 25.0,
              "height of the wobbling line bands; 1 is 0.4 % of the picture height"),
        Param("relief", &S::relief_, 0.0, 2.0, "strength of the line wobble; 0: none"),
        Param("drawBorder", &S::drawBorder_,
              "black bands over the top and bottom 2.5 % of the rolling picture"),
        Param("intensity", &S::intensity_, 0.0, 1.0,
              "scales the roll, the shift, the line height and the wobble"));
  }

  double GetSpeed() const { return speed_; }
  void SetSpeed(double speed) { Assign(speed_, speed); }
  double GetHorizontalShift() const { return horizontalShift_; }
  void SetHorizontalShift(double shift) { Assign(horizontalShift_, shift); }
  double GetLineHeight() const { return lineHeight_; }
  void SetLineHeight(double height) { Assign(lineHeight_, height); }
  double GetRelief() const { return relief_; }
  void SetRelief(double relief) { Assign(relief_, relief); }
  bool GetDrawBorder() const { return drawBorder_; }
  void SetDrawBorder(bool draw) { Assign(drawBorder_, draw); }
  float GetIntensity() const { return intensity_; }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  bool IsEmpty() const override { return intensity_ == 0.0f && !drawBorder_; }

 private:
  double speed_ = 0.2;
  double horizontalShift_ = 0.0;
  double lineHeight_ = 1.0;
  double relief_ = 0.3;
  bool drawBorder_ = true;
  float intensity_ = 1.0f;
};

class SettingsEffectGlitchMpeg final : public SettingsBase<SettingsEffectGlitchMpeg> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectGlitchMpeg"};
  static constexpr std::string_view FAMILY = Family::kRetro;
  static constexpr std::string_view DESCRIPTION =
      "A damaged compressed stream: blocks slip and lose colour, lines interleave";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "blocks and lines breaking up"},
      Preset{"all-blocks", R"({"glitchAllBlocks": true})", "every block slips its channels"},
      Preset{"grey-blocks", R"({"grayAllBlocks": true, "interleaveAllLines": true})",
             "grey blocks, interleaved lines"}};
  static constexpr auto Fields() {
    using S = SettingsEffectGlitchMpeg;
    return std::make_tuple(
        Param("intensity", &S::intensity_, 0.0, 1.0, "how often blocks and lines break up"),
        Param("glitchAllBlocks", &S::glitchAllBlocks_, "every block slips its colour channels"),
        Param("grayAllBlocks", &S::grayAllBlocks_, "every block turns grey"),
        Param("interleaveAllLines", &S::interleaveAllLines_,
              "every line shows one colour channel, in turn"));
  }

  float GetIntensity() const { return intensity_; }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  // Glitch all blocks, grey all blocks, interleave all lines.
  std::tuple<bool, bool, bool> GetPrivateParameters() const {
    return {glitchAllBlocks_, grayAllBlocks_, interleaveAllLines_};
  }
  void SetPrivateParameters(bool glitchAllBlocks, bool grayAllBlocks, bool interleaveAllLines) {
    glitchAllBlocks_ = glitchAllBlocks;
    grayAllBlocks_ = grayAllBlocks;
    interleaveAllLines_ = interleaveAllLines;
  }

 private:
  float intensity_ = 0.8f;
  bool glitchAllBlocks_ = false;
  bool grayAllBlocks_ = false;
  bool interleaveAllLines_ = false;
};

class SettingsEffectGlitchSecurityCam final : public SettingsBase<SettingsEffectGlitchSecurityCam> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectGlitchSecurityCam"};
  static constexpr std::string_view FAMILY = Family::kRetro;
  static constexpr std::string_view DESCRIPTION =
      "A failing camera line: the picture tears sideways in waves, with noise and colour fringes";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "tearing, noise and fringes"},
      Preset{"large-waves", R"({"largeWaves": 4, "smallWaves": 1})", "tall tears and jitter"}};
  static constexpr auto Fields() {
    using S = SettingsEffectGlitchSecurityCam;
    return std::make_tuple(
        Param("intensity", &S::intensity_, 0.0, 1.0, "scales the tearing, noise and fringes"),
        Param("largeWaves", &S::largeWaves_, 0.0, 5.0, "strength of the slow, tall tears"),
        Param("smallWaves", &S::smallWaves_, 0.0, 5.0, "strength of the fast, fine jitter"));
  }

  float GetIntensity() const { return intensity_; }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  float GetLargeWavesStrength() const { return largeWaves_; }
  void SetLargeWavesStrength(float strength) { Assign(largeWaves_, strength); }
  float GetSmallWavesStrength() const { return smallWaves_; }
  void SetSmallWavesStrength(float strength) { Assign(smallWaves_, strength); }

 private:
  float intensity_ = 1.0f;
  float largeWaves_ = 1.0f;
  float smallWaves_ = 0.2f;
};

class SettingsEffectRetroArtefacts final : public SettingsBase<SettingsEffectRetroArtefacts> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectRetroArtefacts"};
  static constexpr std::string_view FAMILY = Family::kRetro;
  static constexpr std::string_view DESCRIPTION =
      "Old film: dust, scratches and hairs, a shaking frame and dark corners";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "dust, scratches, hairs, vignetting"},
      Preset{"dusty", R"({"dustCount": 400, "scratchCount": 20, "shake": false})",
             "much more dust and scratches"}};
  static constexpr double kMaxCount = 1000.0;
  static constexpr auto Fields() {
    using S = SettingsEffectRetroArtefacts;
    return std::make_tuple(
        Param("shake", &S::shake_, "the frame jumps up by a quarter of a percent now and then"),
        Param("vignetting", &S::vignetting_, "darkens the corners"),
        Param("dustCount", &S::dustCount_, 0.0, kMaxCount, "dust specks per frame"),
        Param("scratchCount", &S::scratchCount_, 0.0, kMaxCount,
              "vertical scratches, renewed every 16 frames"),
        Param("hairCount", &S::hairCount_, 0.0, kMaxCount, "hairs per frame"),
        Param("intensity", &S::intensity_, 0.0, 1.0, "scales the three counts"));
  }

  bool GetShake() const { return shake_; }
  void SetShake(bool shake) { Assign(shake_, shake); }
  bool GetVignetting() const { return vignetting_; }
  void SetVignetting(bool vignetting) { Assign(vignetting_, vignetting); }
  std::uint32_t GetDustCount() const { return static_cast<std::uint32_t>(dustCount_); }
  void SetDustCount(std::uint32_t count) { Assign(dustCount_, ClampedCount(count)); }
  std::uint32_t GetScratchCount() const { return static_cast<std::uint32_t>(scratchCount_); }
  void SetScratchCount(std::uint32_t count) { Assign(scratchCount_, ClampedCount(count)); }
  std::uint32_t GetHairCount() const { return static_cast<std::uint32_t>(hairCount_); }
  void SetHairCount(std::uint32_t count) { Assign(hairCount_, ClampedCount(count)); }
  float GetIntensity() const { return intensity_; }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }

 private:
  // A count as the stored 32-bit field holds it; counts past its range stay
  // past the settings' range, so Assign refuses them instead of wrapping.
  static std::int32_t ClampedCount(std::uint32_t count) {
    return static_cast<std::int32_t>(std::min<std::uint32_t>(count, INT32_MAX));
  }

  bool shake_ = true;
  bool vignetting_ = true;
  std::int32_t dustCount_ = 60;
  std::int32_t scratchCount_ = 6;
  std::int32_t hairCount_ = 4;
  float intensity_ = 1.0f;
};

class SettingsEffectTelevision70s final : public SettingsBase<SettingsEffectTelevision70s> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectTelevision70s"};
  static constexpr std::string_view FAMILY = Family::kRetro;
  static constexpr std::string_view DESCRIPTION =
      "A 1970s television set: colour fringes, warm contrast, scan lines, flicker, dark corners";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "a 1970s television"},
      Preset{"wide-stripes", R"({"stripesWidth": 1})", "wide stripes"}};
  static constexpr auto Fields() {
    using S = SettingsEffectTelevision70s;
    return std::make_tuple(
        Param("intensity", &S::intensity_, 0.0, 1.0, "strength of the whole look"),
        Param("stripesWidth", &S::stripesWidth_, 0.0, 1.0,
              "width of the dark scan lines: 0 thin, 1 wide"));
  }

  float GetIntensity() const { return intensity_; }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  float GetStripesWidth() const { return stripesWidth_; }
  void SetStripesWidth(float width) { Assign(stripesWidth_, width); }

 private:
  float intensity_ = 1.0f;
  float stripesWidth_ = 0.5f;
};

class SettingsEffectStripes final : public SettingsBase<SettingsEffectStripes> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectStripes"};
  static constexpr std::string_view FAMILY = Family::kRetro;
  static constexpr std::string_view DESCRIPTION = "Horizontal dark and bright stripes";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "40 stripes, half mixed"},
      Preset{"fine", R"({"count": 120, "intensity": 1})", "120 stripes at full strength"}};
  static constexpr auto Fields() {
    using S = SettingsEffectStripes;
    return std::make_tuple(
        Param("count", &S::count_, 0.0, 10000.0,
              "dark-bright cycles over the height, at most one per six rows"),
        Param("depth", &S::depth_, 0.0, 1.0,
              "brightness of the stripes: the picture is scaled by cos + 2 depth - 1"),
        Param("intensity", &S::intensity_, 0.0, 1.0, "share of the striped picture in the result"));
  }

  std::int32_t GetCount() const { return count_; }
  void SetCount(std::int32_t count) { Assign(count_, count); }
  double GetDepth() const { return depth_; }
  void SetDepth(double depth) { Assign(depth_, depth); }
  float GetIntensity() const { return intensity_; }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  bool IsEmpty() const override { return intensity_ == 0.0f; }

 private:
  std::int32_t count_ = 40;
  double depth_ = 0.8;
  float intensity_ = 0.5f;
};

class SettingsEffectChromaticAberration final
    : public SettingsBase<SettingsEffectChromaticAberration> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectChromaticAberration"};
  static constexpr std::string_view FAMILY = Family::kRetro;
  static constexpr std::string_view DESCRIPTION =
      "Red and blue drift apart sideways, flickering from frame to frame";
  static constexpr std::array PRESETS{Preset{"default", R"({})", "colour fringes"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("intensity", &SettingsEffectChromaticAberration::intensity_, 0.0,
                                 1.0, "scales the drift; 0 leaves the picture unchanged"));
  }

  float GetIntensity() const { return intensity_; }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  bool IsEmpty() const override { return intensity_ == 0.0f; }

 private:
  float intensity_ = 1.0f;
};

}  // namespace Obrisk::Proc
