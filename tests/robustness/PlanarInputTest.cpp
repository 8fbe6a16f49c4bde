// Every registered one-input effect once on planar Y'CbCr input: the result
// matches that of the same picture given as RGBA.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "frame/RandomDraws.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/YUVTextures.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PixFmt;

constexpr int kWidth = 16;
constexpr int kHeight = 9;
// The uploads' colour space, BT.709; with full chroma (4:4:4) the planes hold
// the picture up to rounding.
const Proc::ColorSpace kSpace{};

// Fills a planar frame from an RGBA one.
class ToPlanesTask final : public IOglTask {
 public:
  explicit ToPlanesTask(Ptr<DataVideoOGL> rgba) : IOglTask(1, "ToPlanesTask"), rgba_(rgba) {}
  void Execute(ShaderStorage& storage) override {
    YUVTextures planes = GetFrame()->Planes();
    YUVConverter(storage, kSpace).ToYUV(rgba_->FrameData()->GetFirstTexture(), planes);
    rgba_.reset();
  }

 private:
  Ptr<DataVideoOGL> rgba_;
};

Ptr<Proc::DataVideoMemory> OpaquePicture() {
  return Testing::MakeFrame(kWidth, kHeight, PixFmt::RGBX, [](int x, int y) {
    return Testing::Pixel{static_cast<std::uint8_t>(40 + x * 12),
                          static_cast<std::uint8_t>(200 - y * 15),
                          static_cast<std::uint8_t>((x * y * 7) % 256), 255};
  });
}

Ptr<DataVideoOGL> Rgba() {
  return Testing::Upload(OpaquePicture());
}

Ptr<DataVideoOGL> Planar() {
  Ptr<DataVideoOGL> rgba = Rgba();
  auto planar = DataVideoOGL::Create(kSpace, PixFmt::YUV444P, {kWidth, kHeight, 1, 1});
  planar->AddDependency(rgba);
  planar->AttachTask(MakeRef<ToPlanesTask>(rgba));
  return planar;
}

std::vector<std::string> OneInputClasses() {
  std::vector<std::string> ids;
  const auto registry = Testing::MakeRegistry();
  for (const auto& entry : registry->Entries()) {
    if (entry.kind == Proc::EffectKind::OneInput &&
        entry.classId != Proc::SettingsFrameUploader::CLASS_ID) {
      ids.push_back(entry.classId);
    }
  }
  return ids;
}

class PlanarInput : public ::testing::TestWithParam<std::string> {};

// Mean difference per channel, in levels, of two pictures of one size.
double MeanDifference(const Proc::DataVideoMemory& a, const Proc::DataVideoMemory& b) {
  const Proc::FrameInfo& info = a.GetFrameInfo();
  double sum = 0.0;
  for (int y = 0; y < info.height; ++y) {
    for (int x = 0; x < info.width; ++x) {
      const auto p = Testing::PixelAt(a, x, y);
      const auto q = Testing::PixelAt(b, x, y);
      for (int c = 0; c < 3; ++c) sum += std::abs(p[c] - q[c]);
    }
  }
  return sum / (info.width * info.height * 3);
}

TEST_P(PlanarInput, GivesTheResultOfTheSamePictureInRgba) {
  auto registry = Testing::MakeRegistry();
  // Effects that draw random values draw the same ones for both inputs.
  constexpr unsigned kSeed = 7;
  auto run = [&](const Ptr<DataVideoOGL>& input) {
    auto effect = Testing::CreateEffect(*registry, GetParam());
    SeedRandom(kSeed);
    return Testing::Download(effect->ProcessData({Ptr<Proc::IData>(input)}));
  };
  Ptr<Proc::DataVideoMemory> fromRgba;
  try {
    fromRgba = run(Rgba());
  } catch (const std::exception& error) {
    GTEST_SKIP() << "needs settings to run: " << error.what();
  }
  const auto fromPlanes = run(Planar());
  ASSERT_EQ(fromRgba->GetFrameInfo().width, fromPlanes->GetFrameInfo().width);
  ASSERT_EQ(fromRgba->GetFrameInfo().height, fromPlanes->GetFrameInfo().height);
  constexpr double kRoundingLevels = 2.0;
  EXPECT_LE(MeanDifference(*fromRgba, *fromPlanes), kRoundingLevels);
}

INSTANTIATE_TEST_SUITE_P(RegisteredEffects, PlanarInput, ::testing::ValuesIn(OneInputClasses()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace Obrisk::Ogl
