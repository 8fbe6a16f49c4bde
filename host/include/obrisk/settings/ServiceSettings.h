// Settings of the service stages that hosts create around effects.
#pragma once

#include <string>
#include <tuple>

#include "obrisk/host/Media.h"
#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// Turns frames in main memory into GPU video data; has no parameters.
class SettingsFrameUploader final : public SettingsBase<SettingsFrameUploader> {
 public:
  inline static const std::string CLASS_ID{"SettingsFrameUploader"};
  static constexpr std::string_view DESCRIPTION = "Moves frames from memory to the GPU";
  static constexpr auto Fields() { return std::tuple<>(); }
};

}  // namespace Obrisk::Proc

namespace Obrisk::Proc {

// Converts video to the colour space it names (H.273 code points).
class SettingsColorSpaceConverter final : public SettingsBase<SettingsColorSpaceConverter> {
 public:
  inline static const std::string CLASS_ID{"SettingsColorSpaceConverter"};
  static constexpr std::string_view DESCRIPTION = "Converts video to another colour space";
  static constexpr auto Fields() {
    using S = SettingsColorSpaceConverter;
    return std::make_tuple(
        Param("primaries", &S::primaries_, 0, 255, "colour primaries, H.273 code (1 BT.709)"),
        Param("transfer", &S::transfer_, 0, 255, "transfer characteristics, H.273 code"),
        Param("matrix", &S::matrix_, 0, 255, "YCbCr matrix coefficients, H.273 code"),
        Param("full_range", &S::fullRange_, "YCbCr in full range rather than limited"),
        Param("linear_mode", &S::linearMode_, "convert in linear light"),
        Param("tone_mapping", &S::toneMapping_, "tone-map HDR to SDR when the peaks differ"));
  }

  ColorSpace GetDestinationColorSpace() const {
    return ColorSpace{static_cast<std::uint32_t>(primaries_), static_cast<std::uint32_t>(transfer_),
                      static_cast<std::uint32_t>(matrix_), fullRange_ ? 1u : 0u};
  }
  void SetDestinationColorSpace(const ColorSpace& colorSpace) {
    primaries_ = static_cast<std::int32_t>(colorSpace.primaries);
    transfer_ = static_cast<std::int32_t>(colorSpace.transfer);
    matrix_ = static_cast<std::int32_t>(colorSpace.matrix);
    fullRange_ = colorSpace.fullRange != 0;
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
