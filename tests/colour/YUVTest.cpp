// Planar Y'CbCr frames: conversions to and from RGBA against the BT.601,
// BT.709 and BT.2020 formulas on the CPU.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
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

// BT.601 (matrix 6), BT.2020 (9) or BT.709 luma weights.
Weights WeightsOf(std::uint32_t matrix) {
  return matrix == 6   ? Weights{0.299, 0.114}
         : matrix == 9 ? Weights{0.2627, 0.0593}
                       : Weights{0.2126, 0.0722};
}

// Y'CbCr of an R'G'B' colour on the 8-bit code scale, before rounding
// (BT.709-6 item 3 and 4.6).
std::array<double, 3> EncodeExact(const std::array<double, 3>& rgb, std::uint32_t matrix,
                                  bool full) {
  const Weights w = WeightsOf(matrix);
  const double y = w.kr * rgb[0] + (1.0 - w.kr - w.kb) * rgb[1] + w.kb * rgb[2];
  const double pb = (rgb[2] - y) / (2.0 * (1.0 - w.kb));
  const double pr = (rgb[0] - y) / (2.0 * (1.0 - w.kr));
  const double lumaSpan = full ? 255.0 : 219.0;
  const double chromaSpan = full ? 255.0 : 224.0;
  const double black = full ? 0.0 : 16.0;
  return {black + lumaSpan * y, 128.0 + chromaSpan * pb, 128.0 + chromaSpan * pr};
}

// 8-bit Y'CbCr code values of an R'G'B' colour.
std::array<int, 3> Encode(const std::array<double, 3>& rgb, std::uint32_t matrix, bool full) {
  std::array<int, 3> code;
  std::ranges::transform(EncodeExact(rgb, matrix, full), code.begin(),
                         [](double v) { return static_cast<int>(std::lround(v)); });
  return code;
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

// The first channel of each texel of a plane, rows bottom first: code
// values (T = std::uint8_t) or samples as floats (T = float, GL_FLOAT).
template <class T = std::uint8_t>
std::vector<T> ReadPlane(Texture& texture, Surface& surface, GLenum type = GL_UNSIGNED_BYTE) {
  std::vector<T> rgba(static_cast<std::size_t>(texture.Width() * texture.Height()) * 4);
  texture.Download(0, rgba.data(), surface, type);
  std::vector<T> plane;
  for (std::size_t i = 0; i < rgba.size(); i += 4) plane.push_back(rgba[i]);
  return plane;
}

// An 8-bit RGBA texture of `pixels` (rows bottom first).
std::unique_ptr<Texture> RgbaTexture(int width, int height, const std::uint8_t* pixels) {
  Texture::Params params;
  params.width = width;
  params.height = height;
  return std::make_unique<Texture>(params, pixels);
}

// Reads an RGBA texture back and checks each pixel i against the BT.709
// limited-range decoding of `code(i)` (within one level) and its alpha.
void ExpectDecodedPixels(Texture& rgba, Surface& surface,
                         const std::function<std::array<int, 3>(int i)>& code,
                         const std::function<int(int i)>& alpha) {
  const int count = rgba.Width() * rgba.Height();
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(count) * 4);
  rgba.Download(0, pixels.data(), surface);
  for (int i = 0; i < count; ++i) {
    const auto rgb = Decode(code(i), 1, false);
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(pixels[4 * i + c], std::clamp(rgb[c], 0.0, 1.0) * 255.0, 1.0)
          << "pixel " << i << " channel " << c;
    }
    EXPECT_EQ(pixels[4 * i + 3], alpha(i)) << "pixel " << i;
  }
}

// Y'PbPr is the full-range encoding without the code offsets.
TEST(RgbToBT709YpPbPr, GivesTheBT709Values) {
  for (const glm::vec3 rgb :
       {glm::vec3(1, 1, 1), glm::vec3(1, 0, 0), glm::vec3(0, 0, 1), glm::vec3(0.2f, 0.7f, 0.4f)}) {
    const glm::vec3 ypbpr = RgbToBT709YpPbPr(rgb);
    const auto code = EncodeExact({rgb.r, rgb.g, rgb.b}, 1, true);
    EXPECT_NEAR(ypbpr.x, code[0] / 255.0, 1e-6);
    EXPECT_NEAR(ypbpr.y, (code[1] - 128.0) / 255.0, 1e-6);
    EXPECT_NEAR(ypbpr.z, (code[2] - 128.0) / 255.0, 1e-6);
  }
}

struct IntegerCase {
  PixFmt format;
  std::uint32_t matrix;
  bool full;
};

