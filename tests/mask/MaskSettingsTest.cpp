#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "obrisk/settings/MaskSettings.h"

namespace Obrisk::Proc {
namespace {

constexpr const char* kTwoMasks = R"({
  "type": 1, "invert": 1, "backgroundRed": 12,
  "masks": [
    {"shape": 0, "fill": 2, "frame": true, "start": 0.1, "end": 0.9,
     "keyframes": [
       {"progress": 0.0, "centreX": 0.2, "centreY": 0.3, "width": 0.4, "height": 0.2,
        "opacity": 1.0, "feather": 0.0},
       {"progress": 0.5, "centreX": 0.6, "centreY": 0.1, "width": 0.2, "height": 0.6,
        "rotation": -90, "opacity": 0.5, "feather": 1.0}]},
    {"shape": 1, "fill": 0, "keyframes": [{"progress": 0.3, "centreX": 0.7}]}
  ]})";

SettingsEffectMask Parsed(const std::string& json) {
  SettingsEffectMask settings;
  settings.Deserialize(Property::FromJson(json));
  return settings;
}

TEST(MaskSettings, ReadsMasksAndTheirKeyframes) {
  const SettingsEffectMask settings = Parsed(kTwoMasks);
  EXPECT_EQ(settings.GetType(), 1);
  EXPECT_EQ(settings.GetInvert(), 1);
  EXPECT_EQ(settings.GetBackgroundColor()[0], 12);
  ASSERT_EQ(settings.GetMasks().size(), 2u);
  const MaskTrack& first = settings.GetMasks()[0];
  EXPECT_EQ(first.shape, FrameMask::kRectangle);
  EXPECT_EQ(first.fill, FrameMask::kFillPixelate);
  EXPECT_TRUE(first.frame);
  ASSERT_EQ(first.keyframes.size(), 2u);
  EXPECT_EQ(first.keyframes[1].centreY, 0.1);
  // Fields left out keep their defaults.
  EXPECT_EQ(settings.GetMasks()[1].keyframes[0].width, MaskKeyframe{}.width);
}

TEST(MaskSettings, SurviveARoundTripThroughJson) {
  const SettingsEffectMask settings = Parsed(kTwoMasks);
  const SettingsEffectMask copy = Parsed(settings.Serialize().ToJson());
  EXPECT_TRUE(copy.IsEqualTo(settings));
  SettingsEffectMask changed = copy;
  auto masks = changed.GetMasks();
  masks[1].keyframes[0].feather = 0.7;
  changed.SetMasks(masks);
  EXPECT_FALSE(changed.IsEqualTo(settings));
}

TEST(MaskSettings, TakeTheMaskListAsJsonText) {
  // As a command line hands it over: the list as one text value.
  Property property;
  property.SetChild("masks", Property(Parsed(kTwoMasks).Serialize().GetChild("masks").ToJson()));
  SettingsEffectMask settings;
  settings.Deserialize(property);
  EXPECT_EQ(settings.GetMasks(), Parsed(kTwoMasks).GetMasks());
}

TEST(MaskSettings, AnEmptyListLeavesNothingToDo) {
  SettingsEffectMask settings = Parsed(R"({"masks": []})");
  EXPECT_TRUE(settings.GetMasks().empty());
  EXPECT_TRUE(settings.IsEmpty());
  EXPECT_TRUE(Parsed(settings.Serialize().ToJson()).GetMasks().empty());
  EXPECT_FALSE(SettingsEffectMask().IsEmpty());
}

