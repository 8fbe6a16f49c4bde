#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>
#include <boost/exception/get_error_info.hpp>

#include "obrisk/host/Effect.h"
#include "obrisk/host/Exception.h"
#include "obrisk/host/Property.h"
#include "obrisk/host/Registry.h"
#include "obrisk/host/Statistics.h"
#include "obrisk/settings/ColorSettings.h"
#include "obrisk/settings/ServiceSettings.h"
#include "support/Messages.h"

namespace Obrisk::Proc {
namespace {

TEST(Property, JsonRoundTripKeepsTypesOrderAndNesting) {
  Property root;
  root.SetChild("zeta", Property(true));
  root.SetChild("alpha", Property(std::int64_t{-42}));
  root.SetChild("ratio", Property(0.25));
  root.SetChild("text", Property("a \"quoted\" line\n"));
  Property list;
  list.Add(Property(1));
  list.Add(Property("two"));
  root.SetChild("list", list);
  Property both(3.5);
  both.SetChild("child", Property(1));
  root.SetChild("both", both);

  const Property back = Property::FromJson(root.ToJson());
  EXPECT_EQ(back, root);
  EXPECT_EQ(back.Children().front().first, "zeta");
  EXPECT_EQ(std::get<std::int64_t>(back.GetChild("alpha").GetValue()), -42);
}

TEST(Property, SetChildReplacesAndMissingChildIsNamed) {
  Property property;
  property.SetChild("a", Property(1));
  property.SetChild("a", Property(2));
  ASSERT_EQ(property.Children().size(), 1u);
  EXPECT_EQ(std::get<std::int64_t>(property.GetChild("a").GetValue()), 2);
  EXPECT_TRUE(Testing::Contains(
      Testing::MessageOf<std::out_of_range>([&] { property.GetChild("missing"); }), "missing"));
  EXPECT_THROW(Property::FromJson("{\"a\": "), std::invalid_argument);
}

TEST(Settings, PropertyRoundTripAndComparison) {
  SettingsEffectInvert settings;
  settings.SetIntensity(0.25f);
  SettingsEffectInvert back;
  back.Deserialize(Property::FromJson(settings.Serialize().ToJson()));
  EXPECT_FLOAT_EQ(back.GetIntensity(), 0.25f);
  EXPECT_TRUE(back.IsEqualTo(settings));
  EXPECT_FALSE(back.IsEqualTo(SettingsEffectInvert()));
  EXPECT_FALSE(back.IsEqualTo(SettingsFrameUploader()));
  auto clone = settings.Clone();
  EXPECT_EQ(clone->GetClassId(), "SettingsEffectInvert");
  EXPECT_TRUE(clone->IsEqualTo(settings));
}

TEST(Settings, DeserializeRejectsBadInputAndKeepsTheOldValues) {
  SettingsEffectInvert settings;
  settings.SetIntensity(0.5f);
  auto expectRejected = [&](const char* json, const char* messagePart, auto exceptionType) {
    try {
      settings.Deserialize(Property::FromJson(json));
      ADD_FAILURE() << json << " was accepted";
    } catch (const decltype(exceptionType)& error) {
      EXPECT_NE(std::string(error.what()).find(messagePart), std::string::npos) << error.what();
    }
    EXPECT_FLOAT_EQ(settings.GetIntensity(), 0.5f);
  };
  expectRejected(R"({"intensity": 2})", "outside its range 0 to 1", std::out_of_range(""));
  expectRejected(R"({"intensity": "high"})", "takes a number", std::invalid_argument(""));
  expectRejected(R"({"intensity": 0.1, "gain": 1})",
                 "has no parameter 'gain' (its parameters: intensity)", std::invalid_argument(""));
  expectRejected("0.3", "expects named parameters", std::invalid_argument(""));
  settings.Deserialize(Property::FromJson(R"({"intensity": 0})"));
  EXPECT_TRUE(settings.IsEmpty());
}

TEST(Settings, ParameterListDescribesTheDeclaration) {
  const auto& parameters = SettingsEffectInvert().GetParameters();
  ASSERT_EQ(parameters.size(), 1u);
  EXPECT_EQ(parameters[0].name, "intensity");
  EXPECT_EQ(parameters[0].type, ParameterType::Float);
  EXPECT_EQ(parameters[0].defaultValue, Property(1.0));
  EXPECT_TRUE(parameters[0].hasRange);
  EXPECT_EQ(parameters[0].minimum, 0.0);
  EXPECT_EQ(parameters[0].maximum, 1.0);
  EXPECT_FALSE(parameters[0].description.empty());
}

TEST(Exceptions, CarryDescriptionCallStackAndThrowSite) {
  try {
    OBRISK_THROW(EffectException, "Both frames data must be present or absent");
  } catch (const std::exception& error) {
    EXPECT_STREQ(error.what(), "Both frames data must be present or absent");
    const auto& effect = dynamic_cast<const EffectException&>(error);
    EXPECT_FALSE(effect.CallStack().empty());
    EXPECT_NE(boost::get_error_info<boost::throw_function>(effect), nullptr);
    EXPECT_NE(dynamic_cast<const ProcException*>(&error), nullptr);
    return;
  }
  FAIL();
}

TEST(Media, PixelFormatFlagsAndDisplayAspect) {
  EXPECT_TRUE(PixFmtDescription::Find(PixFmt::RGBA).HasAlpha());
  EXPECT_TRUE(PixFmtDescription::Find(PixFmt::RGBA).IsRgbaLayout());
  EXPECT_FALSE(PixFmtDescription::Find(PixFmt::RGBX).HasAlpha());
  EXPECT_TRUE(PixFmtDescription::Find(PixFmt::YUVA420P).HasAlpha());
  EXPECT_FALSE(PixFmtDescription::Find(PixFmt::YUV420P).IsRgbaLayout());
  EXPECT_TRUE(PixFmtDescription::Find(PixFmt::RGBA_HALF).IsRgbaLayout());
  EXPECT_THROW(PixFmtDescription::Find(static_cast<PixFmt>(1234)), std::invalid_argument);
  EXPECT_DOUBLE_EQ((FrameInfo{720, 576, 16, 15}.DisplayAspect()), 720.0 * 16 / (576.0 * 15));
  EXPECT_TRUE((ColorSpace{1, 1, 1, 0} == ColorSpace{1, 1, 1, 1}));
  EXPECT_FALSE((ColorSpace{1, 1, 1, 0} == ColorSpace{9, 16, 9, 0}));
}

TEST(TimeToProgressTest, LinearMappingClampsOutside) {
  const TimeToProgress progress = TimeToProgress::Linear(1000, 2000);
  EXPECT_DOUBLE_EQ(progress.GetProgress(0), 0.0);
  EXPECT_DOUBLE_EQ(progress.GetProgress(2000), 0.5);
  EXPECT_DOUBLE_EQ(progress.GetProgress(9000), 1.0);
  EXPECT_DOUBLE_EQ(TimeToProgress().GetProgress(123), 0.0);
  EXPECT_THROW(TimeToProgress::Linear(0, 0), std::invalid_argument);
}

Ptr<IEffect> NoEffect(const Ptr<IEffectFactory>&, const Ptr<IRefCountable>&) {
  return nullptr;
}

TEST(Registry, RecordsInOrderAndRefusesDuplicates) {
  auto registry = MakeRef<EffectRegistry>();
  registry->RegisterOneInputEffect("A", ImplNames::OGL, &NoEffect);
  registry->RegisterTwoInputEffect("B", ImplNames::OGL, &NoEffect);
  registry->RegisterVarInputEffect("C", "CPU", &NoEffect);
  ASSERT_EQ(registry->Entries().size(), 3u);
  EXPECT_EQ(registry->Entries()[1].kind, EffectKind::TwoInput);
  EXPECT_EQ(registry->Entries()[2].implName, "CPU");
  EXPECT_THROW(registry->RegisterOneInputEffect("A", ImplNames::OGL, &NoEffect), std::logic_error);
  Ptr<IEffect> effect;
  EXPECT_FALSE(registry->CreateEffect(effect, "Z", ImplNames::OGL, nullptr));
  EXPECT_FALSE(effect);
}

TEST(StatisticsTest, RecordFieldsInOrder) {
  const Property statistics =
      Statistics::MakeStatistics({"OpenGLEffectWrapper::X", 5, 2, 8, 1, "OGL"});
  const auto& children = statistics.Children();
  ASSERT_EQ(children.size(), 6u);
  EXPECT_EQ(children[0].second, Property("OpenGLEffectWrapper::X"));
  EXPECT_EQ(children[3].second, Property(8));
  EXPECT_EQ(children[5].first, IPreset::KEY_TYPE_ID);
}

// Hosts store and compare statistics by these names, camelCase like the
// settings' names.
TEST(StatisticsTest, RecordNamesArePinned) {
  const Property statistics = Statistics::MakeStatistics({"X", 5, 2, 7, 1, "OGL"});
  std::vector<std::string> names;
  for (const auto& [name, value] : statistics.Children()) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"name", "processingTimeNs", "frames", "type",
                                             "version", "typeId"}));
}

}  // namespace
}  // namespace Obrisk::Proc