class YUVRoundTrip : public ::testing::TestWithParam<IntegerCase> {};

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
    Ptr<Frame> source = Frame::CreateIntermediate(space, GetParam().format, info);
    for (int p = 0; p < 3; ++p) source->Planes().Plane(p).Update(0, planes[p].data());
    Ptr<Frame> rgba = Frame::CreateIntermediate(space, PixFmt::RGBA_HALF, info);
    YUVConverter converter(storage, space);
    converter.ToRGBA(source->Planes(), rgba->GetFirstTexture());
    Ptr<Frame> back = Frame::CreateIntermediate(space, GetParam().format, info);
    YUVTextures backPlanes = back->Planes();
    converter.ToYUV(rgba->GetFirstTexture(), backPlanes);
    for (int p = 0; p < 3; ++p) {
      EXPECT_EQ(ReadPlane(backPlanes.Plane(p), storage.FBO()), planes[p]) << "plane " << p;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(Matrices, YUVRoundTrip,
                         ::testing::Values(IntegerCase{PixFmt::YUV444P, 1, false},
                                           IntegerCase{PixFmt::YUV444P, 1, true},
                                           IntegerCase{PixFmt::YUV444P, 6, false},
                                           IntegerCase{PixFmt::YUV444P, 9, false},
                                           IntegerCase{PixFmt::YUV444P, 9, true}));

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
    ExpectDecodedPixels(
        rgba->GetFirstTexture(), storage.FBO(),
        [&](int i) {
          return std::array<int, 3>{luma[i], 100, 150};
        },
        [&](int i) { return alpha[i]; });
    EXPECT_EQ(frame->ConvertToRGB(storage)->GetPixelFormat(), PixFmt::RGBX);
  });
}

