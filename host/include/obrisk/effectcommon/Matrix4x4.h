// A 4x4 double matrix for placing pictures in 2-D and 3-D: homogeneous
// coordinates, column vectors, stored column by column (as OpenGL takes it).
#pragma once

#include <array>

namespace Obrisk::Proc {

class Matrix4x4 {
 public:
  // The identity.
  Matrix4x4();

  static Matrix4x4 Translation(double x, double y, double z);
  static Matrix4x4 Scale(double x, double y, double z);
  // Turns by `degrees` counter-clockwise about the axis, seen from its
  // positive end (right-handed).
  static Matrix4x4 RotationX(double degrees);
  static Matrix4x4 RotationY(double degrees);
  static Matrix4x4 RotationZ(double degrees);
  // A camera's projection: vertical field of view in degrees, width over
  // height, and the near and far planes (positive distances).
  static Matrix4x4 Perspective(double fovYDegrees, double aspect, double near, double far);

  double operator()(int row, int column) const { return values_[column * 4 + row]; }
  double& operator()(int row, int column) { return values_[column * 4 + row]; }
  // This applied after `other`.
  Matrix4x4 operator*(const Matrix4x4& other) const;
  bool operator==(const Matrix4x4&) const = default;

  // Translation along x and y.
  double tx() const { return (*this)(0, 3); }
  double ty() const { return (*this)(1, 3); }

  // The homogeneous image of (x, y, z, w).
  std::array<double, 4> Apply(double x, double y, double z, double w) const;
  // The image of the point (x, y, 0), divided by its w.
  std::array<double, 2> Map(double x, double y) const;

  // Column by column.
  const std::array<double, 16>& Values() const { return values_; }

 private:
  std::array<double, 16> values_{};
};

}  // namespace Obrisk::Proc
