#include <cmath>
#include <limits>
#include <memory>
#include <typeinfo>

#include <gtest/gtest.h>

#include "frame/EffectWrapper.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/settings/ColorSettings.h"
#include "support/GpuTestSupport.h"
#include "support/Messages.h"
#include "support/ProbeEffects.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PixFmt;
using Testing::MessageOf;
using Testing::OneInputProbe;
using Testing::Pixel;
using Testing::TwoInputProbe;
using Testing::VarInputProbe;

constexpr std::int64_t kSecond = 1000000;

Ptr<DataVideoOGL> GpuFrame(std::int64_t start, std::int64_t duration, PixFmt format = PixFmt::RGBA,
                           int width = 4, int height = 2) {
  auto frame = Testing::MakeTestPattern(width, height, format);
  frame->SetStartTime(start);
  frame->SetDuration(duration);
  return Testing::Upload(frame);
}

struct OneInputFixture {
  std::shared_ptr<OneInputProbe> probe = std::make_shared<OneInputProbe>();
  Ptr<OneInputEffectWrapper> wrapper = MakeRef<OneInputEffectWrapper>(nullptr, probe);
};

// --- progress -------------------------------------------------------------

struct ProgressCase {
  const char* name;
  std::function<double(std::int64_t)> mapping;
  std::int64_t start;
  std::int64_t duration;
  double expectedOneInput;
  double expectedTwoInput;
};

class ProgressTest : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressTest, FollowsTheHostMappingAndTheEpsilonRule) {
  const ProgressCase& c = GetParam();
  const Proc::TimeToProgress mapping(c.mapping);
  EXPECT_DOUBLE_EQ(FrameSetProgress(mapping, c.start, c.duration, true), c.expectedOneInput);
  EXPECT_DOUBLE_EQ(FrameSetProgress(mapping, c.start, c.duration, false), c.expectedTwoInput);
}

double Linear10s(std::int64_t t) {
  return static_cast<double>(t) / (10.0 * kSecond);
}