// Splitting into 4:2:0 gives each chroma sample the mean of its 2x2 block.
TEST(YUVFrame, SubsampledChromaIsTheBlockMean) {
  const ColorSpace space{1, 1, 1, 1};
  constexpr int kWidth = 4;
  constexpr int kHeight = 2;
  // Left block: red and black columns; right block: blue and white rows.
  const std::vector<std::uint8_t> pixels{255, 0,   0,   255, 0,   0,   0,   255, 0,   0,  255,
                                         255, 0,   0,   255, 255, 255, 0,   0,   255, 0,  0,
                                         0,   255, 255, 255, 255, 255, 255, 255, 255, 255};
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    const auto rgba = RgbaTexture(kWidth, kHeight, pixels.data());
    Ptr<Frame> frame = Frame::CreateIntermediate(space, PixFmt::YUV420P, {kWidth, kHeight, 1, 1});
    YUVTextures planes = frame->Planes();
    YUVConverter(storage, space).ToYUV(*rgba, planes);
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

// The code values of an integer plane, rows bottom first.
Plane ReadIntegerPlane(Texture& texture, Surface& surface) {
  EXPECT_TRUE(texture.IsInteger());
  return ReadPlane(texture, surface);
}

bool IsSubsampled(PixFmt format) {
  return format == PixFmt::YUV420P || format == PixFmt::YUVA420P;
}

bool HasAlphaPlane(PixFmt format) {
  return format == PixFmt::YUVA420P || format == PixFmt::YUVA444P;
}

constexpr int kPictureWidth = 8;
constexpr int kPictureHeight = 4;

// R'G'B' of the known picture (rows bottom first, as on the GPU): colours
// from the levels 0, 85, 170 and 255 of each channel, corners included.
std::array<double, 3> PictureColour(int x, int y) {
  const int i = y * kPictureWidth + x;
  return {(i % 4) / 3.0, ((i / 4) % 4) / 3.0, ((i / 16) % 4) / 3.0};
}

std::uint8_t PictureAlpha(int x, int y) {
  return static_cast<std::uint8_t>((y * kPictureWidth + x) * 37 % 256);
}

using Colour = std::function<std::array<double, 3>(int x, int y)>;

// 8-bit RGBA pixels of the colours and PictureAlpha, rows bottom first.
std::vector<std::uint8_t> PicturePixels(const Colour& colour = PictureColour) {
  std::vector<std::uint8_t> pixels;
  for (int y = 0; y < kPictureHeight; ++y) {
    for (int x = 0; x < kPictureWidth; ++x) {
      for (double c : colour(x, y))
        pixels.push_back(static_cast<std::uint8_t>(std::lround(c * 255)));
      pixels.push_back(PictureAlpha(x, y));
    }
  }
  return pixels;
}

// The picture split into a new integer set of the case's format.
YUVTextures SplitPicture(const IntegerCase& param, ShaderStorage& storage) {
  const std::vector<std::uint8_t> pixels = PicturePixels();
  const auto rgba = RgbaTexture(kPictureWidth, kPictureHeight, pixels.data());
  const Proc::FrameInfo info{kPictureWidth, kPictureHeight, 1, 1};
  YUVTextures planes(info, param.format, YUVTextures::Samples::Integer);
  YUVConverter converter(storage, ColorSpace{1, 1, param.matrix, param.full ? 1u : 0u});
  if (HasAlphaPlane(param.format)) {
    converter.ToYUVA(*rgba, planes);
  } else {
    converter.ToYUV(*rgba, planes);
  }
  return planes;
}

// The exact values (on the code scale, clamped to it) that each plane of
// the picture should hold rounded. A 4:2:0 chroma sample is the mean of
// its block's four values.
std::vector<std::vector<double>> ExpectedPlanes(const IntegerCase& param) {
  const int shift = IsSubsampled(param.format) ? 1 : 0;
  std::vector<std::vector<double>> planes(HasAlphaPlane(param.format) ? 4 : 3);
  for (int y = 0; y < kPictureHeight; ++y) {
    for (int x = 0; x < kPictureWidth; ++x) {
      planes[0].push_back(EncodeExact(PictureColour(x, y), param.matrix, param.full)[0]);
      if (planes.size() > 3) planes[3].push_back(PictureAlpha(x, y));
    }
  }
  for (int y = 0; y < kPictureHeight >> shift; ++y) {
    for (int x = 0; x < kPictureWidth >> shift; ++x) {
      const int n = 1 << shift;
      double cb = 0.0;
      double cr = 0.0;
      for (int j = 0; j < n * n; ++j) {
        const auto exact = EncodeExact(PictureColour((x << shift) + j % n, (y << shift) + j / n),
                                       param.matrix, param.full);
        cb += exact[1] / (n * n);
        cr += exact[2] / (n * n);
      }
      planes[1].push_back(cb);
      planes[2].push_back(cr);
    }
  }
  for (auto& plane : planes)
    std::ranges::for_each(plane, [](double& v) { v = std::clamp(v, 0.0, 255.0); });
  return planes;
}

class YUVIntegerPlanes : public ::testing::TestWithParam<IntegerCase> {};

// Each code value is the exact value rounded to the nearest (either one on
// a tie: full-range yellow has Cb 0.5). The 4:2:0 chroma comes from the
// RGBA texture's bilinear filter, which may round the block mean to 8 bits
// before the matrix: one code value of slack there.
TEST_P(YUVIntegerPlanes, HoldTheCodeValuesOfTheFormula) {
  constexpr double kRounding = 0.5 + 1e-9;
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    const YUVTextures planes = SplitPicture(GetParam(), storage);
    ASSERT_TRUE(planes.IsInteger());
    const std::vector<std::vector<double>> expected = ExpectedPlanes(GetParam());
    ASSERT_EQ(planes.PlaneCount(), static_cast<int>(expected.size()));
    const double chromaSlack = IsSubsampled(GetParam().format) ? 1.0 : 0.0;
    for (int p = 0; p < planes.PlaneCount(); ++p) {
      const Plane actual = ReadIntegerPlane(planes.Plane(p), storage.FBO());
      ASSERT_EQ(actual.size(), expected[p].size()) << "plane " << p;
      const bool chroma = p == YUVTextures::kCb || p == YUVTextures::kCr;
      for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i], expected[p][i], kRounding + (chroma ? chromaSlack : 0.0))
            << "plane " << p << " sample " << i;
      }
    }
  });
}

