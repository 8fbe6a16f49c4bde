#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "obrisk/ogl/ColorConversion.h"
#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PixFmt;
using Testing::Pixel;

OglManager& Manager() {
  return OglManager::GetInstance();
}

TEST(OglManagerTest, RunsJobsOnItsOwnThreadOnly) {
  EXPECT_FALSE(IsOpenGLThread());
  bool onThread = false;
  Manager().Invoke([&](ShaderStorage&) { onThread = IsOpenGLThread(); });
  EXPECT_TRUE(onThread);
  EXPECT_NE(Manager().Renderer().find('|'), std::string::npos);
  EXPECT_THROW(Manager().Invoke([](ShaderStorage&) { throw std::runtime_error("boom"); }),
               std::runtime_error);
}

class TransferTest : public ::testing::TestWithParam<PixFmt> {};

TEST_P(TransferTest, UploadAndDownloadKeepPixelsAndRowOrder) {
  auto frame = Testing::MakeTestPattern(7, 5, GetParam());
  frame->SetStartTime(40000);
  frame->SetDuration(40000);
  auto back = Testing::Download(Testing::Upload(frame));
  EXPECT_EQ(back->GetStartTime(), 40000);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) {
      Pixel in = Testing::PixelAt(*frame, x, y);
      if (GetParam() == PixFmt::BGRA) std::swap(in[0], in[2]);
      if (GetParam() == PixFmt::RGBX) in[3] = 255;
      EXPECT_EQ(Testing::PixelAt(*back, x, y), in) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, TransferTest,
                         ::testing::Values(PixFmt::RGBA, PixFmt::BGRA, PixFmt::RGBX));

TEST(TransferTest, SixteenBitFloatFramesKeepTheirPrecisionOrComeBackAsBytes) {
  constexpr int kWidth = 64;
  constexpr int kHeight = 16;  // 1024 grey levels, as many as 10 bits hold
  auto frame = Testing::MakeHalfRamp(kWidth, kHeight);
  const Ptr<DataVideoOGL> uploaded = Testing::Upload(frame);
  EXPECT_EQ(uploaded->GetPixelFormat(), PixFmt::RGBA_HALF);
  auto back = DownloadFrame(uploaded, Readback::AsRendered);
  ASSERT_EQ(back->GetPixelFormat(), PixFmt::RGBA_HALF);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      for (int c = 0; c < 4; ++c) {
        ASSERT_EQ(Testing::HalfAt(*back, x, y, c), Testing::HalfAt(*frame, x, y, c))
            << x << "," << y;
      }
    }
  }
  auto bytes = DownloadFrame(uploaded);
  ASSERT_EQ(bytes->GetPixelFormat(), PixFmt::RGBA);
  EXPECT_EQ(Testing::PixelAt(*bytes, kWidth - 1, kHeight - 1), (Pixel{255, 255, 255, 255}));
  EXPECT_EQ(Testing::PixelAt(*bytes, kWidth / 2, kHeight / 2)[0],
            std::lround(Testing::HalfAt(*frame, kWidth / 2, kHeight / 2, 0) * 255.0F));
}

// Renders a fragment source over a frame of the given size and reads it back.
Ptr<Proc::DataVideoMemory> RenderSource(const char* name, std::string_view fragment, int width,
                                        int height) {
  auto data = DataVideoOGL::Create({}, PixFmt::RGBA, {width, height, 1, 1});
  Manager().Invoke([&](ShaderStorage& storage) {
    data->Resolve(storage);
    ShaderProgram& program = storage.MakeShader(ShaderSources{name, Shader::FullFrame, fragment});
    program.Use();
    storage.FBO().Attach(data->FrameData()->GetFirstTexture());
    storage.Quad().Activate();
    storage.Quad().Draw(program);
  });
  return DownloadFrame(data);
}

TEST(ShaderStorageTest, TexCoordRunsBottomToTopAndLeftToRight) {
  auto frame = RenderSource("coords", R"(
varying vec2 TexCoord0;
void main() { gl_FragColor = vec4(TexCoord0, 0.0, 1.0); })",
                            4, 4);
  // Top row of the picture is the texture's last row: t = 7/8.
  EXPECT_NEAR(Testing::PixelAt(*frame, 0, 0)[1], 0.875 * 255, 1.0);
  EXPECT_NEAR(Testing::PixelAt(*frame, 0, 3)[1], 0.125 * 255, 1.0);
  EXPECT_NEAR(Testing::PixelAt(*frame, 3, 0)[0], 0.875 * 255, 1.0);
}

