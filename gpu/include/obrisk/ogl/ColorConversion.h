// Drawing a frame converted from one colour space to another.
#pragma once

#include "obrisk/host/Media.h"

namespace Obrisk::Ogl {

class Frame;
class ShaderStorage;

struct ColorConversionInfo {
  Proc::ColorSpace source;
  Proc::ColorSpace target;
  float scale = 1.0f;                 // factor on linear light
  float sourcePeakNits = 1000.0f;     // peak luminance of the source
  float targetPeakNits = 1000.0f;     // peak luminance of the target
  float referenceWhiteNits = 203.0f;  // diffuse white of HDR signals (ITU-R BT.2408)
  bool linearMode = false;
  bool toneMapping = false;
};

// Draws `frame` converted as `info` says into the attached surface (OpenGL
// thread). Throws OglException naming the colour spaces when the conversion
// is not supported; it never passes the picture through unconverted.
void ConvertColorSpace(Frame& frame, const ColorConversionInfo& info, ShaderStorage& storage);

}  // namespace Obrisk::Ogl