// ToNormalized reads each code value v as v / 255, and ToInteger gives the
// code values back.
TEST_P(YUVIntegerPlanes, NormaliseToValueOver255AndBack) {
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    const YUVTextures integer = SplitPicture(GetParam(), storage);
    const YUVTextures normalised = integer.ToNormalized(storage);
    EXPECT_FALSE(normalised.IsInteger());
    EXPECT_EQ(normalised.Format(), GetParam().format);
    const YUVTextures back = normalised.ToInteger(storage);
    EXPECT_TRUE(back.IsInteger());
    for (int p = 0; p < integer.PlaneCount(); ++p) {
      const Plane codes = ReadIntegerPlane(integer.Plane(p), storage.FBO());
      const std::vector<float> samples =
          ReadPlane<float>(normalised.Plane(p), storage.FBO(), GL_FLOAT);
      ASSERT_EQ(samples.size(), codes.size());
      for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_FLOAT_EQ(samples[i], codes[i] / 255.0f) << "plane " << p << " sample " << i;
      }
      EXPECT_EQ(ReadIntegerPlane(back.Plane(p), storage.FBO()), codes) << "plane " << p;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(Formats, YUVIntegerPlanes,
                         ::testing::Values(IntegerCase{PixFmt::YUV420P, 1, false},
                                           IntegerCase{PixFmt::YUV444P, 1, true},
                                           IntegerCase{PixFmt::YUVA420P, 6, false},
                                           IntegerCase{PixFmt::YUVA444P, 9, true},
                                           IntegerCase{PixFmt::YUVA444P, 1, false}));

class YUVIntegerRoundTrip : public ::testing::TestWithParam<PixFmt> {};

// The path of an effect that filters chroma: split RGBA into integer planes,
// normalise, (filter,) back to integer and to RGBA with the first set's
// alpha plane. The picture keeps one chroma throughout (a colour plus grey
// ramps), so that 4:2:0 upsampling adds nothing and the result is the
// formula's decoding of the code values.
TEST_P(YUVIntegerRoundTrip, GivesTheDecodedPictureWithItsAlpha) {
  const ColorSpace space{1, 1, 1, 0};
  const PixFmt format = GetParam();
  auto colour = [](int x, int y) {
    const int grey = (y * kPictureWidth + x) * 5;
    return std::array<double, 3>{(40 + grey) / 255.0, (90 + grey) / 255.0, (20 + grey) / 255.0};
  };
  const std::vector<std::uint8_t> pixels = PicturePixels(colour);
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    const Proc::FrameInfo info{kPictureWidth, kPictureHeight, 1, 1};
    Ptr<Frame> source = Frame::CreateIntermediate(space, PixFmt::RGBA, info);
    source->GetFirstTexture().Update(0, pixels.data());
    YUVTextures integer(info, format, YUVTextures::Samples::Integer);
    YUVConverter converter(storage, space);
    converter.ToYUVA(source->GetFirstTexture(), integer);
    const YUVTextures normalised = integer.ToNormalized(storage);
    const YUVTextures output = normalised.ToInteger(storage);
    Ptr<Frame> target = Frame::CreateIntermediate(space, PixFmt::RGBA, info);
    converter.ToRGBA(output, integer.Plane(YUVTextures::kAlpha), target->GetFirstTexture());
    ExpectDecodedPixels(
        target->GetFirstTexture(), storage.FBO(),
        [&](int i) { return Encode(colour(i % kPictureWidth, i / kPictureWidth), 1, false); },
        [&](int i) { return pixels[4 * i + 3]; });
  });
}

INSTANTIATE_TEST_SUITE_P(Formats, YUVIntegerRoundTrip,
                         ::testing::Values(PixFmt::YUVA420P, PixFmt::YUVA444P));

TEST(YUVTextures, MisuseIsRejected) {
  OglManager::GetInstance().Invoke([](ShaderStorage& storage) {
    const Proc::FrameInfo info{4, 4, 1, 1};
    // Planes that do not fit the format.
    Ptr<Frame> frame = Frame::CreateIntermediate({}, PixFmt::YUV444P, info);
    YUVTextures planes = frame->Planes();
    EXPECT_THROW(
        YUVTextures(PixFmt::YUV420P, {&planes.Plane(0), &planes.Plane(1), &planes.Plane(2)}),
        OglException);
    EXPECT_THROW(
        YUVTextures(PixFmt::YUVA444P, {&planes.Plane(0), &planes.Plane(1), &planes.Plane(2)}),
        OglException);
    EXPECT_THROW(Frame::CreateIntermediate({}, PixFmt::RGBA, info)->Planes(), OglException);
    YUVTextures opaque(info, PixFmt::YUV444P, YUVTextures::Samples::Integer);
    YUVConverter converter(storage, ColorSpace{});
    EXPECT_THROW(converter.ToYUVA(*RgbaTexture(4, 4, nullptr), opaque), OglException)
        << "no alpha plane";
    EXPECT_THROW(opaque.ToInteger(storage), OglException);
    const YUVTextures normalised = opaque.ToNormalized(storage);
    EXPECT_THROW(normalised.ToNormalized(storage), OglException);
    // A view may not mix normalised and integer planes.
    EXPECT_THROW(
        YUVTextures(PixFmt::YUV444P, {&opaque.Plane(0), &normalised.Plane(1), &opaque.Plane(2)}),
        OglException);
    EXPECT_TRUE(YUVTextures(PixFmt::YUV444P, {&opaque.Plane(0), &opaque.Plane(1), &opaque.Plane(2)})
                    .IsInteger());
    EXPECT_THROW(YUVConverter(storage, ColorSpace{1, 1, 0, 0}), OglException) << "matrix 0";
  });
}

}  // namespace
}  // namespace Obrisk::Ogl
