#include "support/ImageTestSupport.h"

#include <algorithm>
#include <cmath>
#include <random>

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

Ptr<Ogl::DataVideoOGL> Uploaded(const Image& image, Proc::PixFmt format = Proc::PixFmt::RGBA) {
  auto data = Upload(ToFrame(image, format));
  data->Wait();
  return data;
}

}  // namespace

Image Flat(int width, int height, const Texel& colour) {
  return MakeImage(width, height, [&](int, int) { return colour; });
}

Image RetroPattern(int width, int height) {
  return MakeImage(width, height, [](int x, int y) {
    return Texel{static_cast<float>((x * 37 + y * 11) % 256),
                 static_cast<float>((x * 13 + y * 71 + 40) % 256),
                 static_cast<float>((x * y * 7 + 90) % 256),
                 static_cast<float>(128 + (x * 5 + y * 3) % 128)};
  });
}

Image Noise(int width, int height, unsigned seed, bool opaque) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> level(0, 255);
  return MakeImage(width, height, [&](int, int) {
    return Texel{float(level(random)), float(level(random)), float(level(random)),
                 opaque ? 255.0f : float(level(random))};
  });
}

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

float Level(double value) {
  return static_cast<float>(std::round(std::clamp(value, 0.0, 1.0) * 255.0));
}

::testing::AssertionResult Near(const Image& actual, const Image& expected, float tolerance) {
  return Near(actual, expected, tolerance, [](int, int) { return false; });
}

::testing::AssertionResult Near(const Image& actual, const Image& expected, float tolerance,
                                const std::function<bool(int x, int y)>& skip) {
  if (actual.width != expected.width || actual.height != expected.height) {
    return ::testing::AssertionFailure()
           << "size " << actual.width << "x" << actual.height << ", expected " << expected.width
           << "x" << expected.height;
  }
  Difference worst;
  for (int y = 0; y < actual.height; ++y) {
    for (int x = 0; x < actual.width; ++x) {
      if (skip(x, y)) continue;
      for (int c = 0; c < 4; ++c) {
        const float d = std::fabs(actual.At(x, y)[c] - expected.At(x, y)[c]);
        if (d > worst.value) worst = {d, x, y, c};
      }
    }
  }
  if (worst.value <= tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "at " << worst.x << "," << worst.y << " channel " << worst.channel << ": "
         << actual.At(worst.x, worst.y)[worst.channel] << " for "
         << expected.At(worst.x, worst.y)[worst.channel] << " (tolerance " << tolerance << ")";
}

Image RunAt(Ogl::IOneInputEffectAlgorithm& algorithm, const Image& input, double time,
            double progress, const Ptr<Ogl::OglCache>& cache, Proc::PixFmt sourceFormat,
            Proc::PixFmt targetFormat) {
  auto source = Uploaded(input, sourceFormat);
  std::vector<std::uint8_t> bottomFirst(input.texels.size() * 4);
  Ogl::OglManager::GetInstance().Invoke([&](Ogl::ShaderStorage& storage) {
    Ptr<Ogl::Frame> target =
        Ogl::Frame::CreateIntermediate({}, targetFormat, source->GetFrameInfo());
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
