// Chromatic adaptation: the linear transform that makes a colour seen under
// one illuminant look as it would under another, by scaling the responses of
// a cone-like space (von Kries, Bradford or XYZ scaling).
#pragma once

#include <array>
#include <cstdint>

#include "obrisk/settings/AutoColorSettings.h"

namespace Obrisk::Proc {

using Vector3 = std::array<double, 3>;
// Three rows of three values; element [i][j] is row i, column j.
using Matrix3 = std::array<Vector3, 3>;

// The matrix from CIE XYZ to the method's response space. Throws
// std::invalid_argument for a value that is not a ScalingMethod.
Matrix3 ConeResponseMatrix(ScalingMethod method);

// The transform on CIE XYZ that takes `sourceWhite` to `destinationWhite`:
// M^-1 diag(dst / src) M with M the method's response matrix. Throws
// std::invalid_argument when a response of the source white is not positive.
Matrix3 ChromaticAdaptationMatrix(const Vector3& sourceWhite, const Vector3& destinationWhite,
                                  ScalingMethod method);

// The transform on R'G'B' values (BT.709 primaries, the values as they are
// stored) that turns the reference colour into the neutral grey of the same
// luminance, adapting the other colours with the method. The identity when
// the reference is black or has a response that is not positive (no cast can
// be read from it). Alpha is ignored.
Matrix3 GetChromaticAdaptationTransformation(const std::array<std::uint8_t, 4>& reference,
                                             ScalingMethod method);

}  // namespace Obrisk::Proc
