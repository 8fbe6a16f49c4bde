#include "obrisk/settings/ServiceSettings.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <fmt/format.h>

namespace Obrisk::Proc {
namespace {

// Splits `excess` pixels into two margins, the odd one at the far side.
void SplitMargin(std::int64_t excess, std::uint32_t& nearSide, std::uint32_t& farSide) {
  nearSide += static_cast<std::uint32_t>(excess / 2);
  farSide += static_cast<std::uint32_t>(excess - excess / 2);
}

double PixelAspect(const FrameInfo& info) {
  return info.pixelAspectDen > 0 && info.pixelAspectNum > 0
             ? static_cast<double>(info.pixelAspectNum) / info.pixelAspectDen
             : 1.0;
}

// A length in whole pixels, at least 1 and at most `limit`.
std::int64_t Rounded(double value, std::int64_t limit) {
  return std::clamp<std::int64_t>(std::llround(value), 1, limit);
}

}  // namespace

FrameInfo SettingsResizer::GetOutputFrameSize(const FrameInfo& input) const {
  FrameInfo output = input;
  if (width_ > 0) output.width = width_;
  if (height_ > 0) output.height = height_;
  if (pixelAspectNum_ > 0 && pixelAspectDen_ > 0) {
    output.pixelAspectNum = pixelAspectNum_;
    output.pixelAspectDen = pixelAspectDen_;
  }
  return output;
}

FrameInfo SettingsResizer::GetROI(const FrameInfo& source, CropInfo& sourceCrop,
                                  CropInfo& destinationCrop) const {
  const FrameInfo region = GetOutputFrameSize(source);
  sourceCrop = GetCrop();
  destinationCrop = CropInfo{};
  const std::int64_t keptWidth =
      std::int64_t{source.width} - sourceCrop[0] - std::int64_t{sourceCrop[1]};
  const std::int64_t keptHeight =
      std::int64_t{source.height} - sourceCrop[2] - std::int64_t{sourceCrop[3]};
  if (keptWidth <= 0 || keptHeight <= 0 || region.width <= 0 || region.height <= 0) {
    throw std::invalid_argument(fmt::format(
        "SettingsResizer: crop {},{},{},{} leaves nothing of a {}x{} source", sourceCrop[0],
        sourceCrop[1], sourceCrop[2], sourceCrop[3], source.width, source.height));
  }
  if (GetPlacement() == ResizePlacement::Stretch) return region;

  // Compare the display aspects of the kept source and of the region.
  const double sourcePar = PixelAspect(source);
  const double regionPar = PixelAspect(region);
  const double sourceAspect = keptWidth * sourcePar / static_cast<double>(keptHeight);
  const double regionAspect = region.DisplayAspect();
  const bool sourceWider = sourceAspect > regionAspect;
  if (GetPlacement() == ResizePlacement::Fit) {
    if (sourceWider) {  // bands above and below
      const std::int64_t height = Rounded(region.width / sourceAspect * regionPar, region.height);
      SplitMargin(region.height - height, destinationCrop[2], destinationCrop[3]);
    } else {  // bands left and right
      const std::int64_t width = Rounded(region.height * sourceAspect / regionPar, region.width);
      SplitMargin(region.width - width, destinationCrop[0], destinationCrop[1]);
    }
  } else if (sourceWider) {  // Fill: crop the sides
    const std::int64_t width = Rounded(keptHeight * regionAspect / sourcePar, keptWidth);
    SplitMargin(keptWidth - width, sourceCrop[0], sourceCrop[1]);
  } else {  // Fill: crop top and bottom
    const std::int64_t height = Rounded(keptWidth * sourcePar / regionAspect, keptHeight);
    SplitMargin(keptHeight - height, sourceCrop[2], sourceCrop[3]);
  }
  return region;
}

std::array<float, 16> SettingsResizer::CalculateCoordBuffer(const FrameInfo& source) const {
  CropInfo sourceCrop;
  CropInfo destinationCrop;
  const FrameInfo region = GetROI(source, sourceCrop, destinationCrop);
  const double width = source.width;
  const double height = source.height;
  // Texture coordinates run from the bottom-left; crops count top rows first.
  const auto s0 = static_cast<float>(sourceCrop[0] / width);
  const auto s1 = static_cast<float>(1.0 - sourceCrop[1] / width);
  const auto t0 = static_cast<float>(sourceCrop[3] / height);
  const auto t1 = static_cast<float>(1.0 - sourceCrop[2] / height);
  const auto x0 = static_cast<float>(-1.0 + 2.0 * destinationCrop[0] / region.width);
  const auto x1 = static_cast<float>(1.0 - 2.0 * destinationCrop[1] / region.width);
  const auto y0 = static_cast<float>(-1.0 + 2.0 * destinationCrop[3] / region.height);
  const auto y1 = static_cast<float>(1.0 - 2.0 * destinationCrop[2] / region.height);
  return {s0, t0, x0, y0, s1, t0, x1, y0, s1, t1, x1, y1, s0, t1, x0, y1};
}

CropInfo SettingsResizer::GetCrop() const {
  return {static_cast<std::uint32_t>(cropLeft_), static_cast<std::uint32_t>(cropRight_),
          static_cast<std::uint32_t>(cropTop_), static_cast<std::uint32_t>(cropBottom_)};
}

void SettingsResizer::SetCrop(const CropInfo& crop) {
  Update([&](SettingsResizer& s) {
    s.cropLeft_ = static_cast<std::int32_t>(crop[0]);
    s.cropRight_ = static_cast<std::int32_t>(crop[1]);
    s.cropTop_ = static_cast<std::int32_t>(crop[2]);
    s.cropBottom_ = static_cast<std::int32_t>(crop[3]);
  });
}

std::array<std::uint8_t, 4> SettingsResizer::GetBackgroundColor() const {
  return {static_cast<std::uint8_t>(backgroundRed_), static_cast<std::uint8_t>(backgroundGreen_),
          static_cast<std::uint8_t>(backgroundBlue_), static_cast<std::uint8_t>(backgroundAlpha_)};
}

void SettingsResizer::SetBackgroundColor(const std::array<std::uint8_t, 4>& color) {
  backgroundRed_ = color[0];
  backgroundGreen_ = color[1];
  backgroundBlue_ = color[2];
  backgroundAlpha_ = color[3];
}

}  // namespace Obrisk::Proc
