// Packages of tests/isf/packages as effects, and solid frames to feed them.
#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "obrisk/isf/ISFUtils.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Testing::Isf {

using Proc::PixFmt;

constexpr int kWidth = 24;
constexpr int kHeight = 12;
constexpr std::int64_t kFrame = 40000;  // 25 frames per second, in microseconds

inline std::uint8_t Byte(double value) {
  return static_cast<std::uint8_t>(std::lround(value * 255.0));
}

inline std::string ReadPackage(const std::string& name) {
  std::ifstream file(std::string(QUENVARA_ISF_PACKAGES) + "/" + name);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

template <class S>
S PackageSettings(const std::string& name) {
  const auto file = Proc::ISF::SplitFragmentFile(ReadPackage(name));
  S settings;
  settings.SetConfig(file.header);
  settings.SetPixelShader(file.body);
  return settings;
}

template <class S>
Ptr<Proc::IEffect> MakeEffect(const std::string& package) {
  return Testing::MakeEffect(PackageSettings<S>(package));
}

inline Ptr<Proc::IData> Solid(const Pixel& color, std::int64_t start = kFrame) {
  auto frame = Testing::MakeFrame(kWidth, kHeight, PixFmt::RGBA, [&](int, int) { return color; });
  Ptr<Proc::IData> data = Testing::Upload(frame);
  data->SetStartTime(start);
  data->SetDuration(kFrame);
  return data;
}

inline void ExpectEverywhere(const Proc::DataVideoMemory& frame, const Pixel& expected,
                             int tolerance) {
  for (int y = 0; y < frame.GetFrameInfo().height; ++y) {
    for (int x = 0; x < frame.GetFrameInfo().width; ++x) {
      const Pixel actual = Testing::PixelAt(frame, x, y);
      for (int c = 0; c < 4; ++c) {
        ASSERT_NEAR(actual[c], expected[c], tolerance) << x << "," << y << " channel " << c;
      }
    }
  }
}

}  // namespace Obrisk::Testing::Isf
