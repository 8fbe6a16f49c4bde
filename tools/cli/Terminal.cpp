#include "Terminal.h"

#if defined(_WIN32)
#include <io.h>
#define QUENVARA_ISATTY _isatty
#define QUENVARA_STDERR 2
#else
#include <unistd.h>
#define QUENVARA_ISATTY isatty
#define QUENVARA_STDERR STDERR_FILENO
#endif

namespace Obrisk::Tools {

bool StderrIsTerminal() {
  return QUENVARA_ISATTY(QUENVARA_STDERR) != 0;
}

}  // namespace Obrisk::Tools
