#include "obrisk/effectcommon/ChromaticAdaptation.h"

#include <stdexcept>
#include <string>

namespace Obrisk::Proc {
namespace {

constexpr Matrix3 kIdentity{{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}}};

// Cone response matrices from CIE XYZ, as published in the colour-science
// literature: von Kries with the Hunt-Pointer-Estevez responses
// normalised to D65, and Bradford.
constexpr Matrix3 kVonKries{
    {{0.40024, 0.70760, -0.08081}, {-0.22630, 1.16532, 0.04570}, {0.00000, 0.00000, 0.91822}}};
constexpr Matrix3 kBradford{
    {{0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}}};

// Linear BT.709 (and sRGB) RGB with D65 white to CIE XYZ, from the primaries
// of ITU-R BT.709 and the D65 white point.
constexpr Matrix3 kRgbToXyz{{{0.4124564, 0.3575761, 0.1804375},
                             {0.2126729, 0.7151522, 0.0721750},
                             {0.0193339, 0.1191920, 0.9503041}}};

constexpr double kMaxCode = 255.0;

Vector3 Multiply(const Matrix3& m, const Vector3& v) {
  Vector3 result{};
  for (int i = 0; i < 3; ++i) {
    result[i] = m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2];
  }
  return result;
}

Matrix3 Multiply(const Matrix3& a, const Matrix3& b) {
  Matrix3 result{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      result[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
    }
  }
  return result;
}

// The inverse by cofactors; the matrices inverted here are fixed and regular.
Matrix3 Inverse(const Matrix3& m) {
  Matrix3 cofactors{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const int i1 = (i + 1) % 3;
      const int i2 = (i + 2) % 3;
      const int j1 = (j + 1) % 3;
      const int j2 = (j + 2) % 3;
      cofactors[j][i] = m[i1][j1] * m[i2][j2] - m[i1][j2] * m[i2][j1];  // transposed
    }
  }
  const double determinant =
      m[0][0] * cofactors[0][0] + m[0][1] * cofactors[1][0] + m[0][2] * cofactors[2][0];
  for (auto& row : cofactors) {
    for (double& value : row) value /= determinant;
  }
  return cofactors;
}

Matrix3 Diagonal(const Vector3& d) {
  return {{{d[0], 0.0, 0.0}, {0.0, d[1], 0.0}, {0.0, 0.0, d[2]}}};
}

bool AllPositive(const Vector3& v) {
  return v[0] > 0.0 && v[1] > 0.0 && v[2] > 0.0;
}

}  // namespace

Matrix3 ConeResponseMatrix(ScalingMethod method) {
  switch (method) {
    case ScalingMethod::VonKries:
      return kVonKries;
    case ScalingMethod::Bradford:
      return kBradford;
    case ScalingMethod::XYZScaling:
      return kIdentity;
  }
  throw std::invalid_argument("Unknown scaling method: " +
                              std::to_string(static_cast<int>(method)));
}

Matrix3 ChromaticAdaptationMatrix(const Vector3& sourceWhite, const Vector3& destinationWhite,
                                  ScalingMethod method) {
  const Matrix3 cone = ConeResponseMatrix(method);
  const Vector3 source = Multiply(cone, sourceWhite);
  const Vector3 destination = Multiply(cone, destinationWhite);
  if (!AllPositive(source)) {
    throw std::invalid_argument("ChromaticAdaptationMatrix: the source white has a response <= 0");
  }
  const Matrix3 scale = Diagonal(
      {destination[0] / source[0], destination[1] / source[1], destination[2] / source[2]});
  return Multiply(Inverse(cone), Multiply(scale, cone));
}

Matrix3 GetChromaticAdaptationTransformation(const std::array<std::uint8_t, 4>& reference,
                                             ScalingMethod method) {
  const Matrix3 cone = ConeResponseMatrix(method);
  const Vector3 rgb{reference[0] / kMaxCode, reference[1] / kMaxCode, reference[2] / kMaxCode};
  const Vector3 sourceWhite = Multiply(kRgbToXyz, rgb);
  if (!AllPositive(Multiply(cone, sourceWhite))) return kIdentity;
  // The grey of the reference's luminance: RGB (Y, Y, Y) has luminance Y.
  const double luminance = sourceWhite[1];
  const Vector3 destinationWhite = Multiply(kRgbToXyz, Vector3{luminance, luminance, luminance});
  const Matrix3 adaptation = ChromaticAdaptationMatrix(sourceWhite, destinationWhite, method);
  return Multiply(Inverse(kRgbToXyz), Multiply(adaptation, kRgbToXyz));
}

}  // namespace Obrisk::Proc