INSTANTIATE_TEST_SUITE_P(
    Mappings, ProgressTest,
    ::testing::Values(
        // Inside (0, 1): replaced by P(s + d x P(s)) = P(1004000).
        ProgressCase{"inside", Linear10s, kSecond, 40000, Linear10s(1004000), Linear10s(1040000)},
        ProgressCase{"exactly0", [](std::int64_t) { return 0.0; }, kSecond, 40000, 0.0, 0.0},
        ProgressCase{"exactly1", [](std::int64_t) { return 1.0; }, kSecond, 40000, 1.0, 1.0},
        ProgressCase{"withinEpsilonOf0", [](std::int64_t) { return 1e-17; }, 0, 40000, 1e-17,
                     1e-17},
        // Rounds s + d x q + 0.5 down to a whole microsecond: 1000 + 3 x 0.5 + 0.5 = 1002.
        ProgressCase{"rounding",
                     [](std::int64_t t) { return t == 1003 ? 0.5 : (t == 1002 ? 0.25 : 0.5); },
                     1000, 3, 0.25, 0.5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OneInputWrapperTest, PassesTimeAndProgressToTheTask) {
  OneInputFixture f;
  f.wrapper->SetProgress(Proc::TimeToProgress(Linear10s));
  Ptr<Proc::IData> data = GpuFrame(2 * kSecond, 40000);
  f.wrapper->ProcessData(data);
  Testing::Download(data);
  const auto calls = f.probe->log.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_DOUBLE_EQ(calls[0].time, 2.0);
  EXPECT_DOUBLE_EQ(calls[0].progress, Linear10s(2008000));
}

// --- one-input processing -------------------------------------------------

TEST(OneInputWrapperTest, OutputFormatFollowsInputAlphaAndKeepsTimes) {
  for (PixFmt input : {PixFmt::RGBA, PixFmt::RGBX}) {
    OneInputFixture f;
    Ptr<Proc::IData> data = GpuFrame(kSecond, 40000, input);
    f.wrapper->ProcessData(data);
    auto* output = dynamic_cast<DataVideoOGL*>(data.get());
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->GetPixelFormat(), input == PixFmt::RGBA ? PixFmt::RGBA : PixFmt::RGBX);
    EXPECT_EQ(output->GetStartTime(), kSecond);
    EXPECT_EQ(output->GetDuration(), 40000);
    EXPECT_EQ(Testing::PixelAt(*Testing::Download(data), 0, 0), (Pixel{128, 128, 128, 255}));
  }
}

TEST(OneInputWrapperTest, EmptySettingsPassTheDataThrough) {
  OneInputFixture f;
  Testing::SettingsProbe empty;
  empty.SetLevel(-1.0f);
  f.wrapper->SetSettingsObject(empty);
  Ptr<Proc::IData> input = GpuFrame(0, 40000);
  Ptr<Proc::IData> data = input;
  f.wrapper->ProcessData(data);
  EXPECT_EQ(data, input);
  EXPECT_EQ(f.wrapper->GetStatistic().GetChild("frames"), Property(0));
  Ptr<Proc::IData> none;
  f.wrapper->ProcessData(none);
  EXPECT_FALSE(none);
}

TEST(OneInputWrapperTest, WrongSettingsClassRaisesBadCastAndKeepsTheOld) {
  OneInputFixture f;
  Testing::SettingsProbe probe;
  probe.SetLevel(0.25f);
  f.wrapper->SetSettingsObject(probe);
  EXPECT_THROW(f.wrapper->SetSettingsObject(Proc::SettingsEffectInvert()), std::bad_cast);
  EXPECT_TRUE(f.wrapper->GetSettingsObject().IsEqualTo(probe));
  f.wrapper->SetSettings(Property::FromJson(R"({"level": 0.75})"));
  EXPECT_FLOAT_EQ(
      dynamic_cast<const Testing::SettingsProbe&>(f.wrapper->GetSettingsObject()).GetLevel(),
      0.75f);
  EXPECT_EQ(f.wrapper->GetSettings(), Property::FromJson(R"({"level": 0.75})"));
}

TEST(OneInputWrapperTest, InputMustBeGpuDataAndNothingChangesOnError) {
  OneInputFixture f;
  Ptr<Proc::IData> cpu = Testing::MakeTestPattern(2, 2, PixFmt::RGBA);
  Ptr<Proc::IData> data = cpu;
  EXPECT_THROW(f.wrapper->ProcessData(data), EffectException);
  EXPECT_EQ(data, cpu);
}

TEST(OneInputWrapperTest, StatisticsNameTimeFramesTypeAndImplementation) {
  OneInputFixture f;
  for (int i = 0; i < 3; ++i) {
    Ptr<Proc::IData> data = GpuFrame(i * 40000, 40000);
    f.wrapper->ProcessData(data);
  }
  const Property statistics = f.wrapper->GetStatistic();
  EXPECT_EQ(statistics.GetChild("name"), Property("OpenGLEffectWrapper::ProbeEffect"));
  EXPECT_EQ(statistics.GetChild("frames"), Property(3));
  EXPECT_GT(std::get<std::int64_t>(statistics.GetChild("processingTimeNs").GetValue()), 0);
  EXPECT_EQ(statistics.GetChild("type"), Property(7));
  EXPECT_EQ(statistics.GetChild("version"), Property(1));
  EXPECT_EQ(statistics.GetChild(Proc::IPreset::KEY_TYPE_ID), Property(Proc::ImplNames::OGL));
  EXPECT_EQ(f.wrapper->GetTraits(), 2);
}

TEST(OneInputWrapperTest, TaskIsNamedAfterTheAlgorithm) {
  OneInputFixture f;
  OglManager::GetInstance().Finish();
  const auto before = OglManager::GetInstance().TaskCount("ProbeEffect_Task");
  Ptr<Proc::IData> data = GpuFrame(0, 40000);
  f.wrapper->ProcessData(data);
  Testing::Download(data);
  EXPECT_EQ(OglManager::GetInstance().TaskCount("ProbeEffect_Task"), before + 1);
}

TEST(OneInputWrapperTest, FormatNegotiation) {
  OneInputFixture f;
  auto format = MakeRef<Proc::FormatCodecVideo>(PixFmt::YUVA420P, Proc::ColorSpace{},
                                                Proc::FrameInfo{4, 4, 1, 1});
  f.wrapper->UpdateFormatCodecVideo(format);
  EXPECT_EQ(format->GetPixelFormat(), PixFmt::RGBA);
  format->SetPixelFormat(PixFmt::YUV420P);
  f.wrapper->UpdateFormatCodecVideo(format);
  EXPECT_EQ(format->GetPixelFormat(), PixFmt::RGBX);
}

// --- two inputs -----------------------------------------------------------

struct TwoInputFixture {
  Ptr<Proc::EffectRegistry> registry = Testing::MakeRegistry();
  std::shared_ptr<TwoInputProbe> probe = std::make_shared<TwoInputProbe>();
  Ptr<TwoInputEffectWrapper> wrapper = MakeRef<TwoInputEffectWrapper>(registry, probe);
};

TEST(TwoInputWrapperTest, InvalidFrameSetsRaiseTheirMessages) {
  TwoInputFixture f;
  Ptr<Proc::IData> none;
  f.wrapper->ProcessData(none, nullptr);
  EXPECT_FALSE(none);

  Ptr<Proc::IData> first = GpuFrame(0, 40000);
  const Ptr<Proc::IData> original = first;
  EXPECT_EQ(MessageOf([&] { f.wrapper->ProcessData(first, nullptr); }),
            "Both frames data must be present or absent");
  EXPECT_EQ(MessageOf([&] { f.wrapper->ProcessData(none, first); }),
            "Both frames data must be present or absent");
  EXPECT_EQ(
      MessageOf([&] { f.wrapper->ProcessData(first, GpuFrame(0, 40000, PixFmt::RGBA, 2, 2)); }),
      "Both frames must have the same size to operate");
  auto other = Testing::MakeTestPattern(4, 2, PixFmt::RGBA);
  auto hdr = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{9, 16, 9, 0}, PixFmt::RGBA,
                                            other->GetFrameInfo());
  EXPECT_EQ(MessageOf([&] { f.wrapper->ProcessData(first, hdr); }),
            "Both frames must have the same color space to operate");
  EXPECT_EQ(first, original);
  EXPECT_EQ(MessageOf([&] { f.wrapper->ProcessData(std::vector<Ptr<Proc::IData>>{first}); }),
            "invalid data count");
}

