// The frei0r parameters made from settings fields: grouping, scaling,
// clamping and refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Frei0rParameters.h"
#include "obrisk/settings/ColorSettings.h"

namespace Obrisk::Frei0r {
namespace {

using Proc::ParameterInfo;
using Proc::ParameterType;

ParameterInfo Field(std::string name, ParameterType type, double minimum, double maximum,
                    Property defaultValue = Property(0.0)) {
  return {std::move(name), type, std::move(defaultValue), true, minimum, maximum, "meaning"};
}

ParameterInfo Unranged(std::string name, ParameterType type, Property defaultValue) {
  return {std::move(name), type, std::move(defaultValue), false, 0.0, 0.0, "meaning"};
}

TEST(Frei0rParameters, GroupsColoursAndPositionsAndKeepsTheOrder) {
  const std::vector<ParameterInfo> fields{
      Field("amount", ParameterType::Float, 0.0, 2.0),
      Field("keyColorR", ParameterType::Float, 0.0, 1.0),
      Field("keyColorG", ParameterType::Float, 0.0, 1.0),
      Field("keyColorB", ParameterType::Float, 0.0, 1.0),
      Field("centreX", ParameterType::Double, -1.0, 1.0),
      Field("centreY", ParameterType::Double, -1.0, 1.0),
      Field("gammaRed", ParameterType::Float, 0.1, 10.0),
      Field("gammaGreen", ParameterType::Float, 0.1, 10.0),
      Field("gammaBlue", ParameterType::Float, 0.1, 10.0),
      Unranged("invert", ParameterType::Bool, Property(false)),
      Unranged("file", ParameterType::String, Property(std::string()))};
  const auto parameters = MapParameters(fields, false);
  std::vector<std::pair<std::string, int>> got;
  for (const auto& parameter : parameters) got.emplace_back(parameter.name, parameter.type);
  const std::vector<std::pair<std::string, int>> expected{
      {"amount", F0R_PARAM_DOUBLE},     {"keyColor", F0R_PARAM_COLOR},
      {"centre", F0R_PARAM_POSITION},   {"gammaRed", F0R_PARAM_DOUBLE},
      {"gammaGreen", F0R_PARAM_DOUBLE}, {"gammaBlue", F0R_PARAM_DOUBLE},
      {"invert", F0R_PARAM_BOOL},       {"file", F0R_PARAM_STRING}};
  EXPECT_EQ(got, expected);
  EXPECT_EQ(parameters[0].explanation, "meaning (0 to 1 span 0 to 2)");
}

TEST(Frei0rParameters, TransitionsAddProgressAndDuration) {
  const auto parameters = MapParameters({}, true);
  ASSERT_EQ(parameters.size(), 2u);
  EXPECT_EQ(parameters[0].role, Role::Progress);
  EXPECT_EQ(parameters[1].role, Role::Duration);
}

TEST(Frei0rParameters, NumbersScaleOverTheirRangeAndClamp) {
  const auto amount = Field("amount", ParameterType::Float, -1.0, 3.0);
  const Parameter parameter = MapParameters({amount}, false).front();
  const auto set = [&](double value) {
    return std::get<double>(ToSettings(parameter, &value)->GetChild("amount").GetValue());
  };
  EXPECT_DOUBLE_EQ(set(0.25), 0.0);
  EXPECT_DOUBLE_EQ(set(7.0), 3.0);
  EXPECT_DOUBLE_EQ(set(-7.0), -1.0);
  EXPECT_DOUBLE_EQ(ToFrei0rNumber(amount, 2.0), 0.75);
}

TEST(Frei0rParameters, IntegersRoundAndUnrangedNumbersPassAsTheyAre) {
  const auto levels = Field("levels", ParameterType::Int, 1.0, 255.0);
  EXPECT_EQ(std::get<std::int64_t>(FromFrei0rNumber(levels, 7.0 / 254.0).GetValue()), 8);
  const auto free = Unranged("offset", ParameterType::Double, Property(0.0));
  EXPECT_DOUBLE_EQ(std::get<double>(FromFrei0rNumber(free, 12.5).GetValue()), 12.5);
}

TEST(Frei0rParameters, RefusesWhatIsNoValue) {
  const Parameter number = MapParameters({Field("a", ParameterType::Float, 0.0, 1.0)}, false)[0];
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(ToSettings(number, &nan));
  EXPECT_FALSE(ToSettings(number, &infinity));
  EXPECT_FALSE(ToSettings(number, nullptr));
  const Parameter text =
      MapParameters({Unranged("file", ParameterType::String, Property(std::string()))}, false)[0];
  const f0r_param_string none = nullptr;
  EXPECT_FALSE(ToSettings(text, &none));
}

TEST(Frei0rParameters, ColourAndStringRoundTripThroughSettings) {
  const std::vector<ParameterInfo> fields{Field("red", ParameterType::Float, 0.0, 1.0),
                                          Field("green", ParameterType::Float, 0.0, 1.0),
                                          Field("blue", ParameterType::Float, 0.0, 1.0),
                                          Unranged("file", ParameterType::String, Property(""))};
  const auto parameters = MapParameters(fields, false);
  ASSERT_EQ(parameters.size(), 2u);
  const f0r_param_color_t colour{0.25f, 2.0f, 0.5f};
  const auto settings = ToSettings(parameters[0], &colour);
  ASSERT_TRUE(settings);
  f0r_param_color_t back{};
  std::string text;
  FromSettings(parameters[0], *settings, &back, text);
  EXPECT_FLOAT_EQ(back.r, 0.25f);
  EXPECT_FLOAT_EQ(back.g, 1.0f);
  EXPECT_FLOAT_EQ(back.b, 0.5f);

  const char* path = "looks/film.cube";
  const auto file = ToSettings(parameters[1], &path);
  ASSERT_TRUE(file);
  f0r_param_string read = nullptr;
  FromSettings(parameters[1], *file, &read, text);
  EXPECT_STREQ(read, "looks/film.cube");
}

// Every declared field of a real settings class maps, and its default reads
// back through the settings as the frei0r value of that default.
TEST(Frei0rParameters, RealSettingsReadBackTheirDefaults) {
  const Proc::SettingsEffectInvert settings;
  const auto parameters = MapParameters(settings.GetParameters(), false);
  ASSERT_EQ(parameters.size(), 1u);
  double value = -1.0;
  std::string text;
  FromSettings(parameters[0], settings.Serialize(), &value, text);
  const auto& field = settings.GetParameters()[0];
  EXPECT_DOUBLE_EQ(value, ToFrei0rNumber(field, std::get<double>(field.defaultValue.GetValue())));
}

}  // namespace
}  // namespace Obrisk::Frei0r
