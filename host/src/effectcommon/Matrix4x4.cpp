#include "obrisk/effectcommon/Matrix4x4.h"

#include <cmath>
#include <numbers>

namespace Obrisk::Proc {
namespace {

double Radians(double degrees) {
  return degrees * std::numbers::pi / 180.0;
}

// A turn in the plane of axes `a` and `b`: a towards b for positive angles.
Matrix4x4 PlaneRotation(int a, int b, double degrees) {
  const double c = std::cos(Radians(degrees));
  const double s = std::sin(Radians(degrees));
  Matrix4x4 m;
  m(a, a) = c;
  m(a, b) = -s;
  m(b, a) = s;
  m(b, b) = c;
  return m;
}

}  // namespace

Matrix4x4::Matrix4x4() {
  for (int i = 0; i < 4; ++i) (*this)(i, i) = 1.0;
}

Matrix4x4 Matrix4x4::Translation(double x, double y, double z) {
  Matrix4x4 m;
  m(0, 3) = x;
  m(1, 3) = y;
  m(2, 3) = z;
  return m;
}

Matrix4x4 Matrix4x4::Scale(double x, double y, double z) {
  Matrix4x4 m;
  m(0, 0) = x;
  m(1, 1) = y;
  m(2, 2) = z;
  return m;
}

Matrix4x4 Matrix4x4::RotationX(double degrees) {
  return PlaneRotation(1, 2, degrees);
}

Matrix4x4 Matrix4x4::RotationY(double degrees) {
  return PlaneRotation(2, 0, degrees);
}

Matrix4x4 Matrix4x4::RotationZ(double degrees) {
  return PlaneRotation(0, 1, degrees);
}

Matrix4x4 Matrix4x4::Perspective(double fovYDegrees, double aspect, double near, double far) {
  const double f = 1.0 / std::tan(Radians(fovYDegrees) / 2.0);
  Matrix4x4 m = Scale(f / aspect, f, (far + near) / (near - far));
  m(2, 3) = 2.0 * far * near / (near - far);
  m(3, 2) = -1.0;
  m(3, 3) = 0.0;
  return m;
}

Matrix4x4 Matrix4x4::operator*(const Matrix4x4& other) const {
  Matrix4x4 product;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += (*this)(row, k) * other(k, column);
      product(row, column) = sum;
    }
  }
  return product;
}

std::array<double, 4> Matrix4x4::Apply(double x, double y, double z, double w) const {
  std::array<double, 4> result{};
  for (int row = 0; row < 4; ++row) {
    result[row] =
        (*this)(row, 0) * x + (*this)(row, 1) * y + (*this)(row, 2) * z + (*this)(row, 3) * w;
  }
  return result;
}

std::array<double, 2> Matrix4x4::Map(double x, double y) const {
  const auto p = Apply(x, y, 0.0, 1.0);
  return {p[0] / p[3], p[1] / p[3]};
}

}  // namespace Obrisk::Proc
