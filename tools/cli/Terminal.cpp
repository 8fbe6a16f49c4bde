#include "Terminal.h"

#include <csignal>

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
namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int signal) {
  interrupted = signal;
  std::signal(signal, SIG_DFL);
}

}  // namespace

bool StderrIsTerminal() {
  return QUENVARA_ISATTY(QUENVARA_STDERR) != 0;
}

void CatchInterrupts() {
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
}

int Interrupted() {
  return interrupted;
}

}  // namespace Obrisk::Tools
