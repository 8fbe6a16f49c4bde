#include "blur/BlurTestSupport.h"

#include <algorithm>
#include <cmath>

#include "obrisk/ogl/OglManager.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Testing {

const std::array<float, 4>& Image::Clamped(int x, int y) const {
  return At(std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1));
}

std::array<float, 4> Image::Sample(float u, float v) const {
  const float px = u * static_cast<float>(width) - 0.5f;
  const float py = v * static_cast<float>(height) - 0.5f;
  const int x0 = static_cast<int>(std::floor(px));
  const int y0 = static_cast<int>(std::floor(py));
  const float fx = px - static_cast<float>(x0);
  const float fy = py - static_cast<float>(y0);
  std::array<float, 4> out{};
  for (int c = 0; c < 4; ++c) {
    const float bottom = Clamped(x0, y0)[c] * (1 - fx) + Clamped(x0 + 1, y0)[c] * fx;
    const float top = Clamped(x0, y0 + 1)[c] * (1 - fx) + Clamped(x0 + 1, y0 + 1)[c] * fx;
    out[c] = bottom * (1 - fy) + top * fy;
  }
  return out;
}

Image MakeImage(int width, int height, const std::function<std::array<float, 4>(int, int)>& f) {
  Image image{width, height, {}};
  image.texels.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.At(x, y) = f(x, y);
  }
  return image;
}

Image Quantised(Image image) {
  for (auto& texel : image.texels) {
    for (float& value : texel) value = std::round(std::clamp(value, 0.0f, 255.0f));
  }
  return image;
}

Image ToImage(const Proc::DataVideoMemory& frame) {
  const int height = frame.GetFrameInfo().height;
  return MakeImage(frame.GetFrameInfo().width, height, [&](int x, int y) {
    const Pixel p = PixelAt(frame, x, height - 1 - y);
    return std::array<float, 4>{float(p[0]), float(p[1]), float(p[2]), float(p[3])};
  });
}

Ptr<Proc::DataVideoMemory> ToFrame(const Image& image, Proc::PixFmt format) {
  return MakeFrame(image.width, image.height, format, [&](int x, int y) {
    const auto& t = image.At(x, image.height - 1 - y);
    Pixel p;
    for (int c = 0; c < 4; ++c) {
      p[c] = static_cast<std::uint8_t>(std::lround(std::clamp(t[c], 0.0f, 255.0f)));
    }
    return p;
  });
}

Image RunRegistered(const Proc::Settings& settings, const Image& input, Proc::PixFmt format) {
  auto registry = MakeRegistry();
  Ptr<Proc::IEffect> effect = CreateEffect(*registry, settings.GetClassId());
  effect->SetSettingsObject(settings);
  Ptr<Proc::IData> data = Upload(ToFrame(input, format));
  return ToImage(*Download(effect->ProcessData({data})));
}

Image RunDirect(Ogl::IOneInputEffectAlgorithm& algorithm, const Image& input,
                const Ptr<Ogl::OglCache>& cache, Proc::PixFmt format, double time,
                std::int64_t duration) {
  auto source = Upload(ToFrame(input, format));
  source->Wait();
  source->SetDuration(duration);
  std::vector<std::uint8_t> bottomFirst(input.texels.size() * 4);
  Ogl::OglManager::GetInstance().Invoke([&](Ogl::ShaderStorage& storage) {
    Ptr<Ogl::Frame> target =
        Ogl::Frame::CreateIntermediate({}, Proc::PixFmt::RGBA, source->GetFrameInfo());
    algorithm.ProcessGpu(target, source, time, 0.0, storage, cache);
    target->GetFirstTexture().Download(0, bottomFirst.data(), storage.FBO());
  });
  return MakeImage(input.width, input.height, [&](int x, int y) {
    const std::uint8_t* p =
        bottomFirst.data() + (static_cast<std::size_t>(y) * input.width + x) * 4;
    return std::array<float, 4>{float(p[0]), float(p[1]), float(p[2]), float(p[3])};
  });
}

Difference MaxDifference(const Image& a, const Image& b, int channels) {
  Difference worst;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      for (int c = 0; c < channels; ++c) {
        const float d = std::fabs(a.At(x, y)[c] - b.At(x, y)[c]);
        if (d > worst.value) worst = {d, x, y, c};
      }
    }
  }
  return worst;
}

Stats ChannelStats(const Image& image, int channel, int x0, int y0, int x1, int y1) {
  double sum = 0.0;
  double squares = 0.0;
  const double count = static_cast<double>(x1 - x0) * (y1 - y0);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const double value = image.At(x, y)[channel];
      sum += value;
      squares += value * value;
    }
  }
  const double mean = sum / count;
  return {mean, std::sqrt(std::max(0.0, squares / count - mean * mean))};
}

}  // namespace Obrisk::Testing