TEST(MaskSettings, InterpolateKeyframesAndHoldTheEnds) {
  const MaskTrack track = Parsed(kTwoMasks).GetMasks()[0];
  const FrameMask before = track.At(0.0);
  EXPECT_EQ(before.GetPlacement(), (MaskPlacement{0.2, 0.3, 0.4, 0.2}));
  const FrameMask middle = track.At(0.25);
  EXPECT_DOUBLE_EQ(middle.GetPlacement().centreX, 0.4);
  EXPECT_DOUBLE_EQ(middle.GetPlacement().centreY, 0.2);
  EXPECT_DOUBLE_EQ(middle.GetPlacement().width, 0.3);
  EXPECT_DOUBLE_EQ(middle.GetPlacement().height, 0.4);
  EXPECT_DOUBLE_EQ(middle.GetPlacement().rotation, -45.0);
  EXPECT_DOUBLE_EQ(middle.GetOpacity(), 0.75);
  EXPECT_DOUBLE_EQ(middle.GetFeather(), 0.5);
  EXPECT_EQ(track.At(0.9).GetPlacement(), (MaskPlacement{0.6, 0.1, 0.2, 0.6, -90.0}));
  EXPECT_EQ(middle.GetFillType(), FrameMask::kFillPixelate);
  EXPECT_TRUE(middle.HasFrame());
}

TEST(MaskSettings, GetFramesGivesTheActiveMasksInOrder) {
  const SettingsEffectMask settings = Parsed(kTwoMasks);
  ASSERT_EQ(settings.GetFrames(0.05).size(), 1u);
  EXPECT_TRUE(settings.GetFrames(0.05)[0].IsEllipse());
  const auto both = settings.GetFrames(0.1);
  ASSERT_EQ(both.size(), 2u);
  EXPECT_FALSE(both[0].IsEllipse());
  EXPECT_TRUE(both[1].IsEllipse());
  EXPECT_EQ(settings.GetFrames(0.95).size(), 1u);
}

// Bad mask lists are refused with a message naming the place, and leave
// the settings as they were.
struct BadCase {
  const char* name;
  const char* json;
  const char* message;
  bool outOfRange;
};

class MaskSettingsRejectTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(MaskSettingsRejectTest, RefusesAndKeepsTheSettings) {
  const BadCase& c = GetParam();
  SettingsEffectMask settings = Parsed(kTwoMasks);
  const SettingsEffectMask before = settings;
  try {
    settings.Deserialize(Property::FromJson(c.json));
    ADD_FAILURE() << "accepted";
  } catch (const std::out_of_range& error) {
    EXPECT_TRUE(c.outOfRange);
    EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
  } catch (const std::invalid_argument& error) {
    EXPECT_FALSE(c.outOfRange);
    EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
  }
  EXPECT_TRUE(settings.IsEqualTo(before));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MaskSettingsRejectTest,
    ::testing::Values(
        BadCase{"Range", R"({"type": 0, "masks": [{"keyframes": [{"centreX": 3}]}]})",
                "'masks[0].keyframes[0].centreX'", true},
        BadCase{"Shape", R"({"masks": [{}, {"shape": 2}]})", "'masks[1].shape'", true},
        BadCase{"Unknown", R"({"masks": [{"colour": 1}]})", "no field 'colour'", false},
        BadCase{"NoKeyframes", R"({"masks": [{"keyframes": []}]})", "has no keyframes", false},
        BadCase{"Order", R"({"masks": [{"keyframes": [{"progress": 0.5}, {"progress": 0.5}]}]})",
                "strictly increasing", false},
        BadCase{"StartAfterEnd", R"({"masks": [{"start": 0.7, "end": 0.2}]})", "after it ends",
                false},
        BadCase{"NotAList", R"({"masks": {"a": {}}})", "must be a list", false},
        BadCase{"Eleven", R"({"masks": [{},{},{},{},{},{},{},{},{},{},{}]})", "at most 10 masks",
                false},
        BadCase{"BadText", R"({"masks": "[{"})", "", false},
        BadCase{"Field", R"({"type": 2})", "'type'", true},
        BadCase{"Colour", R"({"frameAlpha": 256})", "'frameAlpha'", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MaskSettings, SetMasksChecksAsDeserializeDoes) {
  SettingsEffectMask settings;
  MaskTrack track;
  track.keyframes[0].opacity = 1.5;
  EXPECT_THROW(settings.SetMasks({track}), std::out_of_range);
  EXPECT_EQ(settings.GetMasks(), SettingsEffectMask().GetMasks());
  EXPECT_THROW(settings.SetMasks(std::vector<MaskTrack>(11)), std::invalid_argument);
}

}  // namespace
}  // namespace Obrisk::Proc
