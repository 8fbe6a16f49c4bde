#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <glog/logging.h>
#include <gtest/gtest.h>

#include "isf/IsfTestSupport.h"
#include "obrisk/host/Exception.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/settings/TemplateSettings.h"
#include "obrisk/settings/TransitionSettings.h"
#include "support/GpuTestSupport.h"
#include "support/Messages.h"
#include "transitions/TransitionTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PixFmt;
using Testing::Pixel;
using Testing::Isf::Byte;
using Testing::Isf::ExpectEverywhere;
using Testing::Isf::kFrame;

constexpr int kWidth = 16;
constexpr int kHeight = 9;
constexpr float kNone = Proc::BaseSettingsTemplateZTL::kNoIntensity;

// Collects the warnings logged while it lives.
class WarningLog : public google::LogSink {
 public:
  WarningLog() { google::AddLogSink(this); }
  ~WarningLog() override { google::RemoveLogSink(this); }
  void send(google::LogSeverity severity, const char*, const char*, int,
            const google::LogMessageTime&, const char* message, std::size_t length) override {
    if (severity != google::GLOG_WARNING) return;
    const std::lock_guard lock(mutex_);
    messages_.emplace_back(message, length);
  }
  std::vector<std::string> Messages() {
    const std::lock_guard lock(mutex_);
    return messages_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> messages_;
};

Proc::SettingsEffectTemplateZTL EffectSettings(const std::string& shader, float intensity = kNone) {
  Proc::SettingsEffectTemplateZTL settings;
  settings.SetShader(shader);
  settings.SetIntensity(intensity);
  return settings;
}

Ptr<Proc::DataVideoMemory> Render(const Proc::Settings& settings,
                                  const Ptr<Proc::DataVideoMemory>& input,
                                  std::int64_t start = kFrame) {
  Ptr<Proc::IEffect> effect = Testing::MakeEffect(settings);
  Ptr<Proc::IData> data = Testing::Upload(input);
  data->SetStartTime(start);
  data->SetDuration(kFrame);
  return Testing::Download(effect->ProcessData({data}));
}

Ptr<Proc::DataVideoMemory> Pattern() {
  return Testing::MakeTestPattern(kWidth, kHeight, PixFmt::RGBA);
}

Ptr<Proc::DataVideoMemory> SolidFrame(const Pixel& colour) {
  return Testing::MakeFrame(kWidth, kHeight, PixFmt::RGBA, [&](int, int) { return colour; });
}

// An image of BGRA bytes whose pixel (x, y) is `pattern(x, y)` given as RGBA.
std::shared_ptr<Proc::ImageHandler> AuxImage(int width, int height,
                                             const std::function<Pixel(int, int)>& pattern) {
  auto image = std::make_shared<Proc::ImageHandler>();
  image->width = width;
  image->height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Pixel p = pattern(x, y);
      image->pixels.insert(image->pixels.end(), {p[2], p[1], p[0], p[3]});
    }
  }
  return image;
}

constexpr const char* kInvert = R"(uniform sampler2D tex;
varying vec2 TexCoord0;
void main() {
  vec4 c = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(1.0 - c.rgb, c.a);
}
)";

TEST(TemplateEffect, WithoutOptionalUniformsRunsOnItsSamplerAlone) {
  WarningLog log;
  const auto input = Pattern();
  Testing::ExpectPixels(*Render(EffectSettings(kInvert), input),
                        [&](int x, int y) {
                          const Pixel in = Testing::PixelAt(*input, x, y);
                          return Pixel{std::uint8_t(255 - in[0]), std::uint8_t(255 - in[1]),
                                       std::uint8_t(255 - in[2]), in[3]};
                        },
                        {1, 1, 1, 0});
  EXPECT_TRUE(log.Messages().empty());
}

TEST(TemplateEffect, EveryOptionalUniformReachesTheShader) {
  const std::string shader = R"(uniform sampler2D tex;
uniform vec2 texSize;
uniform float pts;
uniform float intensity;
varying vec2 TexCoord0;
void main() {
  vec4 c = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(texSize / 255.0, pts, intensity) + 0.0 * c;
}
)";
  constexpr std::int64_t kStart = 400000;  // 0.4 s
  const auto output = Render(EffectSettings(shader, 0.5f), SolidFrame({1, 2, 3, 4}), kStart);
  ExpectEverywhere(*output, {kWidth, kHeight, Byte(0.4), Byte(0.5)}, 1);
}

