// Planar Y'CbCr frames: conversions to and from RGBA against the BT.601,
// BT.709 and BT.2020 formulas on the CPU.
#include <array>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/ogl/YUVTextures.h"

namespace Obrisk::Ogl {
namespace {

using Proc::ColorSpace;
using Proc::PixFmt;
using Plane = std::vector<std::uint8_t>;

struct Weights {
  double kr, kb;
};

Weights WeightsOf(std::uint32_t matrix) {
  switch (matrix) {
    case 6:
      return {0.299, 0.114};
    case 9:
      return {0.2627, 0.0593};
    default:
      return {0.2126, 0.0722};
  }
}

// 8-bit Y'CbCr code values of an R'G'B' colour (BT.709-6 item 3 and 4.6).
std::array<int, 3> Encode(const std::array<double, 3>& rgb, std::uint32_t matrix, bool full) {
  const Weights w = WeightsOf(matrix);
  const double y = w.kr * rgb[0] + (1.0 - w.kr - w.kb) * rgb[1] + w.kb * rgb[2];
  const double pb = (rgb[2] - y) / (2.0 * (1.0 - w.kb));
  const double pr = (rgb[0] - y) / (2.0 * (1.0 - w.kr));
  const double lumaSpan = full ? 255.0 : 219.0;
  const double chromaSpan = full ? 255.0 : 224.0;
  const double black = full ? 0.0 : 16.0;
  return {static_cast<int>(std::lround(black + lumaSpan * y)),
          static_cast<int>(std::lround(128.0 + chromaSpan * pb)),
          static_cast<int>(std::lround(128.0 + chromaSpan * pr))};
}

std::array<double, 3> Decode(const std::array<int, 3>& code, std::uint32_t matrix, bool full) {
  const Weights w = WeightsOf(matrix);
  const double y = (code[0] - (full ? 0.0 : 16.0)) / (full ? 255.0 : 219.0);
  const double pb = (code[1] - 128.0) / (full ? 255.0 : 224.0);
  const double pr = (code[2] - 128.0) / (full ? 255.0 : 224.0);
  const double r = y + 2.0 * (1.0 - w.kr) * pr;
  const double b = y + 2.0 * (1.0 - w.kb) * pb;
  return {r, (y - w.kr * r - w.kb * b) / (1.0 - w.kr - w.kb), b};
}

Plane ReadPlane(Texture& texture, Surface& surface) {
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(texture.Width() * texture.Height()) * 4);
  texture.Download(0, rgba.data(), surface);
  Plane plane;
  for (std::size_t i = 0; i < rgba.size(); i += 4) plane.push_back(rgba[i]);
  return plane;
}

TEST(RgbToBT709YpPbPr, GivesTheBT709Values) {
  const glm::vec3 white = RgbToBT709YpPbPr({1, 1, 1});
  EXPECT_NEAR(white.x, 1.0f, 1e-6f);
  EXPECT_NEAR(white.y, 0.0f, 1e-6f);
  EXPECT_NEAR(white.z, 0.0f, 1e-6f);
  const glm::vec3 red = RgbToBT709YpPbPr({1, 0, 0});
  EXPECT_NEAR(red.x, 0.2126f, 1e-6f);
  EXPECT_NEAR(red.y, -0.2126f / 1.8556f, 1e-6f);
  EXPECT_NEAR(red.z, 0.5f, 1e-6f);
  const glm::vec3 blue = RgbToBT709YpPbPr({0, 0, 1});
  EXPECT_NEAR(blue.y, 0.5f, 1e-6f);
}

struct RoundTripCase {
  std::uint32_t matrix;
  bool full;
};

class YUVRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// 8-bit planes drawn as a 16-bit float RGBA picture and split again give
// back the same code values.
TEST_P(YUVRoundTrip, KeepsEightBitValues) {
  const ColorSpace space{1, 1, GetParam().matrix, GetParam().full ? 1u : 0u};
  constexpr int kWidth = 8;
  constexpr int kHeight = 8;
  std::array<Plane, 3> planes;
  for (int i = 0; i < kWidth * kHeight; ++i) {
    // In-gamut colours spread over the cube, the corners included.
    const std::array<double, 3> rgb{(i % 4) / 3.0, ((i / 4) % 4) / 3.0, (i / 16) / 3.0};
    const auto code = Encode(rgb, space.matrix, GetParam().full);
    for (int p = 0; p < 3; ++p) planes[p].push_back(static_cast<std::uint8_t>(code[p]));
  }
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    const Proc::FrameInfo info{kWidth, kHeight, 1, 1};
    Ptr<Frame> source = Frame::CreateIntermediate(space, PixFmt::YUV444P, info);
    for (int p = 0; p < 3; ++p) source->Planes().Plane(p).Update(0, planes[p].data());
    Ptr<Frame> rgba = Frame::CreateIntermediate(space, PixFmt::RGBA_HALF, info);
    storage.FBO().Attach(rgba->GetFirstTexture());
    YUVConverter::ToRGBA(source->Planes(), space, storage);
    Ptr<Frame> back = Frame::CreateIntermediate(space, PixFmt::YUV444P, info);
    YUVTextures backPlanes = back->Planes();
    YUVConverter::FromRGBA(rgba->GetFirstTexture(), space, backPlanes, storage);
    for (int p = 0; p < 3; ++p) {
      EXPECT_EQ(ReadPlane(backPlanes.Plane(p), storage.FBO()), planes[p]) << "plane " << p;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(Matrices, YUVRoundTrip,
                         ::testing::Values(RoundTripCase{1, false}, RoundTripCase{1, true},
                                           RoundTripCase{6, false}, RoundTripCase{9, false},
                                           RoundTripCase{9, true}));

// A YUVA 4:2:0 frame with one chroma value throughout reads back as RGBA
// with the formula's colours and the alpha plane's alpha.
TEST(YUVFrame, PlanarFrameConvertsToRGBAWithItsAlpha) {
  const ColorSpace space{1, 1, 1, 0};
  constexpr int kWidth = 8;
  constexpr int kHeight = 4;
  Plane luma;
  Plane alpha;
  for (int i = 0; i < kWidth * kHeight; ++i) {
    luma.push_back(static_cast<std::uint8_t>(16 + i * 7));
    alpha.push_back(static_cast<std::uint8_t>(255 - i * 8));
  }
  const Plane cb(kWidth * kHeight / 4, 100);
  const Plane cr(kWidth * kHeight / 4, 150);
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    Ptr<Frame> frame = Frame::CreateIntermediate(space, PixFmt::YUVA420P, {kWidth, kHeight, 1, 1});
    YUVTextures planes = frame->Planes();
    ASSERT_EQ(planes.PlaneCount(), 4);
    EXPECT_EQ(planes.Plane(YUVTextures::kCb).Width(), kWidth / 2);
    planes.Plane(YUVTextures::kLuma).Update(0, luma.data());
    planes.Plane(YUVTextures::kCb).Update(0, cb.data());
    planes.Plane(YUVTextures::kCr).Update(0, cr.data());
    planes.Plane(YUVTextures::kAlpha).Update(0, alpha.data());
    Ptr<Frame> rgba = frame->ConvertToRGBA(storage);
    EXPECT_EQ(rgba->GetPixelFormat(), PixFmt::RGBA);
    std::vector<std::uint8_t> pixels(kWidth * kHeight * 4);
    rgba->GetFirstTexture().Download(0, pixels.data(), storage.FBO());
    for (int i = 0; i < kWidth * kHeight; ++i) {
      const auto rgb = Decode({luma[i], 100, 150}, 1, false);
      for (int c = 0; c < 3; ++c) {
        const double expected = std::clamp(rgb[c], 0.0, 1.0) * 255.0;
        EXPECT_NEAR(pixels[4 * i + c], expected, 1.0) << "pixel " << i << " channel " << c;
      }
      EXPECT_EQ(pixels[4 * i + 3], alpha[i]);
    }
    EXPECT_EQ(frame->ConvertToRGB(storage)->GetPixelFormat(), PixFmt::RGBX);
  });
}

// Splitting into 4:2:0 gives each chroma sample the mean of its 2x2 block.
TEST(YUVFrame, SubsampledChromaIsTheBlockMean) {
  const ColorSpace space{1, 1, 1, 1};
  constexpr int kWidth = 4;
  constexpr int kHeight = 2;
  const std::array<std::array<double, 3>, 2> blockColours{{{1.0, 0.0, 0.0}, {0.0, 0.0, 1.0}}};
  std::vector<std::uint8_t> pixels;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      // Left block: red and black columns; right block: blue and white rows.
      std::array<double, 3> c = x < 2 ? (x == 0 ? blockColours[0] : std::array<double, 3>{})
                                      : (y == 0 ? blockColours[1] : std::array<double, 3>{1, 1, 1});
      for (double v : c) pixels.push_back(static_cast<std::uint8_t>(v * 255.0));
      pixels.push_back(255);
    }
  }
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    Texture::Params params;
    params.width = kWidth;
    params.height = kHeight;
    Texture rgba(params, pixels.data());
    Ptr<Frame> frame = Frame::CreateIntermediate(space, PixFmt::YUV420P, {kWidth, kHeight, 1, 1});
    YUVTextures planes = frame->Planes();
    YUVConverter::FromRGBA(rgba, space, planes, storage);
    const Plane cb = ReadPlane(planes.Plane(YUVTextures::kCb), storage.FBO());
    const Plane cr = ReadPlane(planes.Plane(YUVTextures::kCr), storage.FBO());
    const auto red = Encode({1, 0, 0}, 1, true);
    const auto black = Encode({0, 0, 0}, 1, true);
    const auto blue = Encode({0, 0, 1}, 1, true);
    const auto white = Encode({1, 1, 1}, 1, true);
    EXPECT_NEAR(cb[0], (red[1] + black[1]) / 2.0, 1.0);
    EXPECT_NEAR(cr[0], (red[2] + black[2]) / 2.0, 1.0);
    EXPECT_NEAR(cb[1], (blue[1] + white[1]) / 2.0, 1.0);
    EXPECT_NEAR(cr[1], (blue[2] + white[2]) / 2.0, 1.0);
  });
}

TEST(YUVFrame, PlanesThatDoNotFitTheFormatAreRejected) {
  OglManager::GetInstance().Invoke([](ShaderStorage&) {
    Ptr<Frame> frame = Frame::CreateIntermediate({}, PixFmt::YUV444P, {4, 4, 1, 1});
    YUVTextures planes = frame->Planes();
    EXPECT_THROW(
        YUVTextures(PixFmt::YUV420P, {&planes.Plane(0), &planes.Plane(1), &planes.Plane(2)}),
        OglException);
    EXPECT_THROW(
        YUVTextures(PixFmt::YUVA444P, {&planes.Plane(0), &planes.Plane(1), &planes.Plane(2)}),
        OglException);
    Ptr<Frame> rgba = Frame::CreateIntermediate({}, PixFmt::RGBA, {4, 4, 1, 1});
    EXPECT_THROW(rgba->Planes(), OglException);
  });
}

}  // namespace
}  // namespace Obrisk::Ogl
