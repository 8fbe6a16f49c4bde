#include "obrisk/ogl/ColorConversion.h"

#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {

void ConvertColorSpace(Frame& frame, const ColorConversionInfo& info, ShaderStorage& storage) {
  if (info.source == info.target) {
    frame.Draw(storage.FrameQuad(), storage);
    return;
  }
  OBRISK_THROW(OglException, "colour conversion from (" + info.source.ToString() + ") to (" +
                                 info.target.ToString() + ") is not supported");
}

}  // namespace Obrisk::Ogl
