#pragma once

#include <string>

#include "obrisk/host/Data.h"

namespace Obrisk::Tools {

// Writes an 8-bit RGBA or RGBX frame; throws std::runtime_error on failure
// and leaves no partial file behind.
void WritePng(const Proc::DataVideoMemory& frame, const std::string& path);

}  // namespace Obrisk::Tools
