// A generated test picture.
#pragma once

#include "obrisk/host/Data.h"

namespace Obrisk::Tools {

// Colour bars over the top half, a grey ramp below them, and a strip at the
// bottom whose alpha ramps from transparent (left) to opaque (right).
Ptr<Proc::DataVideoMemory> MakeTestCard(int width, int height);

}  // namespace Obrisk::Tools
