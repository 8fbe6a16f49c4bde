#include "distort/DistortTestSupport.h"

#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

#include "obrisk/ogl/OglManager.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Testing {
namespace {

// Levels a slow gradient climbs over the frame.
constexpr float kRamp = 200.0f;

Image Read(const std::vector<std::uint8_t>& bottomFirst, int width, int height) {
  return MakeImage(width, height, [&](int x, int y) {
    const std::uint8_t* p = bottomFirst.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    return Texel{float(p[0]), float(p[1]), float(p[2]), float(p[3])};
  });
}

Ptr<Ogl::DataVideoOGL> Uploaded(const Image& image) {
  auto data = Upload(ToFrame(image, Proc::PixFmt::RGBA));
  data->Wait();
  return data;
}

}  // namespace

Image Smooth(int width, int height) {
  return Quantised(MakeImage(width, height, [=](int x, int y) {
    const float u = (x + 0.5f) / float(width);
    const float v = (y + 0.5f) / float(height);
    return Texel{20.0f + kRamp * u, 20.0f + kRamp * v, 20.0f + kRamp * 0.5f * (u + v), 255.0f};
  }));
}

Image Numbered(int width, int height) {
  return MakeImage(width, height, [](int x, int y) {
    return Texel{float(x * 16 % 256), float(y * 28 % 256), float((7 * x + 11 * y) % 256), 255.0f};
  });
}

Image RunAt(Ogl::IOneInputEffectAlgorithm& algorithm, const Image& input, double time,
            double progress, const Ptr<Ogl::OglCache>& cache) {
  auto source = Uploaded(input);
  std::vector<std::uint8_t> bottomFirst(input.texels.size() * 4);
  Ogl::OglManager::GetInstance().Invoke([&](Ogl::ShaderStorage& storage) {
    Ptr<Ogl::Frame> target =
        Ogl::Frame::CreateIntermediate({}, Proc::PixFmt::RGBA, source->GetFrameInfo());
    algorithm.ProcessGpu(target, source, time, progress, storage, cache);
    target->GetFirstTexture().Download(0, bottomFirst.data(), storage.FBO());
  });
  return Read(bottomFirst, input.width, input.height);
}

Image RunAt(Ogl::ITwoInputEffectAlgorithm& algorithm, const Image& first, const Image& second,
            double time, double progress) {
  auto a = Uploaded(first);
  auto b = Uploaded(second);
  std::vector<std::uint8_t> bottomFirst(first.texels.size() * 4);
  Ogl::OglManager::GetInstance().Invoke([&](Ogl::ShaderStorage& storage) {
    Ptr<Ogl::Frame> target =
        Ogl::Frame::CreateIntermediate({}, Proc::PixFmt::RGBA, a->GetFrameInfo());
    algorithm.ProcessGpu(target, a, b, time, progress, storage, nullptr);
    target->GetFirstTexture().Download(0, bottomFirst.data(), storage.FBO());
  });
  return Read(bottomFirst, first.width, first.height);
}

std::vector<std::pair<int, int>> ChosenPixels(int width, int height) {
  const int right = width - 1;
  const int top = height - 1;
  return {
      {width / 2, height / 2}, {0, 0},           {right, 0},      {0, top},           {right, top},
      {width / 2, 0},          {width / 2, top}, {0, height / 2}, {right, height / 2}};
}

void ExpectWarp(const Image& output, const Image& input, const Mapping& mapping, float tolerance) {
  for (const auto& [x, y] : ChosenPixels(output.width, output.height)) {
    const Point at = mapping({(x + 0.5) / output.width, (y + 0.5) / output.height});
    const Texel expected = input.Sample(float(at[0]), float(at[1]));
    for (int c = 0; c < 4; ++c) {
      EXPECT_NEAR(output.At(x, y)[c], expected[c], tolerance)
          << "pixel " << x << "," << y << " channel " << c << " reads " << at[0] << "," << at[1];
    }
  }
}

}  // namespace Obrisk::Testing
