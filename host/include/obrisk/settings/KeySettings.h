// Settings of the keying and selective-colour effects: chroma key, colour
// select, the colour filters, the small colour mixes and the colour brush.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// An 8-bit colour.
struct Rgba8 {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  std::uint8_t a = 255;
  friend bool operator==(const Rgba8&, const Rgba8&) = default;
};

// Reads "#RRGGBB" or "#RRGGBBAA" (the '#' may be left out; alpha 255 when
// not given). Anything else raises std::invalid_argument naming the class
// and the parameter.
Rgba8 ParseHexColour(std::string_view text, std::string_view classId, std::string_view name);
// "#rrggbb", with "aa" added when the alpha is not 255.
std::string FormatHexColour(const Rgba8& colour);

// Settings holding colours as hex text: Deserialize and Validate refuse text
// that is not a colour, as they refuse a number out of range. Derived lists
// its colour parameters in ColourFields(): pairs of a name and a member.
template <class Derived>
class SettingsWithColours : public SettingsBase<Derived> {
 public:
  void Deserialize(const Property& property) override {
    Derived next = static_cast<const Derived&>(*this);
    next.SettingsBase<Derived>::Deserialize(property);
    next.CheckColours();
    static_cast<Derived&>(*this) = next;
  }
  void Validate() const override {
    SettingsBase<Derived>::Validate();
    CheckColours();
  }

 protected:
  void CheckColours() const {
    std::apply(
        [&](const auto&... colour) {
          (ParseHexColour(Self().*colour.second, Derived::CLASS_ID, colour.first), ...);
        },
        Derived::ColourFields());
  }
  Rgba8 Colour(const std::string Derived::*member) const {
    return ParseHexColour(Self().*member, Derived::CLASS_ID, "colour");
  }

 private:
  const Derived& Self() const { return static_cast<const Derived&>(*this); }
};

// The key-colour cone of the chroma key and the colour select: the colours
// whose chroma points within `angle` degrees of the key's, graded by how far
// they reach along it (lower and upper bound the soft band).
template <class Derived>
class KeyConeSettings : public SettingsWithColours<Derived> {
 public:
  static constexpr double kMaxBound = 4.0;

  std::int32_t GetAngle() const { return angle_; }
  double GetLowerBound() const { return lower_; }
  double GetUpperBound() const { return upper_; }
  Rgba8 GetKeyColor() const { return this->Colour(&Derived::key_); }
  void SetAngle(std::int32_t degrees) { this->Assign(angle_, degrees); }
  void SetBounds(double lower, double upper) {
    this->Update([&](Derived& s) { std::tie(s.lower_, s.upper_) = std::tie(lower, upper); });
  }
  void SetKeyColor(const Rgba8& colour) {
    this->Update([&](Derived& s) { s.key_ = FormatHexColour({colour.r, colour.g, colour.b}); });
  }

 protected:
  static constexpr auto AngleField() {
    return std::make_tuple(Param("angle", &Derived::angle_, 0.0, 90.0,
                                 "half-width of the cone of hues taken as the key, in degrees"));
  }
  // The bounds and the key, with the effect's meaning of the cone's inside.
  static constexpr auto BoundFields(std::string_view keyMeaning, std::string_view upperMeaning) {
    return std::make_tuple(
        Param("lowerBound", &Derived::lower_, 0.0, kMaxBound,
              "saturation along the key where the soft band begins (key chroma squared x 8; "
              "below it the colour is kept)"),
        Param("upperBound", &Derived::upper_, 0.0, kMaxBound, upperMeaning),
        Param("key", &Derived::key_, keyMeaning));
  }
  static constexpr auto KeyColour() { return std::make_tuple(std::pair{"key", &Derived::key_}); }

  std::int32_t angle_ = 40;
  double lower_ = 0.05;
  double upper_ = 0.25;
};

