#include "obrisk/effectcommon/CommonEffectTransform.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

#include "obrisk/host/Effect.h"

namespace Obrisk::Proc {
namespace {

// The camera's clipping planes as fractions and multiples of its distance to
// the picture plane: room for pictures turned towards and away from it.
constexpr double kNearFraction = 0.01;
constexpr double kFarFactor = 100.0;
// The largest side a fitted frame gets (pictures turned almost edge-on reach
// far towards the camera).
constexpr double kMaxFitSide = 16384.0;

// A frame's size on the display: pixels widened by the pixel aspect.
struct DisplaySize {
  double width;
  double height;
};

double PixelAspect(const FrameInfo& info) {
  if (info.pixelAspectNum <= 0 || info.pixelAspectDen <= 0) return 1.0;
  return static_cast<double>(info.pixelAspectNum) / info.pixelAspectDen;
}

DisplaySize Display(const FrameInfo& info) {
  return {info.width * PixelAspect(info), static_cast<double>(info.height)};
}

// The plane map in y-up coordinates, scaled to keep the area (a singular map
// counts as none).
Matrix4x4 PlaneMap(const std::array<double, 4>& map) {
  const auto [a, b, c, d] = map;
  const double area = std::sqrt(std::abs(a * d - b * c));
  Matrix4x4 plane;
  if (!(area > 0.0) || !std::isfinite(area)) return plane;
  plane(0, 0) = a / area;
  plane(0, 1) = -c / area;
  plane(1, 0) = -b / area;
  plane(1, 1) = d / area;
  return plane;
}

// From the unit quad to the clip coordinates of `frame`. Works in display
// units, y upwards, origin at the frame's centre; the camera looks down -z
// from the distance at which the plane z = 0 fills the frame.
Matrix4x4 QuadToClip(const TransformPlacement& p, DisplaySize picture, DisplaySize frame,
                     double fieldOfView) {
  const Matrix4x4 toPicture = Matrix4x4::Translation(picture.width * (0.5 - p.anchorX),
                                                     picture.height * (p.anchorY - 0.5), 0.0) *
                              Matrix4x4::Scale(picture.width / 2.0, picture.height / 2.0, 1.0);
  const Matrix4x4 place = Matrix4x4::Translation((p.positionX - 0.5) * frame.width,
                                                 (0.5 - p.positionY) * frame.height, 0.0) *
                          Matrix4x4::RotationX(-p.rotationX) * Matrix4x4::RotationY(p.rotationY) *
                          Matrix4x4::RotationZ(-p.rotationZ) *
                          Matrix4x4::Scale(p.scaleX, p.scaleY, 1.0) * PlaneMap(p.planeMap);
  const double distance = frame.height / 2.0 / std::tan(fieldOfView * std::numbers::pi / 360.0);
  const Matrix4x4 camera = Matrix4x4::Perspective(fieldOfView, frame.width / frame.height,
                                                  distance * kNearFraction, distance * kFarFactor) *
                           Matrix4x4::Translation(0.0, 0.0, -distance);
  return camera * place * toPicture;
}

// The unit quad's corners.
constexpr std::array<std::pair<double, double>, 4> kCorners{
    {{-1.0, -1.0}, {1.0, -1.0}, {1.0, 1.0}, {-1.0, 1.0}}};

// A box in display units around the reference frame's centre, y upwards.
struct Bounds {
  double minX = std::numeric_limits<double>::infinity();
  double minY = std::numeric_limits<double>::infinity();
  double maxX = -std::numeric_limits<double>::infinity();
  double maxY = -std::numeric_limits<double>::infinity();