TEST(ShaderStorageTest, LibraryColourConversionsRoundTrip) {
  auto frame = RenderSource("library", R"(
varying vec2 TexCoord0;
void main() {
  vec4 c = vec4(0.8, 0.3, 0.1, 0.6);
  vec4 yuv = obrisk_YUVA2RGBA_(obrisk_RGBA2YUVA_(c));
  vec3 hsv = obrisk_HSV2RGB_(obrisk_RGB2HSV_(c.rgb));
  vec3 hsl = obrisk_HSL2RGB_(obrisk_RGB2HSL_(c.rgb));
  float err = length(yuv - c) + length(hsv - c.rgb) + length(hsl - c.rgb);
  gl_FragColor = vec4(err * 100.0, obrisk_RGBA2Y_(c), obrisk_RGB2HSV_(c.rgb).x, 1.0);
})",
                            1, 1);
  const Pixel pixel = Testing::PixelAt(*frame, 0, 0);
  EXPECT_LE(pixel[0], 1);
  EXPECT_NEAR(pixel[1], (0.2126 * 0.8 + 0.7152 * 0.3 + 0.0722 * 0.1) * 255, 1.0);
  EXPECT_NEAR(pixel[2], (0.2 / 0.7 / 6.0) * 255, 1.0);  // hue of (0.8, 0.3, 0.1)
}

TEST(ShaderStorageTest, KeepsProgramsByName) {
  Manager().Invoke([](ShaderStorage& storage) {
    const std::size_t before = storage.ProgramCount();
    ShaderSources sources{"kept", Shader::FullFrame, "void main() { gl_FragColor = vec4(1.0); }"};
    ShaderProgram& first = storage.MakeShader(sources);
    ShaderProgram& second = storage.MakeShader(sources);
    EXPECT_EQ(&first, &second);
    int built = 0;
    ShaderSources generated{"kept", Shader::FullFrame, ShaderSourceFunction([&] {
                              ++built;
                              return std::string("void main() { gl_FragColor = vec4(0.0); }");
                            })};
    EXPECT_EQ(&storage.MakeShader(generated), &first);
    EXPECT_EQ(built, 0);
    EXPECT_EQ(storage.ProgramCount(), before + 1);
  });
}

TEST(ShaderStorageTest, CompileErrorCarriesNameAndLineOfTheSourceAsWritten) {
  const char* broken =
      "varying vec2 TexCoord0;\nvoid main() {\n  gl_FragColor = vec4(1.0);\n  nonsense;\n}\n";
  try {
    Manager().Invoke([&](ShaderStorage& storage) {
      storage.MakeShader(ShaderSources{"EffectBroken", Shader::FullFrame, broken});
    });
    FAIL() << "the program built";
  } catch (const ShaderException& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find("\"EffectBroken\""), std::string::npos) << message;
    EXPECT_NE(message.find("fragment shader does not compile"), std::string::npos) << message;
    EXPECT_NE(message.find("0:4("), std::string::npos) << message;
  }
  try {
    Manager().Invoke([&](ShaderStorage& storage) {
      storage.MakeShader(
          ShaderSources{"EffectVersioned", Shader::FullFrame,
                        std::string_view("#version 130\nvoid main() {\n  oops;\n}\n")});
    });
    FAIL() << "the program built";
  } catch (const ShaderException& error) {
    EXPECT_NE(std::string(error.what()).find("0:3("), std::string::npos) << error.what();
  }
}

