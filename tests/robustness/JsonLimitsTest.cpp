// JSON from files and command lines: nesting, integer range and the shape of
// a settings value are checked before anything is built from it.
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "obrisk/host/Property.h"
#include "obrisk/settings/ColorSettings.h"

namespace Obrisk {
namespace {

std::string NestedArrays(int depth) {
  return std::string(static_cast<std::size_t>(depth), '[') +
         std::string(static_cast<std::size_t>(depth), ']');
}

std::string NestedObjects(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += R"({"a":)";
  text += "1";
  return text + std::string(static_cast<std::size_t>(depth), '}');
}

void ExpectDepthRefused(const std::string& text) {
  try {
    Property::FromJson(text);
    FAIL() << "accepted";
  } catch (const std::invalid_argument& error) {
    EXPECT_NE(std::string(error.what()).find("deeper than 64 levels"), std::string::npos)
        << error.what();
  }
}

TEST(JsonLimits, NestingUpToTheLimitIsRead) {
  EXPECT_NO_THROW(Property::FromJson(NestedArrays(Property::kMaxJsonDepth)));
  const Property objects = Property::FromJson(NestedObjects(Property::kMaxJsonDepth));
  const Property* node = &objects;
  for (int i = 0; i < Property::kMaxJsonDepth; ++i) node = &node->GetChild("a");
  EXPECT_EQ(node->GetValue(), Property::Value(std::int64_t{1}));
}

TEST(JsonLimits, NestingPastTheLimitIsRefusedNamingIt) {
  ExpectDepthRefused(NestedArrays(Property::kMaxJsonDepth + 1));
  ExpectDepthRefused(NestedObjects(Property::kMaxJsonDepth + 1));
}

// Deep enough to overflow the stack of a recursive conversion.
TEST(JsonLimits, HostileNestingEndsInAnErrorNotACrash) {
  constexpr int kHostileDepth = 30000;
  ExpectDepthRefused(NestedArrays(kHostileDepth));
  ExpectDepthRefused(NestedObjects(kHostileDepth));
  ExpectDepthRefused(std::string(kHostileDepth, '['));
}

TEST(JsonLimits, IntegersBeyondSigned64BitsAreErrors) {
  EXPECT_EQ(Property::FromJson("9223372036854775807").GetValue(),
            Property::Value(std::int64_t{9223372036854775807}));
  EXPECT_EQ(Property::FromJson("-9223372036854775808").GetValue(),
            Property::Value(std::numeric_limits<std::int64_t>::min()));
  // Past the unsigned 64-bit range the parser has a double to offer; the
  // digits still make it an integer out of range, not a number to round.
  for (const char* text :
       {"9223372036854775808", "18446744073709551615", R"({"intensity": 18446744073709551615})",
        "18446744073709551616", "-9223372036854775809", "[1, 123456789012345678901234567890]"}) {
    try {
      Property::FromJson(text);
      ADD_FAILURE() << text << " was accepted";
    } catch (const std::invalid_argument& error) {
      EXPECT_NE(std::string(error.what()).find("outside the signed 64-bit range"),
                std::string::npos)
          << error.what();
    }
  }
}

TEST(JsonLimits, NumbersWithAFractionOrExponentStayDoubles) {
  EXPECT_EQ(Property::FromJson("18446744073709551616.0").GetValue(),
            Property::Value(18446744073709551616.0));
  EXPECT_EQ(Property::FromJson("1e19").GetValue(), Property::Value(1e19));
  EXPECT_EQ(Property::FromJson("-2.5E-3").GetValue(), Property::Value(-2.5e-3));
}

TEST(JsonLimits, ObjectsKeepTheirOrderAndTheirOwnValue) {
  const Property property = Property::FromJson(R"({"b": [1, "x", null], "a": {"@value": 2}})");
  ASSERT_EQ(property.Children().size(), 2u);
  EXPECT_EQ(property.Children()[0].first, "b");
  EXPECT_EQ(property.GetChild("b").Children().size(), 3u);
  EXPECT_EQ(property.GetChild("a").GetValue(), Property::Value(std::int64_t{2}));
  EXPECT_EQ(Property::FromJson(property.ToJson()).ToJson(), property.ToJson());
}

// A chain entry's "settings" must be an object of named parameters.
TEST(JsonLimits, SettingsThatAreNotAnObjectAreErrors) {
  const Property chain =
      Property::FromJson(R"([{"settings": "strong"}, {"settings": 5}, {"settings": [0.5]}])");
  for (const auto& [key, entry] : chain.Children()) {
    Proc::SettingsEffectInvert settings;
    EXPECT_THROW(settings.Deserialize(entry.GetChild("settings")), std::invalid_argument)
        << entry.ToJson();
  }
}

}  // namespace
}  // namespace Obrisk
