#include "transitions/TransitionTestSupport.h"

#include <algorithm>
#include <cstdlib>

#include "obrisk/host/Effect.h"

namespace Obrisk::Testing {

namespace {

Proc::EffectRegistry& Registry() {
  static const Ptr<Proc::EffectRegistry> registry = MakeRegistry();
  return *registry;
}

std::uint8_t Scaled(int value, int extent) {
  return static_cast<std::uint8_t>(value * 255 / extent);
}

}  // namespace

Ptr<Proc::DataVideoMemory> FirstPicture() {
  return MakeFrame(kTransitionWidth, kTransitionHeight, Proc::PixFmt::RGBA, [](int x, int y) {
    return Pixel{Scaled(x, kTransitionWidth - 1), 40, Scaled(y, kTransitionHeight - 1), 255};
  });
}

Ptr<Proc::DataVideoMemory> SecondPicture() {
  return MakeFrame(kTransitionWidth, kTransitionHeight, Proc::PixFmt::RGBA, [](int x, int y) {
    return Pixel{220, Scaled(kTransitionHeight - 1 - y, kTransitionHeight - 1),
                 static_cast<std::uint8_t>((x * 7 + y * 3) % 256), 255};
  });
}

Ptr<Proc::DataVideoMemory> RunTransition(const Proc::Settings& settings,
                                         const Ptr<Proc::DataVideoMemory>& first,
                                         const Ptr<Proc::DataVideoMemory>& second,
                                         double progress) {
  Ptr<Proc::IEffect> effect = CreateEffect(Registry(), settings.GetClassId());
  effect->SetSettingsObject(settings);
  effect->SetProgress(Proc::TimeToProgress([progress](std::int64_t) { return progress; }));
  return Download(effect->ProcessData({Upload(first), Upload(second)}));
}

int MaxChannelDifference(const Proc::DataVideoMemory& a, const Proc::DataVideoMemory& b) {
  const auto& info = a.GetFrameInfo();
  int largest = 0;
  for (int y = 0; y < info.height; ++y) {
    for (int x = 0; x < info.width; ++x) {
      const Pixel pa = PixelAt(a, x, y);
      const Pixel pb = PixelAt(b, x, y);
      for (int c = 0; c < 4; ++c) largest = std::max(largest, std::abs(pa[c] - pb[c]));
    }
  }
  return largest;
}

std::string TransitionCaseName(const ::testing::TestParamInfo<TransitionCase>& info) {
  return info.param.name;
}

}  // namespace Obrisk::Testing