TEST(ShaderStorageTest, BuiltinMixAndOverlayPrograms) {
  auto a = Testing::Upload(Testing::MakeFrame(2, 2, PixFmt::RGBA, [](int, int) {
    return Pixel{200, 0, 100, 255};
  }));
  auto b = Testing::Upload(Testing::MakeFrame(2, 2, PixFmt::RGBA, [](int, int) {
    return Pixel{0, 100, 100, 128};
  }));
  a->Wait();
  b->Wait();
  auto mixed = DataVideoOGL::Create({}, PixFmt::RGBA, {2, 2, 1, 1});
  auto over = DataVideoOGL::Create({}, PixFmt::RGBA, {2, 2, 1, 1});
  Manager().Invoke([&](ShaderStorage& storage) {
    mixed->Resolve(storage);
    over->Resolve(storage);
    ShaderProgram& mix = storage.GetShaderProgram(BuiltinProgram::kMix);
    mix.Use();
    mix.Uniform("tex0", 0);
    mix.Uniform("tex1", 1);
    mix.Uniform("extAlpha", 0.25);
    storage.FBO().Attach(mixed->FrameData()->GetFirstTexture());
    a->FrameData()->GetFirstTexture().Use(0);
    b->FrameData()->GetFirstTexture().Use(1);
    storage.Quad().Activate();
    storage.Quad().Draw(mix);
    ShaderProgram& overlay = storage.GetShaderProgram(BuiltinProgram::kOverlay);
    overlay.Use();
    overlay.Uniform("texDst", 0);
    overlay.Uniform("texSrc", 1);
    overlay.Uniform("scaleoffset", 1.0f, 1.0f, 0.0f, 0.0f);
    overlay.Uniform("extAlpha", 1.0f);
    storage.FBO().Attach(over->FrameData()->GetFirstTexture());
    storage.Quad().Draw(overlay);
    EXPECT_THROW(storage.GetShaderProgram(12345), OglException);
  });
  EXPECT_EQ(Testing::PixelAt(*DownloadFrame(mixed), 0, 0), (Pixel{150, 25, 100, 223}));
  // Straight-alpha "over" of a half-transparent source on an opaque destination.
  const double alpha = 128.0 / 255.0;
  const Pixel blended = Testing::PixelAt(*DownloadFrame(over), 1, 1);
  EXPECT_NEAR(blended[0], 200 * (1 - alpha), 1.0);
  EXPECT_NEAR(blended[1], 100 * alpha, 1.0);
  EXPECT_EQ(blended[3], 255);
}

