// Frames and planes round the GPU and back on both transfer paths: main
// memory directly, and through pixel-unpack and pixel-pack buffers.
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/PixelBuffer.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/ogl/YUVTextures.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PixFmt;
using Testing::Pixel;

OglManager& Manager() {
  return OglManager::GetInstance();
}

std::string PathName(TransferPath path) {
  return path == TransferPath::PixelBuffer ? "PixelBuffer" : "Direct";
}

// Sets both directions' paths for a test and puts back what was there.
class PathsFor {
 public:
  PathsFor(TransferPath upload, TransferPath download)
      : upload_(UploadPath()), download_(DownloadPath()) {
    SetUploadPath(upload);
    SetDownloadPath(download);
  }
  ~PathsFor() {
    SetUploadPath(upload_);
    SetDownloadPath(download_);
  }
  PathsFor(const PathsFor&) = delete;
  PathsFor& operator=(const PathsFor&) = delete;

 private:
  TransferPath upload_;
  TransferPath download_;
};

// No pixel buffer may stay bound after a transfer: the next transfer from
// main memory would read its address as an offset into the buffer.
void ExpectNoPixelBufferBound() {
  GLint unpack = -1;
  GLint pack = -1;
  Manager().Invoke([&](ShaderStorage&) {
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpack);
    glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &pack);
  });
  EXPECT_EQ(unpack, 0);
  EXPECT_EQ(pack, 0);
}

const auto kPaths = ::testing::Values(TransferPath::Direct, TransferPath::PixelBuffer);

struct Size {
  int width;
  int height;
};

// Upload path, download path, format, size.
using FrameCase = std::tuple<TransferPath, TransferPath, PixFmt, Size>;

class FrameRoundTrip : public ::testing::TestWithParam<FrameCase> {};

// Odd widths give rows of no round length (7 RGBA pixels: 28 bytes; one
// pixel: 4), which neither path may pad.
TEST_P(FrameRoundTrip, KeepsEveryPixelAndTheRowOrder) {
  const auto [upload, download, format, size] = GetParam();
  const PathsFor paths(upload, download);
  auto frame = Testing::MakeTestPattern(size.width, size.height, format);
  auto back = DownloadFrame(UploadFrame(frame));
  ASSERT_EQ(back->GetFrameInfo().width, size.width);
  for (int y = 0; y < size.height; ++y) {
    for (int x = 0; x < size.width; ++x) {
      Pixel in = Testing::PixelAt(*frame, x, y);
      if (format == PixFmt::BGRA) std::swap(in[0], in[2]);
      if (format == PixFmt::RGBX) in[3] = 255;
      ASSERT_EQ(Testing::PixelAt(*back, x, y), in) << x << "," << y;
    }
  }
  ExpectNoPixelBufferBound();
}

std::string FrameCaseName(const ::testing::TestParamInfo<FrameCase>& info) {
  const Size size = std::get<3>(info.param);
  return PathName(std::get<0>(info.param)) + "Up" + PathName(std::get<1>(info.param)) + "Down" +
         std::to_string(static_cast<int>(std::get<2>(info.param))) + "_" +
         std::to_string(size.width) + "x" + std::to_string(size.height);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FrameRoundTrip,
    ::testing::Combine(kPaths, kPaths, ::testing::Values(PixFmt::RGBA, PixFmt::BGRA, PixFmt::RGBX),
                       ::testing::Values(Size{7, 5}, Size{1, 1}, Size{33, 2})),
    FrameCaseName);

using PathPair = std::tuple<TransferPath, TransferPath>;

std::string PairName(const ::testing::TestParamInfo<PathPair>& info) {
  return PathName(std::get<0>(info.param)) + "Up" + PathName(std::get<1>(info.param)) + "Down";
}

class HalfRoundTrip : public ::testing::TestWithParam<PathPair> {};

// 16-bit float frames keep every bit; an odd width of 8-byte pixels too.
TEST_P(HalfRoundTrip, KeepsEveryHalfFloat) {
  const PathsFor paths(std::get<0>(GetParam()), std::get<1>(GetParam()));
  constexpr int kWidth = 37;
  constexpr int kHeight = 3;
  auto frame = Testing::MakeHalfRamp(kWidth, kHeight);
  auto back = DownloadFrame(UploadFrame(frame), Readback::AsRendered);
  ASSERT_EQ(back->GetPixelFormat(), PixFmt::RGBA_HALF);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      for (int c = 0; c < 4; ++c) {
        ASSERT_EQ(Testing::HalfAt(*back, x, y, c), Testing::HalfAt(*frame, x, y, c))
            << x << "," << y << " channel " << c;
      }
    }
  }
  ExpectNoPixelBufferBound();
}

INSTANTIATE_TEST_SUITE_P(Paths, HalfRoundTrip, ::testing::Combine(kPaths, kPaths), PairName);

class PlaneRoundTrip : public ::testing::TestWithParam<PathPair> {};

