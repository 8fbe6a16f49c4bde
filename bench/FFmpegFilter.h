// FFmpeg's filters on the same pictures as our effects, for the comparison
// figures beside the GPU benchmarks. Only built where FFmpeg's development
// packages are installed (QUENVARA_HAVE_FFMPEG).
#pragma once

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "obrisk/host/Data.h"

namespace Obrisk::Bench {

// The colour description FFmpeg reads from the pictures (H.273 code points).
struct FFmpegColour {
  int primaries = 1;
  int transfer = 1;
};

// Runs the filter graph `filters` once per iteration and reports the output
// frames per second ("fps"). `pictures` are RGBA memory frames, one per graph
// input: a single input feeds the start of the chain, several inputs are
// named [in0], [in1], ... in `filters` (e.g. "[in0][in1]xfade=..."). They are
// handed to FFmpeg in `inputFormat` (an FFmpeg pixel format name such as
// "rgba", "gbrp" or "yuv420p"), converted once before timing so that the
// conversion is not counted. Inputs run at 25 frames per second. A filter
// this FFmpeg lacks, or a graph that does not build, skips the benchmark
// with the reason.
void RunFFmpegFilter(benchmark::State& state, const std::string& filters,
                     const std::vector<Ptr<Proc::DataVideoMemory>>& pictures,
                     const std::string& inputFormat = "rgba", const FFmpegColour& colour = {});

}  // namespace Obrisk::Bench
