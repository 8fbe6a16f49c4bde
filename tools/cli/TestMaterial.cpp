#include "TestMaterial.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace Obrisk::Tools {
namespace {

using Rgba = std::array<std::uint8_t, 4>;

constexpr std::uint8_t kMax = 255;
// 75% colour bars (white, yellow, cyan, green, magenta, red, blue).
constexpr std::uint8_t kBarLevel = 191;
constexpr std::array<Rgba, 7> kBars{{{kBarLevel, kBarLevel, kBarLevel, kMax},
                                     {kBarLevel, kBarLevel, 0, kMax},
                                     {0, kBarLevel, kBarLevel, kMax},
                                     {0, kBarLevel, 0, kMax},
                                     {kBarLevel, 0, kBarLevel, kMax},
                                     {kBarLevel, 0, 0, kMax},
                                     {0, 0, kBarLevel, kMax}}};
// A light skin tone, sRGB.
constexpr Rgba kSkin{224, 172, 140, kMax};
constexpr Rgba kPaper{236, 236, 228, kMax};
constexpr Rgba kInk{24, 24, 32, kMax};
// Glyph cells of the text-like detail, in pixels.
constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr double kTwoPi = 6.283185307179586;
// The grain of the noisy card: its deviation in 8-bit levels, and its seed.
constexpr double kGrainLevels = 24.0;
constexpr unsigned kGrainSeed = 7;
// The lights card: how many lights, their radius as a share of the height,
// and their colours.
constexpr int kLights = 18;
constexpr double kLightRadius = 0.012;
constexpr double kScatterX = 0.7548776662466927;  // 1 / p, p the plastic number
constexpr double kScatterY = 0.5698402909980532;  // 1 / p^2
constexpr double kLightMargin = 0.08;
constexpr double kLightSpan = 1.0 - 2.0 * kLightMargin;
constexpr std::array<Rgba, 4> kLightColours{
    {{255, 240, 200, kMax}, {255, 170, 60, kMax}, {120, 200, 255, kMax}, {255, 90, 120, kMax}}};
// An upright picture's width over its height.
constexpr double kUprightAspect = 9.0 / 16.0;

void Put(Proc::DataVideoMemory& frame, int x, int y, const Rgba& color) {
  std::copy(color.begin(), color.end(), frame.Row(y) + static_cast<std::size_t>(x) * 4);
}

std::uint8_t Ramp(int x, int width) {
  return static_cast<std::uint8_t>(width > 1 ? x * kMax / (width - 1) : 0);
}

// A deterministic pattern of strokes that reads like small print.
bool IsInk(int x, int y) {
  const int column = x % (kGlyphWidth + 1);
  const int row = y % (kGlyphHeight + 3);
  if (column == kGlyphWidth || row >= kGlyphHeight) return false;
  const unsigned glyph = static_cast<unsigned>((x / (kGlyphWidth + 1)) * 2654435761u +
                                               (y / (kGlyphHeight + 3)) * 40503u);
  return ((glyph >> ((column + row * kGlyphWidth) % 29)) & 1u) != 0;
}

Rgba DetailBand(int x, int y, int width) {
  const int part = x * 4 / width;
  switch (part) {
    case 0:
      return kSkin;
    case 1:  // one-pixel vertical lines
      return x % 2 ? kInk : kPaper;
    case 2:  // one-pixel horizontal lines
      return y % 2 ? kInk : kPaper;
    default:
      return IsInk(x, y) ? kInk : kPaper;
  }
}

}  // namespace

Ptr<Proc::DataVideoMemory> MakeTestCard(int width, int height) {
  auto frame = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::PixFmt::RGBA,
                                              Proc::FrameInfo{width, height, 1, 1});
  const int barsEnd = height / 2;
  const int rampEnd = height * 5 / 8;
  const int detailEnd = height * 7 / 8;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (y < barsEnd) {
        Put(*frame, x, y, kBars[static_cast<std::size_t>(x * 7 / width)]);
      } else if (y < rampEnd) {
        const std::uint8_t grey = Ramp(x, width);
        Put(*frame, x, y, {grey, grey, grey, kMax});
      } else if (y < detailEnd) {
        Put(*frame, x, y, DetailBand(x, y, width));
      } else {
        Put(*frame, x, y, {kMax, kMax / 2, 0, Ramp(x, width)});
      }
    }
  }
  return frame;
}