// Removes a key colour (a green or blue screen) into transparency, with the
// key's spill taken out of the colours kept.
class SettingsEffectChromakey final : public KeyConeSettings<SettingsEffectChromakey> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectChromakey"};
  static constexpr std::string_view FAMILY = Family::kKeying;
  static constexpr std::string_view DESCRIPTION =
      "Keys out a colour (green or blue screen) into transparency and removes its spill";
  static constexpr std::array PRESETS{
      Preset{"green", R"({"key": "#00bf00"})", "the card's green bar keyed out"},
      Preset{"blue", R"({"key": "#0000bf", "angle": 30})", "the blue bar keyed out"}};
  static constexpr auto Fields() {
    using S = SettingsEffectChromakey;
    return std::tuple_cat(
        AngleField(),
        std::make_tuple(Param("noise", &S::noise_, 0.0, 1.0,
                              "how much of the key's spill stays in the colours kept: 0 "
                              "removes it all, 1 keeps it")),
        BoundFields("the key colour as #RRGGBB (--set key=#00b140)",
                    "saturation along the key from which the colour is fully transparent"));
  }
  static constexpr auto ColourFields() { return KeyColour(); }

  double GetNoise() const { return noise_; }
  void SetNoise(double noise) { Assign(noise_, noise); }

 private:
  friend class KeyConeSettings<SettingsEffectChromakey>;
  double noise_ = 0.1;
  std::string key_ = "#00b140";
};

// Keeps the colours of one hue family and turns the rest grey.
class SettingsEffectColorSelect final : public KeyConeSettings<SettingsEffectColorSelect> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectColorSelect"};
  static constexpr std::string_view FAMILY = Family::kKeying;
  static constexpr std::string_view DESCRIPTION =
      "Keeps one colour family in colour and turns the rest of the picture grey";
  static constexpr std::array PRESETS{Preset{"red", R"({})", "red kept, the rest grey"},
                                      Preset{"yellow", R"({"key": "#bfbf00"})", "yellow kept"}};
  static constexpr auto Fields() {
    return std::tuple_cat(
        AngleField(),
        BoundFields("the colour to keep as #RRGGBB",
                    "saturation along the key colour from which a colour is kept fully"));
  }
  static constexpr auto ColourFields() { return KeyColour(); }

 private:
  friend class KeyConeSettings<SettingsEffectColorSelect>;
  std::string key_ = "#d02818";
};

// Pushes each channel along a sine curve about mid-grey: richer contrast
// and burnt colours.
class SettingsEffectColorMixBurn final : public SettingsBase<SettingsEffectColorMixBurn> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectColorMixBurn"};
  static constexpr std::string_view FAMILY = Family::kKeying;
  static constexpr std::string_view DESCRIPTION =
      "Burns the colours: each channel follows sin((c - 0.5) pi), mixed in by strength";
  static constexpr std::array PRESETS{Preset{"default", R"({})", "colours burnt in"},
                                      Preset{"strong", R"({"strength": 1})", "at full strength"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("strength", &SettingsEffectColorMixBurn::strength_, 0.0, 1.0,
                                 "share of the burnt colour: 0 leaves the picture unchanged"));
  }

  double GetStrength() const { return strength_; }
  void SetStrength(double strength) { Assign(strength_, strength); }
  bool IsEmpty() const override { return strength_ == 0.0; }

 private:
  double strength_ = 0.6;
};

// Inverts each channel by the share the exchange colour gives it.
class SettingsEffectColorMixExchange final
    : public SettingsWithColours<SettingsEffectColorMixExchange> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectColorMixExchange"};
  static constexpr std::string_view FAMILY = Family::kKeying;
  static constexpr std::string_view DESCRIPTION =
      "Inverts each colour channel by the matching channel of a colour";
  static constexpr std::array PRESETS{Preset{"orange", R"({})", "colours exchanged for orange"},
                                      Preset{"blue", R"({"exchange": "#2060ff"})", "for blue"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("exchange", &SettingsEffectColorMixExchange::exchange_,
                                 "#RRGGBB: each channel's share of inversion (#000000 leaves the "
                                 "picture, #ffffff inverts it)"));
  }
  static constexpr auto ColourFields() {
    return std::make_tuple(std::pair{"exchange", &SettingsEffectColorMixExchange::exchange_});
  }

  Rgba8 GetExchangeColor() const { return Colour(&SettingsEffectColorMixExchange::exchange_); }
  void SetExchangeColor(const Rgba8& colour) {
    Update([&](auto& s) { s.exchange_ = FormatHexColour(colour); });
  }
  bool IsEmpty() const override {
    const Rgba8 c = GetExchangeColor();
    return c.r == 0 && c.g == 0 && c.b == 0;
  }

 private:
  std::string exchange_ = "#ff8000";
};

// Fills the bright parts of the picture with a colour.
class SettingsEffectColorMixField final : public SettingsWithColours<SettingsEffectColorMixField> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectColorMixField"};
  static constexpr std::string_view FAMILY = Family::kKeying;
  static constexpr std::string_view DESCRIPTION =
      "Fills the parts brighter than a threshold with a colour, shaded by their brightness";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "bright areas filled with yellow"},
      Preset{"low-threshold", R"({"threshold": 0.3, "filler": "#40a0ff"})",
             "more of it, filled with blue"}};
  static constexpr auto Fields() {
    using S = SettingsEffectColorMixField;
    return std::make_tuple(
        Param("threshold", &S::threshold_, 0.0, 1.0,
              "luma above which the filler colour replaces the picture (1 never fills)"),
        Param("contrast", &S::contrast_, 0.0, 1.0,
              "brightness of the fill: it is the filler colour x (luma + 2 contrast - 1)"),
        Param("filler", &S::filler_, "the fill colour as #RRGGBB"));
  }
  static constexpr auto ColourFields() {
    return std::make_tuple(std::pair{"filler", &SettingsEffectColorMixField::filler_});
  }

  double GetThreshold() const { return threshold_; }
  double GetContrast() const { return contrast_; }
  Rgba8 GetFillerColor() const { return Colour(&SettingsEffectColorMixField::filler_); }
  void SetThreshold(double threshold) { Assign(threshold_, threshold); }
  void SetContrast(double contrast) { Assign(contrast_, contrast); }
  void SetFillerColor(const Rgba8& colour) {
    Update([&](auto& s) { s.filler_ = FormatHexColour(colour); });
  }
  bool IsEmpty() const override { return threshold_ >= 1.0; }

 private:
  double threshold_ = 0.6;
  double contrast_ = 0.5;
  std::string filler_ = "#ffc040";
};

