// Limits of the GPU layer: sizes beyond the driver's, the memory budget,
// bounded pools and program storage, and failures at the task boundary.
#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/ogl/Texture.h"
#include "obrisk/settings/ColorSettings.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PixFmt;

OglManager& Manager() {
  return OglManager::GetInstance();
}

void ExpectMessage(const std::function<void()>& action, const std::string& part) {
  try {
    action();
    ADD_FAILURE() << "no exception; expected one saying \"" << part << "\"";
  } catch (const OglException& error) {
    EXPECT_NE(std::string(error.what()).find(part), std::string::npos) << error.what();
  }
}

TEST(GpuLimits, PicturesLargerThanTheDriverAllowsAreRefusedWhereMade) {
  const int limit = Manager().MaxTextureSize();
  ASSERT_GE(limit, 1024);
  const std::string named = fmt::format("larger than the driver's maximum texture size {}", limit);
  ExpectMessage([&] { DataVideoOGL::Create({}, PixFmt::RGBA, {limit + 1, 8, 1, 1}); }, named);
  ExpectMessage([&] { DataVideoOGL::Create({}, PixFmt::YUV420P, {8, limit + 1, 1, 1}); }, named);
  Manager().Invoke([&](ShaderStorage&) {
    Texture::Params params;
    params.width = limit + 1;
    params.height = 1;
    ExpectMessage([&] { Texture texture(params, nullptr); }, named);
  });
}

// An effect asked for a picture beyond the limit fails at once, on the
// caller's thread, instead of rendering zeros later.
TEST(GpuLimits, AResizerBeyondTheLimitFailsOnTheCallersThread) {
  auto registry = Testing::MakeRegistry();
  auto resizer = Testing::CreateEffect(*registry, Proc::SettingsResizer::CLASS_ID);
  Proc::SettingsResizer settings;
  settings.SetOutputSize(Manager().MaxTextureSize() + 1, 16);
  resizer->SetSettingsObject(settings);
  Ptr<Proc::IData> data = Testing::Upload(Testing::MakeTestPattern(4, 4, PixFmt::RGBA));
  EXPECT_THROW(resizer->ProcessData({data}), OglException);
}

class MemoryBudget : public ::testing::Test {
 protected:
  ~MemoryBudget() override { Texture::SetMemoryBudget(saved_); }
  std::size_t saved_ = Texture::MemoryBudget();
};

TEST_F(MemoryBudget, ATexturePastTheBudgetIsAClearError) {
  Manager().Invoke([](ShaderStorage&) {
    TexturePool::GetInstance().Clear();
    Texture::SetMemoryBudget(Texture::LiveBytes() + (std::size_t{1} << 20));
    Texture::Params params;
    params.width = 1024;
    params.height = 1024;  // 4 MiB of RGBA
    ExpectMessage([&] { Texture texture(params, nullptr); }, "would pass the GPU memory budget");
    params.height = 128;  // 0.5 MiB fits
    Texture texture(params, nullptr);
    EXPECT_EQ(texture.Bytes(), std::size_t{1024} * 128 * 4);
  });
}

TEST_F(MemoryBudget, PooledTexturesGiveWayBeforeTheBudgetRefuses) {
  Manager().Invoke([](ShaderStorage&) {
    TexturePool& pool = TexturePool::GetInstance();
    pool.Clear();
    Texture::Params params;
    params.width = 512;
    params.height = 512;  // 1 MiB
    { auto lease = pool.GetTex(params); }
    EXPECT_EQ(pool.FreeCount(), 1u);
    Texture::SetMemoryBudget(Texture::LiveBytes() + (std::size_t{1} << 18));
    params.width = 256;  // 0.5 MiB: fits only once the free texture is gone
    auto lease = pool.GetTex(params);
    EXPECT_EQ(pool.FreeCount(), 0u);
  });
}

