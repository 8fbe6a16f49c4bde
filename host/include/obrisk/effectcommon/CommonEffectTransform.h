// The transform tool's mathematics: where a picture lands in the output frame
// (position, scale, turns about three axes seen through a perspective camera,
// anchor, a linear map of the picture plane) and how large that frame is.
// Implementations receive the result as a matrix and an opacity.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "obrisk/effectcommon/Matrix4x4.h"
#include "obrisk/host/Media.h"

namespace Obrisk::Proc {

class IFormatCodecVideo;

// The picture's placement at one moment. Fractions are of the frame (or of the
// picture for the anchor) measured from the top-left corner; turns are in
// degrees.
struct TransformPlacement {
  double positionX = 0.5;  // where the anchor lands in the output frame
  double positionY = 0.5;
  double anchorX = 0.5;  // the picture's point that turns and scales stay on
  double anchorY = 0.5;
  double scaleX = 1.0;  // negative values mirror
  double scaleY = 1.0;
  double rotationX = 0.0;  // tilt: the top edge away from the viewer
  double rotationY = 0.0;  // swing: the right edge away from the viewer
  double rotationZ = 0.0;  // turn, clockwise as seen
  double opacity = 1.0;
  // A linear map of the picture plane applied first, about the anchor:
  // x' = a x + c y, y' = b x + d y with y downwards, as (a, b, c, d). Only its
  // shape counts: it is scaled to keep the picture's area.
  std::array<double, 4> planeMap{1.0, 0.0, 0.0, 1.0};
};

// How large the output frame is.
enum class TransformFrameSize : std::int32_t {
  kKeepSource = 0,  // as the source; what falls outside is cut off
  kFitBounds = 1    // the smallest frame that holds the picture at every keyframe
};

// What the transform settings classes tell the transform.
class ITransformSettings {
 public:
  // The placement at `progress` (0 to 1 over the effect).
  virtual TransformPlacement PlacementAt(double progress) const = 0;
  // The placements at the keyframes, for the frame size.
  virtual std::vector<TransformPlacement> KeyPlacements() const = 0;
  virtual TransformFrameSize GetFrameSize() const = 0;
  // The camera's vertical field of view in degrees: smaller is a flatter look
  // at turns about x and y. The picture plane fills the frame at any value.
  virtual double GetFieldOfView() const = 0;

 protected:
  ~ITransformSettings() = default;
};

class CommonEffectTransform {
 public:
  static constexpr std::string_view s_name = "EffectTransform";

  // `clipSpace` picks what the hook's matrix maps. True (GPU): from the unit
  // quad (x and y in -1 to 1, y upwards, z = 0) to the output's clip
  // coordinates. False: from source pixel coordinates (x right, y down, in
  // pixels) to output pixel coordinates; Matrix4x4::Map divides by w.
  explicit CommonEffectTransform(bool clipSpace) : clipSpace_(clipSpace) {}
  virtual ~CommonEffectTransform() = default;

  // The output frame for a source frame (the same at every progress, so that
  // a stream keeps its size).
  static FrameInfo GetDstFrameInfo(const ITransformSettings& settings, const FrameInfo& source,
                                   double progress);
  // Computes the matrix and opacity at `progress` and hands the matrix to
  // OnTransformMatrix.
  void UpdateGPUTransform(const ITransformSettings& settings, const FrameInfo& source,
                          const FrameInfo& destination, double progress);
  // Gives the format the output frame size; the pixel aspect is kept.
  static void UpdateFormatCodecVideo(const ITransformSettings& settings, IFormatCodecVideo& format);

  // The opacity of the last UpdateGPUTransform.
  double GetOpacity() const { return opacity_; }

 protected:
  virtual void OnTransformMatrix(const Matrix4x4& matrix) = 0;

 private:
  bool clipSpace_;
  double opacity_ = 1.0;
};

}  // namespace Obrisk::Proc
