// Helpers for the blur tests: CPU pictures in GPU orientation and ways to
// run an effect on one.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "frame/EffectAlgorithm.h"
#include "obrisk/host/Data.h"
#include "obrisk/host/Settings.h"

namespace Obrisk::Testing {

// RGBA values 0 to 255 as floats, row 0 at the bottom (as the GPU sees it).
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::array<float, 4>> texels;

  std::array<float, 4>& At(int x, int y) { return texels[static_cast<std::size_t>(y) * width + x]; }
  const std::array<float, 4>& At(int x, int y) const {
    return texels[static_cast<std::size_t>(y) * width + x];
  }
  // The texel at (x, y) with coordinates clamped to the picture.
  const std::array<float, 4>& Clamped(int x, int y) const;
  // Bilinear sample at texture coordinates (u, v), clamped to the edge.
  std::array<float, 4> Sample(float u, float v) const;
};

Image MakeImage(int width, int height, const std::function<std::array<float, 4>(int, int)>& f);
// Rounds every value to the nearest 8-bit level, as an 8-bit texture stores it.
Image Quantised(Image image);

Image ToImage(const Proc::DataVideoMemory& frame);
Ptr<Proc::DataVideoMemory> ToFrame(const Image& image, Proc::PixFmt format);

// Runs the registered effect of the settings' class on the frame, through
// the host's interface.
Image RunRegistered(const Proc::Settings& settings, const Image& input,
                    Proc::PixFmt format = Proc::PixFmt::RGBA);

// Runs ProcessGpu of `algorithm` directly on the OpenGL thread, as an
// algorithm that embeds another does, at `time` seconds with a source frame
// lasting `duration` microseconds.
Image RunDirect(Ogl::IOneInputEffectAlgorithm& algorithm, const Image& input,
                const Ptr<Ogl::OglCache>& cache, Proc::PixFmt format = Proc::PixFmt::RGBA,
                double time = 0.0, std::int64_t duration = 0);

// The largest difference of any channel between two pictures of one size,
// and where it is.
struct Difference {
  float value = 0.0f;
  int x = 0;
  int y = 0;
  int channel = 0;
};
Difference MaxDifference(const Image& a, const Image& b, int channels = 4);

// Mean and standard deviation of one channel over a rectangle.
struct Stats {
  double mean = 0.0;
  double deviation = 0.0;
};
Stats ChannelStats(const Image& image, int channel, int x0, int y0, int x1, int y1);

}  // namespace Obrisk::Testing