TEST(TexturePoolBounds, FreeTexturesAreBoundedLeastRecentlyUsedFirst) {
  Manager().Invoke([](ShaderStorage&) {
    TexturePool& pool = TexturePool::GetInstance();
    pool.Clear();
    const std::size_t live = Texture::LiveCount();
    constexpr int kSizes = 100;
    for (int size = 1; size <= kSizes; ++size) {
      Texture::Params params;
      params.width = size;
      params.height = 2;
      auto lease = pool.GetTex(params);
    }
    EXPECT_EQ(pool.FreeCount(), TexturePool::kMaxFreeCount);
    EXPECT_EQ(Texture::LiveCount(), live + TexturePool::kMaxFreeCount);
    // The most recent sizes are the ones kept.
    Texture::Params recent;
    recent.width = kSizes;
    recent.height = 2;
    auto lease = pool.GetTex(recent);
    EXPECT_EQ(pool.FreeCount(), TexturePool::kMaxFreeCount - 1);
    Texture::Params big;
    big.width = 4096;
    big.height = 4096;  // 64 MiB each: the byte bound keeps few of them
    for (int i = 0; i < 5; ++i) pool.Put(std::make_unique<Texture>(big, nullptr));
    EXPECT_LE(pool.FreeBytes(), TexturePool::kMaxFreeBytes);
    pool.Clear();
  });
}

class ProgramStorage : public ::testing::Test {
 protected:
  ~ProgramStorage() override {
    Manager().Invoke([](ShaderStorage& storage) {
      storage.SetProgramLimit(ShaderStorage::kDefaultProgramLimit);
    });
  }
};

TEST_F(ProgramStorage, ProgramsAreBoundedLeastRecentlyUsedFirst) {
  Manager().Invoke([](ShaderStorage& storage) {
    constexpr std::size_t kLimit = 4;
    storage.SetProgramLimit(kLimit);
    EXPECT_LE(storage.ProgramCount(), kLimit);
    ShaderSources first{"bounded_0", Shader::FullFrame,
                        "void main() { gl_FragColor = vec4(0.0); }"};
    storage.MakeShader(first);
    for (int i = 1; i < 10; ++i) {
      storage.MakeShader(first);  // kept in use: never the one dropped
      storage.MakeShader(ShaderSources{fmt::format("bounded_{}", i), Shader::FullFrame,
                                       "void main() { gl_FragColor = vec4(1.0); }"});
      EXPECT_LE(storage.ProgramCount(), kLimit);
    }
    int built = 0;
    ShaderSources again{"bounded_0", Shader::FullFrame, ShaderSourceFunction([&] {
                          ++built;
                          return std::string("void main() { gl_FragColor = vec4(0.0); }");
                        })};
    storage.MakeShader(again);
    EXPECT_EQ(built, 0);
  });
}

TEST_F(ProgramStorage, AFailedProgramIsRememberedNotRebuilt) {
  Manager().Invoke([](ShaderStorage& storage) {
    int built = 0;
    ShaderSources broken{"remembered_failure", Shader::FullFrame, ShaderSourceFunction([&] {
                           ++built;
                           return std::string("void main() { nonsense; }");
                         })};
    std::string first;
    try {
      storage.MakeShader(broken);
    } catch (const ShaderException& error) {
      first = error.what();
    }
    EXPECT_EQ(built, 1);
    for (int frame = 0; frame < 3; ++frame) {
      try {
        storage.MakeShader(broken);
        ADD_FAILURE() << "built";
      } catch (const ShaderException& error) {
        EXPECT_EQ(error.what(), first);
      }
    }
    EXPECT_EQ(built, 1);
    EXPECT_GE(storage.FailureCount(), 1u);
  });
}

// A task that throws something that is not a std::exception.
class ThrowingTask final : public IOglTask {
 public:
  ThrowingTask() : IOglTask(1, "ThrowingTask") {}
  void Execute(ShaderStorage&) override { throw 42; }
};

TEST(TaskBoundary, ATaskThrowingAnythingFailsItsDataAndTheThreadGoesOn) {
  auto data = DataVideoOGL::Create({}, PixFmt::RGBA, {2, 2, 1, 1});
  data->AttachTask(MakeRef<ThrowingTask>());
  EXPECT_THROW(data->Wait(), int);
  Manager().Post([](ShaderStorage&) { throw 7; });
  Manager().Finish();
  auto after = Testing::Upload(Testing::MakeTestPattern(2, 2, PixFmt::RGBA));
  EXPECT_EQ(Testing::PixelAt(*Testing::Download(after), 0, 0)[1], 255);
}

}  // namespace
}  // namespace Obrisk::Ogl