  bool IsEmpty() const { return !(minX <= maxX && minY <= maxY); }
  void Add(double x, double y) {
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
  }
};

// What the picture covers at the keyframes, placed in the source's own frame;
// corners behind the camera are left out. Empty pictures give the frame.
Bounds FittedBounds(const ITransformSettings& settings, DisplaySize frame) {
  Bounds bounds;
  for (const TransformPlacement& placement : settings.KeyPlacements()) {
    const Matrix4x4 m = QuadToClip(placement, frame, frame, settings.GetFieldOfView());
    for (const auto& [x, y] : kCorners) {
      const auto clip = m.Apply(x, y, 0.0, 1.0);
      if (clip[3] > 0.0)
        bounds.Add(clip[0] / clip[3] * frame.width / 2.0, clip[1] / clip[3] * frame.height / 2.0);
    }
  }
  if (bounds.IsEmpty())
    bounds = {-frame.width / 2.0, -frame.height / 2.0, frame.width / 2.0, frame.height / 2.0};
  return bounds;
}

std::int32_t FitSide(double length) {
  return static_cast<std::int32_t>(std::clamp(std::round(length), 1.0, kMaxFitSide));
}

// Moves the reference frame's clip coordinates so that `bounds` fills the
// destination.
Matrix4x4 ReferenceToFitted(const Bounds& bounds, DisplaySize reference, DisplaySize destination) {
  const double centreX = (bounds.minX + bounds.maxX) / 2.0;
  const double centreY = (bounds.minY + bounds.maxY) / 2.0;
  return Matrix4x4::Translation(-2.0 * centreX / destination.width,
                                -2.0 * centreY / destination.height, 0.0) *
         Matrix4x4::Scale(reference.width / destination.width,
                          reference.height / destination.height, 1.0);
}

// From source pixels (y down) to the unit quad.
Matrix4x4 PixelsToQuad(const FrameInfo& source) {
  return Matrix4x4::Translation(-1.0, 1.0, 0.0) *
         Matrix4x4::Scale(2.0 / source.width, -2.0 / source.height, 1.0);
}

// From clip coordinates to destination pixels (y down).
Matrix4x4 ClipToPixels(const FrameInfo& destination) {
  return Matrix4x4::Scale(destination.width / 2.0, -destination.height / 2.0, 1.0) *
         Matrix4x4::Translation(1.0, -1.0, 0.0);
}

}  // namespace

FrameInfo CommonEffectTransform::GetDstFrameInfo(const ITransformSettings& settings,
                                                 const FrameInfo& source, double) {
  if (settings.GetFrameSize() != TransformFrameSize::kFitBounds) return source;
  const Bounds bounds = FittedBounds(settings, Display(source));
  FrameInfo fitted = source;
  fitted.width = FitSide((bounds.maxX - bounds.minX) / PixelAspect(source));
  fitted.height = FitSide(bounds.maxY - bounds.minY);
  return fitted;
}

void CommonEffectTransform::UpdateGPUTransform(const ITransformSettings& settings,
                                               const FrameInfo& source,
                                               const FrameInfo& destination, double progress) {
  const TransformPlacement placement = settings.PlacementAt(progress);
  const DisplaySize picture = Display(source);
  Matrix4x4 clip;
  if (settings.GetFrameSize() == TransformFrameSize::kFitBounds) {
    clip = ReferenceToFitted(FittedBounds(settings, picture), picture, Display(destination)) *
           QuadToClip(placement, picture, picture, settings.GetFieldOfView());
  } else {
    clip = QuadToClip(placement, picture, Display(destination), settings.GetFieldOfView());
  }
  opacity_ = std::clamp(placement.opacity, 0.0, 1.0);
  OnTransformMatrix(clipSpace_ ? clip : ClipToPixels(destination) * clip * PixelsToQuad(source));
}

void CommonEffectTransform::UpdateFormatCodecVideo(const ITransformSettings& settings,
                                                   IFormatCodecVideo& format) {
  const FrameInfo info = GetDstFrameInfo(settings, format.GetFrameInfo(), 0.0);
  format.InitByPixelAspect(info.width, info.height, info.pixelAspectNum, info.pixelAspectDen);
  format.SetPixelFormat(kPixFmtAlpha);
}

}  // namespace Obrisk::Proc