TEST(TwoInputWrapperTest, UploadsMemoryInputsAndAlwaysCarriesAlpha) {
  TwoInputFixture f;
  f.wrapper->SetProgress(Proc::TimeToProgress(Linear10s));
  auto a = Testing::MakeTestPattern(4, 2, PixFmt::RGBX);
  a->SetStartTime(kSecond);
  a->SetDuration(40000);
  Ptr<Proc::IData> result =
      f.wrapper->ProcessData({a, Testing::MakeTestPattern(4, 2, PixFmt::RGBX)});
  auto* output = dynamic_cast<DataVideoOGL*>(result.get());
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(output->GetPixelFormat(), PixFmt::RGBA);
  Testing::Download(result);
  const auto calls = f.probe->log.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].inputs, 2u);
  EXPECT_DOUBLE_EQ(calls[0].progress, Linear10s(kSecond + 40000));
  EXPECT_EQ(f.wrapper->GetStatistic().GetChild("type"), Property(8));
  EXPECT_EQ(f.wrapper->GetTraits(), 7);
}

TEST(TwoInputWrapperTest, WithoutUploaderMemoryInputIsAnError) {
  auto wrapper = MakeRef<TwoInputEffectWrapper>(nullptr, std::make_shared<TwoInputProbe>());
  Ptr<Proc::IData> first = Testing::MakeTestPattern(2, 2, PixFmt::RGBA);
  EXPECT_THROW(wrapper->ProcessData(first, Testing::MakeTestPattern(2, 2, PixFmt::RGBA)),
               EffectException);
  Ptr<Proc::IData> gpu = GpuFrame(0, 1);
  EXPECT_NO_THROW(wrapper->ProcessData(gpu, GpuFrame(0, 1)));
}

// --- variable inputs ------------------------------------------------------

TEST(VarInputWrapperTest, InvalidListsRaiseTheirMessages) {
  auto registry = Testing::MakeRegistry();
  auto wrapper = MakeRef<VarInputEffectWrapper>(registry, std::make_shared<VarInputProbe>());
  EXPECT_EQ(MessageOf([&] { wrapper->ProcessFrames({}); }), "All frames data must be present");
  EXPECT_EQ(MessageOf([&] {
              wrapper->ProcessFrames({GpuFrame(0, 1), nullptr});
            }),
            "All frames data must be present");
  auto hdr = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{9, 16, 9, 0}, PixFmt::RGBA,
                                            Proc::FrameInfo{4, 2, 1, 1});
  EXPECT_EQ(MessageOf([&] {
              wrapper->ProcessFrames({GpuFrame(0, 1), hdr});
            }),
            "All frames must have the same color space to operate");
}

