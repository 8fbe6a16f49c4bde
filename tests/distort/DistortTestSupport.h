// Helpers for the distortion tests: a smooth picture, runs at a chosen time
// and progress, and checks of a warp against its mapping.
#pragma once

#include <array>
#include <functional>
#include <utility>
#include <vector>

#include "blur/BlurTestSupport.h"

namespace Obrisk::Testing {

using Texel = std::array<float, 4>;
// Texture coordinates, (0, 0) at the bottom-left corner.
using Point = std::array<double, 2>;
// Where an output pixel's texture coordinate reads the source.
using Mapping = std::function<Point(Point)>;

// Gentle gradients in every channel, opaque: bilinear samples of it differ
// little wherever they fall, so a warp's mapping can be checked closely.
Image Smooth(int width, int height);
// Every texel its own value (varying in x and y, not smooth).
Image Numbered(int width, int height);

// Runs ProcessGpu on the OpenGL thread at `time` and `progress`, into a
// target of the input's size.
Image RunAt(Ogl::IOneInputEffectAlgorithm& algorithm, const Image& input, double time,
            double progress, const Ptr<Ogl::OglCache>& cache = nullptr);
// The same for a two-input algorithm.
Image RunAt(Ogl::ITwoInputEffectAlgorithm& algorithm, const Image& first, const Image& second,
            double time, double progress);

// The centre, the corners and the edge midpoints of a frame, as pixels.
std::vector<std::pair<int, int>> ChosenPixels(int width, int height);

// Each chosen output pixel equals the input sampled at its mapped position,
// within `tolerance` levels.
void ExpectWarp(const Image& output, const Image& input, const Mapping& mapping,
                float tolerance = 2.0f);

}  // namespace Obrisk::Testing