TEST(TemplateTransition, ProgressSizeAndIntensityReachTheShader) {
  Proc::SettingsTransitionTemplateZTL settings;
  settings.SetShader(R"(uniform sampler2D tex0;
uniform sampler2D tex1;
uniform vec2 texSize;
uniform float prg;
uniform float intensity;
varying vec2 TexCoord0;
void main() {
  vec4 mixed = mix(texture2D(tex0, TexCoord0), texture2D(tex1, TexCoord0), prg);
  gl_FragColor = vec4(prg, texSize.x / 255.0, intensity, 1.0) + 0.0 * mixed;
}
)");
  settings.SetIntensity(0.75f);
  const auto output =
      Testing::RunTransition(settings, Testing::FirstPicture(), Testing::SecondPicture(), 0.25);
  ExpectEverywhere(*output, {Byte(0.25), Testing::kTransitionWidth, Byte(0.75), 255}, 1);
}

TEST(TemplateTransition, SamplesBothInputsByTheProgress) {
  const auto first = Testing::FirstPicture();
  const auto second = Testing::SecondPicture();
  Proc::SettingsTransitionCrossfade crossfade;
  const Proc::SettingsTransitionTemplateZTL settings = [] {
    Proc::SettingsTransitionTemplateZTL s;
    s.SetShader(R"(uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float prg;
varying vec2 TexCoord0;
void main() { gl_FragColor = mix(texture2D(tex0, TexCoord0), texture2D(tex1, TexCoord0), prg); }
)");
    return s;
  }();
  for (double progress : {0.0, 0.3, 1.0}) {
    EXPECT_LE(
        Testing::MaxChannelDifference(*Testing::RunTransition(settings, first, second, progress),
                                      *Testing::RunTransition(crossfade, first, second, progress)),
        1)
        << progress;
  }
}

TEST(TemplateEffect, AuxImageAndItsSizeReachTheShader) {
  const auto checker = [](int x, int y) {
    return Pixel{static_cast<std::uint8_t>(x * 15), static_cast<std::uint8_t>(y * 25),
                 (x + y) % 2 == 0 ? std::uint8_t{255} : std::uint8_t{0}, 255};
  };
  auto settings = EffectSettings(R"(uniform sampler2D tex;
uniform sampler2D auxTex;
varying vec2 TexCoord0;
void main() { gl_FragColor = texture2D(auxTex, TexCoord0) + 0.0 * texture2D(tex, TexCoord0); }
)");
  settings.SetAuxImage(AuxImage(kWidth, kHeight, checker));
  Testing::ExpectPixels(*Render(settings, SolidFrame({0, 0, 0, 255})), checker, {1, 1, 1, 1});

  auto sized = EffectSettings(R"(uniform sampler2D tex;
uniform sampler2D auxTex;
uniform vec2 auxTexSize;
varying vec2 TexCoord0;
void main() {
  gl_FragColor = vec4(auxTexSize / 255.0, texture2D(auxTex, vec2(0.0)).a, 1.0)
                 + 0.0 * texture2D(tex, TexCoord0);
}
)");
  sized.SetAuxImage(AuxImage(5, 3, checker));
  ExpectEverywhere(*Render(sized, SolidFrame({0, 0, 0, 255})), {5, 3, 255, 255}, 1);
}

// The pixels behind one handle are uploaded once: a change to them shows only
// through a new handle.
TEST(TemplateEffect, TheAuxImageIsUploadedOncePerHandle) {
  Ptr<Proc::IEffect> effect = Testing::MakeEffect(Proc::SettingsEffectTemplateZTL::CLASS_ID);
  auto settings = EffectSettings(R"(uniform sampler2D tex;
uniform sampler2D auxTex;
varying vec2 TexCoord0;
void main() { gl_FragColor = texture2D(auxTex, TexCoord0) + 0.0 * texture2D(tex, TexCoord0); }
)");
  auto image = AuxImage(2, 2, [](int, int) { return Pixel{255, 0, 0, 255}; });
  settings.SetAuxImage(image);
  effect->SetSettingsObject(settings);
  const auto run = [&] {
    return Testing::Download(effect->ProcessData({Testing::Upload(SolidFrame({0, 0, 0, 255}))}));
  };
  ExpectEverywhere(*run(), {255, 0, 0, 255}, 0);
  for (std::size_t i = 0; i < image->pixels.size(); i += 4) {
    image->pixels[i] = 255;    // blue
    image->pixels[i + 2] = 0;  // red
  }
  ExpectEverywhere(*run(), {255, 0, 0, 255}, 0);
  settings.SetAuxImage(std::make_shared<Proc::ImageHandler>(*image));
  effect->SetSettingsObject(settings);
  ExpectEverywhere(*run(), {0, 0, 255, 255}, 0);
}