TEST(VarInputWrapperTest, AlphaOfAnyEntryMakesTheOutputCarryAlpha) {
  auto registry = Testing::MakeRegistry();
  auto probe = std::make_shared<VarInputProbe>();
  auto wrapper = MakeRef<VarInputEffectWrapper>(registry, probe);
  Ptr<Proc::IData> opaque = wrapper->ProcessFrames(
      {GpuFrame(0, 1, PixFmt::RGBX), GpuFrame(0, 1, PixFmt::RGBX), GpuFrame(0, 1, PixFmt::RGBX)});
  EXPECT_EQ(dynamic_cast<DataVideoOGL&>(*opaque).GetPixelFormat(), PixFmt::RGBX);
  Ptr<Proc::IData> alpha = wrapper->ProcessFrames(
      {GpuFrame(0, 1, PixFmt::RGBX), GpuFrame(0, 1, PixFmt::RGBX), GpuFrame(0, 1, PixFmt::RGBA)});
  EXPECT_EQ(dynamic_cast<DataVideoOGL&>(*alpha).GetPixelFormat(), PixFmt::RGBA);
  Testing::Download(alpha);
  EXPECT_EQ(probe->log.Calls().back().inputs, 3u);
}

// --- caches ---------------------------------------------------------------

TEST(CacheTest, CreatedOnceKeptAcrossFramesAndRenewedAfterReset) {
  auto probe = std::make_shared<OneInputProbe>(true);
  auto wrapper = MakeRef<OneInputEffectWrapper>(nullptr, probe);
  const int createdBefore = Testing::ProbeCache::created;
  for (int i = 0; i < 3; ++i) {
    Ptr<Proc::IData> data = GpuFrame(i, 1);
    wrapper->ProcessData(data);
  }
  EXPECT_EQ(Testing::ProbeCache::created - createdBefore, 1);
  wrapper->ResetCache();
  Ptr<Proc::IData> data = GpuFrame(9, 1);
  wrapper->ProcessData(data);
  Testing::Download(data);
  EXPECT_EQ(Testing::ProbeCache::created - createdBefore, 2);
  EXPECT_EQ(probe->cacheRequests, 2);
}

TEST(CacheTest, AlgorithmWithoutCacheIsAskedAgainEachFrame) {
  OneInputFixture f;
  for (int i = 0; i < 2; ++i) {
    Ptr<Proc::IData> data = GpuFrame(i, 1);
    f.wrapper->ProcessData(data);
  }
  EXPECT_EQ(f.probe->cacheRequests, 2);
}

TEST(CacheTest, LastReferenceDroppedOffThreadIsDeletedByOneDestroyerTask) {
  OglManager& manager = OglManager::GetInstance();
  manager.Finish();
  const auto destroyersBefore = manager.TaskCount("CacheDestroyer");
  const int aliveBefore = Testing::ProbeCache::alive;
  Ptr<OglCache> cache(new Testing::ProbeCache());
  cache.reset();
  manager.Finish();
  EXPECT_EQ(manager.TaskCount("CacheDestroyer"), destroyersBefore + 1);
  EXPECT_EQ(Testing::ProbeCache::alive, aliveBefore);
  EXPECT_TRUE(Testing::ProbeCache::lastDeletedOnGlThread);
}

TEST(CacheTest, LastReferenceDroppedOnTheGlThreadIsDeletedAtOnce) {
  OglManager& manager = OglManager::GetInstance();
  manager.Finish();
  const auto destroyersBefore = manager.TaskCount("CacheDestroyer");
  Ptr<OglCache> cache(new Testing::ProbeCache());
  const int alive = Testing::ProbeCache::alive;
  int aliveAfterDrop = -1;
  manager.Invoke([&](ShaderStorage&) {
    cache.reset();
    aliveAfterDrop = Testing::ProbeCache::alive;
  });
  EXPECT_EQ(aliveAfterDrop, alive - 1);
  EXPECT_EQ(manager.TaskCount("CacheDestroyer"), destroyersBefore);
}

TEST(CacheTest, MissingOrForeignCacheIsRefused) {
  EXPECT_EQ(MessageOf([] { throwOnNullptr(nullptr); }), "Wrong effect cache");
  EXPECT_THROW(throwOnNullptr(nullptr), std::logic_error);
  class OtherCache final : public OglCache {};
  Ptr<OglCache> other(new OtherCache());
  EXPECT_THROW(CacheAs<Testing::ProbeCache>(other), std::bad_cast);
  OglManager::GetInstance().Invoke([&](ShaderStorage&) { other.reset(); });
}

}  // namespace
}  // namespace Obrisk::Ogl