Ptr<Proc::DataVideoMemory> MakeClipFrame(int width, int height, int index, double fps) {
  auto frame = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::PixFmt::RGBA,
                                              Proc::FrameInfo{width, height, 1, 1});
  const double seconds = index / fps;
  const double ballX = width * (0.5 + 0.4 * std::sin(kTwoPi * seconds / 2.0));
  const double ballY = height * 0.35;
  const double radius = height * 0.12;
  const double boxY = height * (0.5 + 0.3 * std::cos(kTwoPi * seconds / 3.0));
  const double boxX = width * 0.7;
  const double half = height * 0.1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Rgba color{static_cast<std::uint8_t>(40 + 60 * y / height),
                 static_cast<std::uint8_t>(60 + 80 * x / width), 120, kMax};
      if (std::hypot(x - ballX, y - ballY) < radius) color = {230, 70, 40, kMax};
      if (std::abs(x - boxX) < half && std::abs(y - boxY) < half) color = {250, 220, 60, kMax};
      Put(*frame, x, y, color);
    }
  }
  const auto duration = static_cast<std::int64_t>(std::llround(1000000.0 / fps));
  frame->SetStartTime(index * duration);
  frame->SetDuration(duration);
  return frame;
}

Ptr<Proc::DataVideoMemory> MakeNoisyCard(int width, int height) {
  auto frame = MakeTestCard(width, height);
  std::mt19937 generator(kGrainSeed);
  std::normal_distribution<double> grain(0.0, kGrainLevels);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = frame->Row(y);
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) {
        std::uint8_t& value = row[static_cast<std::size_t>(x) * 4 + c];
        value =
            static_cast<std::uint8_t>(std::clamp(std::lround(value + grain(generator)), 0L, 255L));
      }
    }
  }
  return frame;
}

Ptr<Proc::DataVideoMemory> MakeLightsCard(int width, int height) {
  auto frame = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::PixFmt::RGBA,
                                              Proc::FrameInfo{width, height, 1, 1});
  // The night: 8-bit levels from a deep blue at the top to a dark purple below.
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Put(*frame, x, y,
          {static_cast<std::uint8_t>(10 + 30 * y / height), 8,
           static_cast<std::uint8_t>(40 - 20 * y / height), kMax});
    }
  }
  // The lights lie on a fixed, even scatter: the additive recurrence of the
  // plastic number (steps kScatterX across and kScatterY down), kept off the edges.
  const double radius = std::max(1.0, height * kLightRadius);
  for (int i = 0; i < kLights; ++i) {
    const double cx = width * (kLightMargin + kLightSpan * std::fmod(0.5 + i * kScatterX, 1.0));
    const double cy = height * (kLightMargin + kLightSpan * std::fmod(0.5 + i * kScatterY, 1.0));
    const Rgba& colour = kLightColours[static_cast<std::size_t>(i) % kLightColours.size()];
    for (int y = std::max(0, static_cast<int>(cy - radius));
         y <= std::min(height - 1, static_cast<int>(cy + radius)); ++y) {
      for (int x = std::max(0, static_cast<int>(cx - radius));
           x <= std::min(width - 1, static_cast<int>(cx + radius)); ++x) {
        if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= radius) Put(*frame, x, y, colour);
      }
    }
  }
  return frame;
}

Ptr<Proc::DataVideoMemory> MakeVerticalClipFrame(int width, int height, int index, double fps) {
  const int inner = std::clamp(static_cast<int>(std::lround(height * kUprightAspect)), 1, width);
  const auto picture = MakeClipFrame(inner, height, index, fps);
  auto frame = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::PixFmt::RGBA,
                                              Proc::FrameInfo{width, height, 1, 1});
  const int left = (width - inner) / 2;
  for (int y = 0; y < height; ++y) {
    std::fill(frame->Row(y), frame->Row(y) + frame->Stride(), std::uint8_t{0});
    std::copy(picture->Row(y), picture->Row(y) + picture->Stride(),
              frame->Row(y) + static_cast<std::size_t>(left) * 4);
  }
  frame->SetStartTime(picture->GetStartTime());
  frame->SetDuration(picture->GetDuration());
  return frame;
}

}  // namespace Obrisk::Tools