TEST(TemplateEffect, NoIntensityKeepsTheShadersOwnDefaultWithoutAWarning) {
  WarningLog log;
  const auto output = Render(EffectSettings(R"(uniform sampler2D tex;
uniform float intensity = 0.25;
varying vec2 TexCoord0;
void main() { gl_FragColor = vec4(vec3(intensity), 1.0) + 0.0 * texture2D(tex, TexCoord0); }
)"),
                             SolidFrame({0, 0, 0, 255}));
  ExpectEverywhere(*output, {Byte(0.25), Byte(0.25), Byte(0.25), 255}, 1);
  EXPECT_TRUE(log.Messages().empty());
}

// Equal texts share one program: an intensity that one effect set does not
// stay for the next that gives none.
TEST(TemplateEffect, NoIntensityAfterAnotherEffectsIntensityStillGivesTheDefault) {
  const std::string shader = R"(uniform sampler2D tex;
uniform float intensity = 0.25;
varying vec2 TexCoord0;
void main() { gl_FragColor = vec4(vec3(intensity), 1.0) + 0.0 * texture2D(tex, TexCoord0); }
// shared with an effect that sets the intensity
)";
  ExpectEverywhere(*Render(EffectSettings(shader, 0.75f), SolidFrame({0, 0, 0, 255})),
                   {Byte(0.75), Byte(0.75), Byte(0.75), 255}, 1);
  ExpectEverywhere(*Render(EffectSettings(shader), SolidFrame({0, 0, 0, 255})),
                   {Byte(0.25), Byte(0.25), Byte(0.25), 255}, 1);
}

TEST(TemplateEffect, WhatTheShaderDoesNotDeclareIsAWarningAndTheFrameIsDrawn) {
  WarningLog log;
  auto settings = EffectSettings(kInvert, 0.5f);
  settings.SetAuxImage(AuxImage(2, 2, [](int, int) { return Pixel{1, 2, 3, 4}; }));
  const auto output = Render(settings, SolidFrame({10, 20, 30, 255}));
  ExpectEverywhere(*output, {245, 235, 225, 255}, 1);
  const auto messages = log.Messages();
  EXPECT_NE(
      std::find(messages.begin(), messages.end(), "Can't set intensity due to attribute missing"),
      messages.end());
  EXPECT_NE(
      std::find(messages.begin(), messages.end(), "Can't set aux image due to attribute missing"),
      messages.end());
}

TEST(TemplateTransition, InputsOfDifferentPixelAspectAreAWarning) {
  WarningLog log;
  Ptr<Proc::IEffect> effect = Testing::MakeEffect(Proc::SettingsTransitionTemplateZTL::CLASS_ID);
  Proc::FrameInfo wide{kWidth, kHeight, 4, 3};
  auto second = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, PixFmt::RGBA, wide);
  EXPECT_NO_THROW(Testing::Download(
      effect->ProcessData({Testing::Upload(SolidFrame({0, 0, 0, 255})), Testing::Upload(second)})));
  const auto messages = log.Messages();
  EXPECT_NE(std::find(messages.begin(), messages.end(), "Input frames have different resolution"),
            messages.end());
}

struct ErrorCase {
  const char* name;
  std::function<Proc::SettingsEffectTemplateZTL()> settings;
  const char* message;
};
class TemplateEffectError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(TemplateEffectError, IsRaisedWithItsMessage) {
  EXPECT_EQ(Testing::DescriptionOf<Exception>([this] {
              Render(GetParam().settings(), SolidFrame({0, 0, 0, 255}));
            }),
            GetParam().message);
}

constexpr const char* kAuxShader = R"(uniform sampler2D tex;
uniform sampler2D auxTex;
varying vec2 TexCoord0;
void main() { gl_FragColor = texture2D(auxTex, TexCoord0) + texture2D(tex, TexCoord0); }
)";

