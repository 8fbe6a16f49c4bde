// Settings of the service stages that hosts create around effects.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <tuple>

#include "obrisk/host/Media.h"
#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// Turns frames in main memory into GPU video data; has no parameters.
class SettingsFrameUploader final : public SettingsBase<SettingsFrameUploader> {
 public:
  inline static const std::string CLASS_ID{"SettingsFrameUploader"};
  static constexpr std::string_view FAMILY = Family::kService;
  static constexpr std::string_view DESCRIPTION = "Moves frames from memory to the GPU";
  static constexpr auto Fields() { return std::tuple<>(); }
};

}  // namespace Obrisk::Proc

namespace Obrisk::Proc {

// Converts video to the colour space it names (H.273 code points).
class SettingsColorSpaceConverter final : public SettingsBase<SettingsColorSpaceConverter> {
 public:
  inline static const std::string CLASS_ID{"SettingsColorSpaceConverter"};
  static constexpr std::string_view FAMILY = Family::kService;
  static constexpr std::string_view DESCRIPTION = "Converts video to another colour space";
  static constexpr std::array PRESETS{
      Preset{"to-bt2020", R"({"primaries": 9, "matrix": 9})",
             "BT.709 colours converted to BT.2020 primaries and matrix"},
      Preset{"to-bt601", R"({"primaries": 6, "matrix": 6})",
             "to SMPTE 170M (BT.601) primaries and matrix"},
      Preset{"to-linear", R"({"transfer": 8})", "to linear transfer"}};
  static constexpr auto Fields() {
    using S = SettingsColorSpaceConverter;
    return std::make_tuple(
        Param("primaries", &S::primaries_, 0, 255, "colour primaries, H.273 code (1 BT.709)"),
        Param("transfer", &S::transfer_, 0, 255, "transfer characteristics, H.273 code"),
        Param("matrix", &S::matrix_, 0, 255, "YCbCr matrix coefficients, H.273 code"),
        Param("fullRange", &S::fullRange_, "YCbCr in full range rather than limited"),
        Param("linearMode", &S::linearMode_, "convert in linear light"),
        Param("toneMapping", &S::toneMapping_, "tone-map HDR to SDR when the peaks differ"));
  }

  ColorSpace GetDestinationColorSpace() const {
    return ColorSpace{static_cast<std::uint32_t>(primaries_), static_cast<std::uint32_t>(transfer_),
                      static_cast<std::uint32_t>(matrix_), fullRange_ ? 1u : 0u};
  }
  void SetDestinationColorSpace(const ColorSpace& colorSpace) {
    Update([&](auto& s) {
      s.primaries_ = static_cast<std::int32_t>(colorSpace.primaries);
      s.transfer_ = static_cast<std::int32_t>(colorSpace.transfer);
      s.matrix_ = static_cast<std::int32_t>(colorSpace.matrix);
      s.fullRange_ = colorSpace.fullRange != 0;
    });
  }
  bool GetLinearMode() const { return linearMode_; }
  bool GetToneMapping() const { return toneMapping_; }

 private:
  std::int32_t primaries_ = 1;
  std::int32_t transfer_ = 1;
  std::int32_t matrix_ = 1;
  bool fullRange_ = false;
  bool linearMode_ = false;
  bool toneMapping_ = false;
};

}  // namespace Obrisk::Proc