// A numbered colour filter: 36 designed looks (0 to 35), channel factors
// (36 to 135) or a weighted grey (136 to 145).
class SettingsEffectColorFilter final : public SettingsBase<SettingsEffectColorFilter> {
 public:
  static constexpr std::int32_t kPresetCount = 36;
  static constexpr std::int32_t kCustom = 36;       // `filter` value that picks `custom`
  static constexpr std::int32_t kFirstGrey = 136;   // first weighted-grey number
  static constexpr std::int32_t kLastCustom = 145;  // last custom number
  static constexpr double kMaxFactor = 4.0;
  inline static const std::string CLASS_ID{"SettingsEffectColorFilter"};
  static constexpr std::string_view FAMILY = Family::kKeying;
  static constexpr std::string_view DESCRIPTION =
      "Applies a colour filter: one of 36 looks, channel factors or a weighted grey";
  static constexpr std::array PRESETS{
      Preset{"cool", R"({"filter": 2})", "look 2, cool"},
      Preset{"sepia", R"({"filter": 6})", "look 6, sepia"},
      Preset{"teal-and-orange", R"({"filter": 9})", "look 9"},
      Preset{"night-vision", R"({"filter": 29})", "look 29"},
      Preset{"custom-grey",
             R"({"filter": 36, "custom": 140, "redFactor": 1, "greenFactor": 0.2, )"
             R"("blueFactor": 0.2})",
             "a grey weighted towards red"}};
  static constexpr auto Fields() {
    using S = SettingsEffectColorFilter;
    return std::make_tuple(
        Param("filter", &S::filter_, 0.0, 36.0,
              "the look, 0 to 35 (see the README's list); 36 uses the custom filter"),
        Param("custom", &S::custom_, 0.0, 145.0,
              "with filter 36: 36 to 135 multiply the channels by the factors, 136 to 145 "
              "make a grey weighted by them; other numbers give look 0"),
        Param("redFactor", &S::red_, 0.0, kMaxFactor, "custom filter: weight of red"),
        Param("greenFactor", &S::green_, 0.0, kMaxFactor, "custom filter: weight of green"),
        Param("blueFactor", &S::blue_, 0.0, kMaxFactor, "custom filter: weight of blue"),
        Param("colorFactor", &S::color_, 0.0, kMaxFactor,
              "weighted grey (136 to 145): gain on the grey"),
        Param("strength", &S::strength_, 0.0, 1.0,
              "share of the filter: 0 leaves the picture unchanged"));
  }

  // The filter that numbers `filter` and `custom` select: `filter` when it is
  // a look, `custom` when `filter` asks for it and it lies in 36 to 145, else 0.
  static std::int32_t FilterNumber(std::int32_t filter, std::int32_t custom) {
    if (filter >= 0 && filter < kPresetCount) return filter;
    if (filter == kCustom && custom >= kCustom && custom <= kLastCustom) return custom;
    return 0;
  }

  std::int32_t GetFilter() const { return filter_; }
  std::int32_t GetCustom() const { return custom_; }
  float GetRedFactor() const { return red_; }
  float GetGreenFactor() const { return green_; }
  float GetBlueFactor() const { return blue_; }
  float GetColorFactor() const { return color_; }
  float GetStrength() const { return strength_; }
  void SetFilter(std::int32_t filter, std::int32_t custom) {
    Update([&](auto& s) { std::tie(s.filter_, s.custom_) = std::tie(filter, custom); });
  }
  void SetFactors(float red, float green, float blue, float colour) {
    Update([&](auto& s) {
      std::tie(s.red_, s.green_, s.blue_, s.color_) = std::tie(red, green, blue, colour);
    });
  }
  void SetStrength(float strength) { Assign(strength_, strength); }
  bool IsEmpty() const override { return strength_ == 0.0f; }

 private:
  std::int32_t filter_ = 1;
  std::int32_t custom_ = kCustom;
  float red_ = 1.0f;
  float green_ = 1.0f;
  float blue_ = 1.0f;
  float color_ = 1.0f;
  float strength_ = 1.0f;
};

}  // namespace Obrisk::Proc
