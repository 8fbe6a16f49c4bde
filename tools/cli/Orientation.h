// Video files may carry a display matrix: phones store upright recordings
// sideways and say how to turn them. The tool shows such inputs upright
// through the plug-in's display-matrix effect.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "PluginHost.h"
#include "obrisk/host/Data.h"

namespace Obrisk::Tools {

// The rotation and mirror part (a, b, c, d) of a video file's display matrix
// (first video stream); none when the file has no matrix or an upright one.
std::optional<std::array<double, 4>> ReadDisplayMatrix(const std::string& path);

// Turns the frames of one input upright.
class Orientation {
 public:
  // None when the file needs no turning.
  static std::unique_ptr<Orientation> ForFile(PluginHost& host, const std::string& path);

  // The frame upright, in memory again, with its times kept.
  Ptr<Proc::DataVideoMemory> Upright(const Ptr<Proc::DataVideoMemory>& frame);

 private:
  Orientation(PluginHost& host, Ptr<Proc::IEffect> effect)
      : host_(host), effect_(std::move(effect)) {}

  PluginHost& host_;
  Ptr<Proc::IEffect> effect_;
};

}  // namespace Obrisk::Tools
