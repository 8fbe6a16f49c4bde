// Drawing a frame converted from one colour space to another.
//
// Colour spaces are named by their ITU-T H.273 code points. Supported:
//   primaries 1 BT.709, 5 BT.601 625-line, 6 and 7 BT.601 525-line, 9 BT.2020,
//             12 Display P3 (D65 white);
//   transfer  1, 6, 14, 15 BT.709 curve, 13 sRGB, 8 linear, 16 PQ (SMPTE ST 2084),
//             18 HLG (ARIB STD-B67, ITU-R BT.2100);
//   matrix    0 identity (RGB), 1 BT.709, 5 and 6 BT.601, 9 BT.2020 non-constant luminance.
// Code 2 ("unspecified") in any field reads as BT.709.
//
// Light levels. Decoded signals are absolute luminance in nits: PQ carries
// nits itself; HLG is scene light shown on a display whose peak is the
// source's (or target's) peak luminance, through the BT.2100 OOTF with the
// extended system gamma; an SDR or linear signal of 1.0 is the SDR white,
// which is the HDR reference white (ITU-R BT.2408, 203 nits) unless
// `linearMode` says otherwise.
#pragma once

#include <string>
#include <string_view>

#include <glm/glm.hpp>

#include "obrisk/host/Media.h"

namespace Obrisk::Ogl {

class Frame;
class ShaderProgram;
class ShaderStorage;

struct ColorConversionInfo {
  Proc::ColorSpace source;
  Proc::ColorSpace target;
  // Factor on the decoded linear light before it is mapped to the target.
  float scale = 1.0f;
  // Peak luminance of the source (HLG display peak, PQ mastering peak), nits.
  float sourcePeakNits = 1000.0f;
  // Peak luminance of the target (HLG display peak, PQ clipping level), nits.
  float targetPeakNits = 1000.0f;
  // Diffuse white of HDR signals, where SDR white lands (ITU-R BT.2408).
  float referenceWhiteNits = 203.0f;
  // False: SDR white is the reference white (display-referred, BT.2408).
  // True: the SDR range is stretched linearly onto the HDR side's peak, so
  // that SDR 1.0 and the HDR peak are the same light.
  bool linearMode = false;
  // Compresses highlights above the target's peak with the ITU-R BT.2390
  // EETF (on the largest component, keeping hue) instead of clipping them.
  bool toneMapping = false;
};

// Luma weights of a YCbCr matrix: Y' = kr R' + (1 - kr - kb) G' + kb B'.
struct LumaCoefficients {
  double kr;
  double kb;
};

// The weights of an H.273 matrix code; throws OglException naming the code
// when it is not supported, and for 0 (identity, no luma).
LumaCoefficients FindLumaCoefficients(std::uint32_t matrix);

// The 3x3 matrix taking linear RGB in the source primaries to linear RGB in
// the target primaries (column-major, as glm and GLSL keep it). Throws
// OglException naming unsupported primaries.
glm::dmat3 PrimariesConversion(std::uint32_t sourcePrimaries, std::uint32_t targetPrimaries);

// Throws OglException naming the first field of `colorSpace` that
// ConvertColorSpace does not support.
void CheckSupported(const Proc::ColorSpace& colorSpace);

// True when drawing the frame converted as `info` says changes nothing.
bool IsIdentity(const ColorConversionInfo& info);

// The name under which the program of this conversion is kept.
std::string ConversionProgramName(const ColorConversionInfo& info);

// True when the conversion can be folded into another pass
// (ConversionFunctionGlsl): SDR or linear transfers on both sides, and no
// highlights for tone mapping to compress.
bool CanFold(const ColorConversionInfo& info);

// GLSL that defines `vec3 function(vec3 signal)`, the conversion of one RGB
// signal as ConvertColorSpace draws it, for a pass that converts while it
// draws. Its uniforms are named after the function (set them with
// SetConversionUniforms); several functions may share one program. Throws
// OglException when the conversion cannot be folded.
std::string ConversionFunctionGlsl(const ColorConversionInfo& info, std::string_view function);

// Sets the uniforms of ConversionFunctionGlsl's function in `program` (in use).
void SetConversionUniforms(ShaderProgram& program, const ColorConversionInfo& info,
                           std::string_view function);

// Draws `frame` (RGBA layout) converted as `info` says into the attached
// surface, alpha kept (OpenGL thread). Throws OglException naming the colour
// space when the conversion is not supported; it never passes the picture
// through unconverted.
void ConvertColorSpace(Frame& frame, const ColorConversionInfo& info, ShaderStorage& storage);

}  // namespace Obrisk::Ogl