TEST(FrameTest, DrawWithOpacityBlendsColourAndAlphaAndLeavesBlendingOff) {
  auto source = Testing::Upload(Testing::MakeFrame(3, 2, PixFmt::RGBA, [](int, int) {
    return Pixel{200, 40, 0, 255};
  }));
  source->Wait();
  auto out = DataVideoOGL::Create({}, PixFmt::RGBA, {3, 2, 1, 1});
  bool blendingAfter = true;
  Manager().Invoke([&](ShaderStorage& storage) {
    out->Resolve(storage);
    storage.FBO().Attach(out->FrameData()->GetFirstTexture());
    glClearColor(0.0f, 0.0f, 1.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    source->FrameData()->Draw(storage.FrameQuad(), storage, 0.25f);
    blendingAfter = glIsEnabled(GL_BLEND) == GL_TRUE;
  });
  // target = source * 0.25 + (0, 0, 255, 0) * 0.75
  EXPECT_EQ(Testing::PixelAt(*DownloadFrame(out), 2, 1), (Pixel{50, 10, 191, 64}));
  EXPECT_FALSE(blendingAfter);
}

TEST(GlStateTest, EnableStateRestoresThePreviousState) {
  Manager().Invoke([](ShaderStorage&) {
    glDisable(GL_BLEND);
    {
      EnableState blend(GL_BLEND);
      EXPECT_TRUE(glIsEnabled(GL_BLEND));
      { EnableState again(GL_BLEND); }
      EXPECT_TRUE(glIsEnabled(GL_BLEND));
    }
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
  });
}

// A task that records the order in which tasks ran, and can fail.
class RecordingTask final : public IOglTask {
 public:
  RecordingTask(std::vector<int>& order, int id, bool fail)
      : IOglTask(1, "RecordingTask"), order_(order), id_(id), fail_(fail) {}
  void Execute(ShaderStorage& storage) override {
    if (fail_) throw std::runtime_error("task failed on purpose");
    order_.push_back(id_);
    storage.FBO().Attach(GetFrame()->GetFirstTexture());
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }

 private:
  std::vector<int>& order_;
  int id_;
  bool fail_;
};

TEST(DataVideoOGLTest, DependenciesRunFirstWhateverTheQueueOrder) {
  std::vector<int> order;
  auto input = DataVideoOGL::Create({}, PixFmt::RGBA, {2, 2, 1, 1});
  auto output = DataVideoOGL::Create({}, PixFmt::RGBA, {2, 2, 1, 1});
  output->AddDependency(input);
  // Hold the OpenGL thread so that the output's task is queued before the input's.
  std::promise<void> release;
  Manager().Post([gate = release.get_future().share()](ShaderStorage&) { gate.wait(); });
  output->AttachTask(MakeRef<RecordingTask>(order, 2, false));
  input->AttachTask(MakeRef<RecordingTask>(order, 1, false));
  release.set_value();
  output->Wait();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_TRUE(input->IsReady());
  EXPECT_THROW(output->AddDependency(input), std::logic_error);
  EXPECT_THROW(output->AttachTask(MakeRef<RecordingTask>(order, 3, false)), std::logic_error);
}

TEST(DataVideoOGLTest, AFailedTaskFailsItsDependentsAndWaitRethrows) {
  std::vector<int> order;
  auto input = DataVideoOGL::Create({}, PixFmt::RGBA, {2, 2, 1, 1});
  input->AttachTask(MakeRef<RecordingTask>(order, 1, true));
  auto output = DataVideoOGL::Create({}, PixFmt::RGBA, {2, 2, 1, 1});
  output->AddDependency(input);
  output->AttachTask(MakeRef<RecordingTask>(order, 2, false));
  EXPECT_THROW(output->Wait(), std::runtime_error);
  EXPECT_THROW(input->Wait(), std::runtime_error);
  EXPECT_TRUE(order.empty());
}

TEST(DataVideoOGLTest, DataWithoutProducerIsTransparentAndUnsupportedFormatsFail) {
  auto empty = DataVideoOGL::Create({}, PixFmt::RGBA, {3, 1, 1, 1});
  EXPECT_EQ(Testing::PixelAt(*DownloadFrame(empty), 2, 0), (Pixel{0, 0, 0, 0}));
  // BGRA exists only in main memory; uploads turn it into RGBA.
  auto bgra = DataVideoOGL::Create({}, PixFmt::BGRA, {4, 4, 1, 1});
  try {
    bgra->Wait();
    FAIL();
  } catch (const OglException& error) {
    EXPECT_NE(std::string(error.what()).find("bgra"), std::string::npos);
  }
}

TEST(FrameTransferTest, UploadAndDownloadKeepTimesAndTheEmptyTransparentFlag) {
  for (bool empty : {false, true}) {
    auto memory = Testing::MakeFrame(2, 2, PixFmt::RGBA, [](int, int) { return Pixel{}; });
    memory->SetStartTime(40000);
    memory->SetDuration(20000);
    memory->SetEmptyTransparentFrameFlag(empty);
    auto uploaded = UploadFrame(memory);
    EXPECT_EQ(uploaded->IsEmptyTransparentFrame(), empty);
    auto downloaded = DownloadFrame(uploaded);
    EXPECT_EQ(downloaded->IsEmptyTransparentFrame(), empty);
    EXPECT_EQ(downloaded->GetStartTime(), 40000);
    EXPECT_EQ(downloaded->GetDuration(), 20000);
  }
}

TEST(ColorConversionTest, UnsupportedConversionIsAnErrorNotAPassThrough) {
  auto source = Testing::Upload(Testing::MakeTestPattern(2, 2, PixFmt::RGBA));
  source->Wait();
  Manager().Invoke([&](ShaderStorage& storage) {
    ColorConversionInfo info;
    info.target = Proc::ColorSpace{22, 16, 9, 0};  // EBU Tech 3213 primaries: not supported
    EXPECT_THROW(ConvertColorSpace(*source->FrameData(), info, storage), OglException);
  });
}

TEST(TexturePoolTest, ReusesReturnedTextures) {
  Manager().Invoke([](ShaderStorage&) {
    TexturePool& pool = TexturePool::GetInstance();
    Texture::Params params;
    params.width = 3;
    params.height = 3;
    GLuint id = 0;
    {
      auto lease = pool.GetTex(params);
      id = lease->Id();
    }
    auto again = pool.GetTex(params);
    EXPECT_EQ(again->Id(), id);
  });
}

}  // namespace
}  // namespace Obrisk::Ogl
