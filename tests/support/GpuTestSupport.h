// Helpers for tests that render real frames and read them back.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "obrisk/host/Data.h"
#include "obrisk/host/Registry.h"
#include "obrisk/ogl/DataVideoOGL.h"

namespace Obrisk::Testing {

using Pixel = std::array<std::uint8_t, 4>;

// A frame whose pixels `pattern(x, y)` gives (rows from the top).
Ptr<Proc::DataVideoMemory> MakeFrame(int width, int height, Proc::PixFmt format,
                                     const std::function<Pixel(int, int)>& pattern);
// Extreme and ordinary values: 0 and 255 in every channel, and a spread between.
Ptr<Proc::DataVideoMemory> MakeTestPattern(int width, int height, Proc::PixFmt format);

// A 16-bit float RGBA frame, opaque, whose grey level rises by one step of
// 1 / (pixels - 1) from pixel to pixel (rows from the top).
Ptr<Proc::DataVideoMemory> MakeHalfRamp(int width, int height);
// Channel `channel` of a pixel of a 16-bit float RGBA frame.
float HalfAt(const Proc::DataVideoMemory& frame, int x, int y, int channel);

Ptr<Ogl::DataVideoOGL> Upload(const Ptr<Proc::DataVideoMemory>& frame);
Ptr<Proc::DataVideoMemory> Download(const Ptr<Proc::IData>& data);
Pixel PixelAt(const Proc::DataVideoMemory& frame, int x, int y);
// Every pixel of an 8-bit frame within `tolerance` (per channel; 255 leaves
// a channel unchecked) of `expected(x, y)`; reports the first that is not.
void ExpectPixels(const Proc::DataVideoMemory& frame,
                  const std::function<Pixel(int, int)>& expected,
                  const std::array<int, 4>& tolerance);

// A registry with the frame uploader and the plug-in's effects registered
// (RegistrySupport.cpp: not in the frame-only support the threading tests use).
Ptr<Proc::EffectRegistry> MakeRegistry();
Ptr<Proc::IEffect> CreateEffect(Proc::EffectRegistry& registry, const std::string& classId);
// An effect of the class, or of the settings' class with those settings,
// from one such registry kept for the whole run.
Ptr<Proc::IEffect> MakeEffect(const std::string& classId);
Ptr<Proc::IEffect> MakeEffect(const Proc::Settings& settings);

}  // namespace Obrisk::Testing