// The one-byte planes of a 4:2:0 picture of odd size (9x5: chroma 5x3), as
// normalised and as integer textures: rows of 9 and 5 bytes, no padding.
TEST_P(PlaneRoundTrip, KeepsCodeValuesOfOddSizedPlanes) {
  const PathsFor paths(std::get<0>(GetParam()), std::get<1>(GetParam()));
  const Proc::FrameInfo info{9, 5, 1, 1};
  for (auto samples : {YUVTextures::Samples::Normalized, YUVTextures::Samples::Integer}) {
    Manager().Invoke([&](ShaderStorage& storage) {
      YUVTextures planes(info, PixFmt::YUV420P, samples);
      for (int p = 0; p < planes.PlaneCount(); ++p) {
        Texture& plane = planes.Plane(p);
        std::vector<std::uint8_t> codes(static_cast<std::size_t>(plane.Width() * plane.Height()));
        for (std::size_t i = 0; i < codes.size(); ++i) {
          codes[i] = static_cast<std::uint8_t>(37 * i + 11 * p);  // a spread of code values
        }
        plane.Update(0, codes.data());
        std::vector<std::uint8_t> rgba(codes.size() * 4);
        plane.Download(0, rgba.data(), storage.FBO());
        for (std::size_t i = 0; i < codes.size(); ++i) {
          ASSERT_EQ(rgba[4 * i], codes[i]) << "plane " << p << " texel " << i;
        }
      }
    });
  }
  ExpectNoPixelBufferBound();
}

INSTANTIATE_TEST_SUITE_P(Paths, PlaneRoundTrip, ::testing::Combine(kPaths, kPaths), PairName);

class PlanarReadback : public ::testing::TestWithParam<TransferPath> {};

// A planar frame is read back as its RGBA picture: a grey ramp of limited
// range luma (16 to 235) with neutral chroma decodes to (Y - 16) * 255 / 219.
TEST_P(PlanarReadback, ReadsThePictureOfThePlanes) {
  const PathsFor paths(UploadPath(), GetParam());
  constexpr int kWidth = 11;
  constexpr int kHeight = 3;
  constexpr int kBlack = 16;
  constexpr double kLumaScale = 255.0 / 219.0;  // limited range luma to full
  const Proc::ColorSpace space{1, 1, 6, 0};     // BT.601, limited range
  auto data = DataVideoOGL::Create(space, PixFmt::YUV420P, {kWidth, kHeight, 1, 1});
  Manager().Invoke([&](ShaderStorage& storage) {
    data->Resolve(storage);
    YUVTextures planes = data->FrameData()->Planes();
    std::vector<std::uint8_t> luma(kWidth * kHeight);
    for (std::size_t i = 0; i < luma.size(); ++i)
      luma[i] = static_cast<std::uint8_t>(kBlack + 6 * i);
    planes.Plane(YUVTextures::kLuma).Update(0, luma.data());
    for (int p : {YUVTextures::kCb, YUVTextures::kCr}) {
      const Texture& chroma = planes.Plane(p);
      const std::vector<std::uint8_t> neutral(
          static_cast<std::size_t>(chroma.Width() * chroma.Height()), 128);
      planes.Plane(p).Update(0, neutral.data());
    }
  });
  auto back = DownloadFrame(data);
  ASSERT_EQ(back->GetPixelFormat(), PixFmt::RGBX);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      // Rows of the planes are bottom first; the frame read back is top first.
      const int code = kBlack + 6 * ((kHeight - 1 - y) * kWidth + x);
      const double grey = std::clamp((code - kBlack) * kLumaScale, 0.0, 255.0);
      const Pixel pixel = Testing::PixelAt(*back, x, y);
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(pixel[c], grey, 1.0) << x << "," << y;
      EXPECT_EQ(pixel[3], 255);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, PlanarReadback, kPaths,
                         [](const auto& info) { return PathName(info.param); });

class StartedReadback : public ::testing::TestWithParam<TransferPath> {};

// Readbacks started one after another and taken in another order each give
// their own frame, and a readback dropped untaken gives its buffer back.
TEST_P(StartedReadback, KeepsFramesApartInFlight) {
  const PathsFor paths(UploadPath(), GetParam());
  constexpr int kFrames = 3;
  std::vector<FrameReadback> started;
  for (int i = 0; i < kFrames; ++i) {
    const auto level = static_cast<std::uint8_t>(50 * (i + 1));
    started.push_back(
        StartDownload(UploadFrame(Testing::MakeFrame(5, 3, PixFmt::RGBA, [&](int x, int) {
          return Pixel{level, std::uint8_t(x), 9, 255};
        }))));
  }
  for (int i = kFrames; i-- > 0;) {
    auto frame = started[static_cast<std::size_t>(i)].Take();
    EXPECT_EQ(Testing::PixelAt(*frame, 4, 2), (Pixel{std::uint8_t(50 * (i + 1)), 4, 9, 255}));
  }
  EXPECT_THROW(started.front().Take(), std::logic_error);
  {
    const FrameReadback dropped =
        StartDownload(UploadFrame(Testing::MakeTestPattern(4, 4, PixFmt::RGBA)));
  }
  Manager().Finish();
  std::size_t free = 0;
  Manager().Invoke(
      [&](ShaderStorage&) { free = PixelBufferPool::GetInstance().FreePackBuffers(); });
  if (GetParam() == TransferPath::PixelBuffer) {
    EXPECT_GE(free, 1U);
  }
  ExpectNoPixelBufferBound();
}

// A frame whose task fails fails its readback with the task's exception.
TEST_P(StartedReadback, RethrowsTheFailureOfTheFrame) {
  const PathsFor paths(UploadPath(), GetParam());
  auto unsupported = DataVideoOGL::Create({}, PixFmt::BGRA, {4, 4, 1, 1});
  FrameReadback readback = StartDownload(unsupported);
  EXPECT_THROW(readback.Take(), OglException);
}

INSTANTIATE_TEST_SUITE_P(Paths, StartedReadback, kPaths,
                         [](const auto& info) { return PathName(info.param); });

}  // namespace
}  // namespace Obrisk::Ogl
