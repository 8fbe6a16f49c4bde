// The one platform seam of the command-line tool.
#pragma once

namespace Obrisk::Tools {

// True when standard error is a terminal (progress lines are shown only there).
bool StderrIsTerminal();

}  // namespace Obrisk::Tools