namespace Obrisk::Proc {

// How a resizer samples the source. The values are the host's; the GPU
// resizer draws 1 (bilinear) and 9 (Lanczos) and treats the others as the
// nearer of the two (0, 4 and 5 as bilinear, the rest as Lanczos).
enum class ResizeMethods : std::int32_t {
  Default = 0,
  Bilinear = 1,
  Bicubic = 2,
  Spline = 3,
  Nearest = 4,
  FastBilinear = 5,
  Gauss = 6,
  Sinc = 7,
  Area = 8,
  Lanczos = 9
};

// Margins in pixels of a picture: left, right, top, bottom (rows from the top).
using CropInfo = std::array<std::uint32_t, 4>;

// Where a picture lands in the new frame size.
enum class ResizePlacement : std::int32_t {
  Stretch = 0,  // fills the frame, aspect not kept
  Fit = 1,      // whole picture, aspect kept, bands of the background colour
  Fill = 2      // fills the frame, aspect kept, the overflow cropped away
};

// Scales and places video into a new frame size.
class SettingsResizer final : public SettingsBase<SettingsResizer> {
 public:
  inline static const std::string CLASS_ID{"SettingsResizer"};
  static constexpr std::string_view FAMILY = Family::kService;
  static constexpr std::string_view DESCRIPTION =
      "Resizes the frame (Lanczos and simpler methods): stretch, fit with bars, or fill";
  static constexpr std::array PRESETS{
      Preset{"fit-square", R"({"width": 256, "height": 256, "placement": 1})",
             "fitted into a square with bands"},
      Preset{"fill-square", R"({"width": 256, "height": 256, "placement": 2})",
             "filling a square, cropped"},
      Preset{"stretch-square", R"({"width": 256, "height": 256, "placement": 0})",
             "stretched to a square"},
      Preset{"nearest-small", R"({"width": 64, "height": 36, "method": 0})",
             "down to 64x36, nearest neighbour"}};
  static constexpr auto Fields() {
    using S = SettingsResizer;
    return std::make_tuple(
        Param("width", &S::width_, 0, kMaxSize, "output width in pixels; 0 keeps the input's"),
        Param("height", &S::height_, 0, kMaxSize, "output height in pixels; 0 keeps the input's"),
        Param("pixelAspectNum", &S::pixelAspectNum_, 0, kMaxSize,
              "output pixel aspect numerator; 0 keeps the input's aspect"),
        Param("pixelAspectDen", &S::pixelAspectDen_, 0, kMaxSize,
              "output pixel aspect denominator; 0 keeps the input's aspect"),
        Param("placement", &S::placement_, 0, 2, "0 stretch, 1 fit with bands, 2 fill and crop"),
        Param("method", &S::method_, 0, kMaxMethod, "resize method (ResizeMethods)"),
        Param("cropLeft", &S::cropLeft_, 0, kMaxSize, "source pixels cropped at the left"),
        Param("cropRight", &S::cropRight_, 0, kMaxSize, "source pixels cropped at the right"),
        Param("cropTop", &S::cropTop_, 0, kMaxSize, "source pixels cropped at the top"),
        Param("cropBottom", &S::cropBottom_, 0, kMaxSize, "source pixels cropped at the bottom"),
        Param("backgroundRed", &S::backgroundRed_, 0, 255, "background red, 0 to 255"),
        Param("backgroundGreen", &S::backgroundGreen_, 0, 255, "background green, 0 to 255"),
        Param("backgroundBlue", &S::backgroundBlue_, 0, 255, "background blue, 0 to 255"),
        Param("backgroundAlpha", &S::backgroundAlpha_, 0, 255, "background alpha, 0 to 255"));
  }

  // The output frame: the set size (the input's where 0) and pixel aspect.
  FrameInfo GetOutputFrameSize(const FrameInfo& input) const;
  // The region drawn into (the whole output frame) for a source of that size;
  // `sourceCrop` receives the source margins left out (the set crop, plus
  // the overflow with Fill) and `destinationCrop` the output margins left
  // to the background (the bands with Fit). Throws std::invalid_argument
  // when the crop leaves nothing of the source.
  FrameInfo GetROI(const FrameInfo& source, CropInfo& sourceCrop, CropInfo& destinationCrop) const;
  // The quad that draws the kept source into its place: four vertices of
  // (s, t, x, y), bottom-left, bottom-right, top-right, top-left, with
  // texture coordinates from the bottom-left of the source and clip
  // positions -1 to 1.
  std::array<float, 16> CalculateCoordBuffer(const FrameInfo& source) const;

  ResizeMethods GetMethod() const { return static_cast<ResizeMethods>(method_); }
  void SetMethod(ResizeMethods method) { Assign(method_, static_cast<std::int32_t>(method)); }
  void SetOutputSize(std::int32_t width, std::int32_t height) {
    Update([&](auto& s) {
      s.width_ = width;
      s.height_ = height;
    });
  }
  void SetOutputPixelAspect(std::int32_t num, std::int32_t den) {
    Update([&](auto& s) {
      s.pixelAspectNum_ = num;
      s.pixelAspectDen_ = den;
    });
  }
  ResizePlacement GetPlacement() const { return static_cast<ResizePlacement>(placement_); }
  void SetPlacement(ResizePlacement placement) {
    Assign(placement_, static_cast<std::int32_t>(placement));
  }
  CropInfo GetCrop() const;
  void SetCrop(const CropInfo& crop);
  // Red, green, blue, alpha; 0 to 255 each.
  std::array<std::uint8_t, 4> GetBackgroundColor() const;
  void SetBackgroundColor(const std::array<std::uint8_t, 4>& color);

 private:
  static constexpr std::int32_t kMaxSize = 65536;
  static constexpr std::int32_t kMaxMethod = 255;

  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::int32_t pixelAspectNum_ = 0;
  std::int32_t pixelAspectDen_ = 0;
  std::int32_t placement_ = static_cast<std::int32_t>(ResizePlacement::Fit);
  std::int32_t method_ = static_cast<std::int32_t>(ResizeMethods::Lanczos);
  std::int32_t cropLeft_ = 0;
  std::int32_t cropRight_ = 0;
  std::int32_t cropTop_ = 0;
  std::int32_t cropBottom_ = 0;
  std::int32_t backgroundRed_ = 0;
  std::int32_t backgroundGreen_ = 0;
  std::int32_t backgroundBlue_ = 0;
  std::int32_t backgroundAlpha_ = 255;
};

}  // namespace Obrisk::Proc
