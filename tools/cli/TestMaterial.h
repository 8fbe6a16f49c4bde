// Built-in test material, generated at the size the user asks for.
#pragma once

#include <cstdint>

#include "obrisk/host/Data.h"

namespace Obrisk::Tools {

// Colour bars; a grey ramp; a skin-tone patch, fine lines and text-like detail;
// and a strip whose alpha ramps from transparent (left) to opaque (right).
Ptr<Proc::DataVideoMemory> MakeTestCard(int width, int height);

// Frame `index` of a clip of moving shapes at `fps` frames per second, time
// stamped index / fps.
Ptr<Proc::DataVideoMemory> MakeClipFrame(int width, int height, int index, double fps);

// The test card with grain: every channel but alpha moved by Gaussian noise
// of a fixed seed, so that a denoiser has something to remove.
Ptr<Proc::DataVideoMemory> MakeNoisyCard(int width, int height);

// Small bright lights of several colours over a dark gradient, as a street
// at night: the highlights a lens blur opens into its aperture's shape.
Ptr<Proc::DataVideoMemory> MakeLightsCard(int width, int height);

// Frame `index` of the clip shot upright: a 9:16 picture in the middle of
// the frame, transparent on either side, as phones record for a wide frame.
Ptr<Proc::DataVideoMemory> MakeVerticalClipFrame(int width, int height, int index, double fps);

}  // namespace Obrisk::Tools