INSTANTIATE_TEST_SUITE_P(
    Messages, TemplateEffectError,
    ::testing::Values(ErrorCase{"BlankText", [] { return EffectSettings(" \n"); },
                                "Shader is not provided by effect init"},
                      ErrorCase{"AuxDeclaredButNotGiven", [] { return EffectSettings(kAuxShader); },
                                "There is no aux image required by shader"},
                      ErrorCase{"AuxWithoutSize",
                                [] {
                                  auto s = EffectSettings(kAuxShader);
                                  s.SetAuxImage(std::make_shared<Proc::ImageHandler>());
                                  return s;
                                },
                                "Provided aux image is not valid"},
                      ErrorCase{"AuxWithTooFewPixels",
                                [] {
                                  auto s = EffectSettings(kAuxShader);
                                  auto image = AuxImage(4, 4, [](int, int) { return Pixel{}; });
                                  image->pixels.resize(4 * 4 * 4 - 1);
                                  s.SetAuxImage(image);
                                  return s;
                                },
                                "Provided aux image is not valid"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TemplateEffect, EqualTextsShareOneProgramAndAChangedByteMakesAnother) {
  const auto programs = [] {
    std::size_t count = 0;
    OglManager::GetInstance().Invoke(
        [&](ShaderStorage& storage) { count = storage.ProgramCount(); });
    return count;
  };
  const std::string text = std::string(kInvert) + "// shared by two effects\n";
  Render(EffectSettings(text), Pattern());
  const std::size_t afterFirst = programs();
  Render(EffectSettings(text), Pattern());
  EXPECT_EQ(programs(), afterFirst);
  Render(EffectSettings(text + " "), Pattern());
  EXPECT_EQ(programs(), afterFirst + 1);
}

// Texts written for other dialects compile and swap red and blue.
class TemplateDialect : public ::testing::TestWithParam<const char*> {};

TEST_P(TemplateDialect, Compiles) {
  const auto input = Pattern();
  Testing::ExpectPixels(*Render(EffectSettings(GetParam()), input),
                        [&](int x, int y) {
                          const Pixel in = Testing::PixelAt(*input, x, y);
                          return Pixel{in[2], 0, in[0], 0};
                        },
                        {1, 255, 1, 255});
}

INSTANTIATE_TEST_SUITE_P(Texts, TemplateDialect,
                         ::testing::Values(R"(precision highp float;
uniform sampler2D tex;
varying highp vec2 TexCoord0;
void main() { mediump vec4 c = texture2D(tex, TexCoord0); lowp float a = c.a; gl_FragColor = vec4(c.bgr, a); }
)",
                                           R"(#version 100
precision mediump float;
uniform sampler2D tex;
varying vec2 TexCoord0;
void main() { gl_FragColor = texture2D(tex, TexCoord0).bgra; }
)",
                                           R"(#version 300 es
precision highp float;
uniform sampler2D tex;
in vec2 TexCoord0;
out vec4 fragColor;
void main() { fragColor = texture(tex, TexCoord0).bgra; }
)",
                                           R"(#version 120
uniform sampler2D tex;
varying vec2 TexCoord0;
void main() { gl_FragColor = texture2D(tex, TexCoord0).bgra; }
)"));

struct LineCase {
  const char* text;
  const char* line;  // where the driver's message must point
};
class TemplateCompileError : public ::testing::TestWithParam<LineCase> {};

TEST_P(TemplateCompileError, PointsAtTheLineOfTheUsersText) {
  const std::string message = Testing::DescriptionOf<Exception>(
      [this] { Render(EffectSettings(GetParam().text), Pattern()); });
  EXPECT_NE(message.find(GetParam().line), std::string::npos) << message;
  EXPECT_NE(message.find("undefinedGain"), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(Texts, TemplateCompileError,
                         ::testing::Values(LineCase{R"(uniform sampler2D tex;
varying vec2 TexCoord0;
void main() {
  gl_FragColor = texture2D(tex, TexCoord0) * undefinedGain;
}
)",
                                                    "0:4("},
                                           LineCase{R"(#version 300 es
precision highp float;
uniform sampler2D tex;
in vec2 TexCoord0;
out vec4 fragColor;
void main() { fragColor = texture(tex, TexCoord0) * undefinedGain; }
)",
                                                    "0:6("}));

TEST(TemplateSettings, KeepTheirFieldsThroughJsonAndRefuseAnIntensityPastOne) {
  Proc::SettingsEffectTemplateZTL settings;
  settings.Deserialize(Property::FromJson(R"({"shader": "void main() {}", "intensity": 0.5,
                                              "aux": "picture.png"})"));
  Proc::SettingsEffectTemplateZTL copy;
  copy.Deserialize(settings.Serialize());
  EXPECT_TRUE(copy.IsEqualTo(settings));
  EXPECT_EQ(copy.GetAux(), "picture.png");
  EXPECT_THROW(settings.SetIntensity(1.5f), std::out_of_range);
  copy.SetAuxImage(AuxImage(1, 1, [](int, int) { return Pixel{}; }));
  EXPECT_FALSE(copy.IsEqualTo(settings)) << "another picture";
}

}  // namespace
}  // namespace Obrisk::Ogl
