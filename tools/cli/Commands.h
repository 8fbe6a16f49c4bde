// The subcommands of the `quenvara` tool. Each returns the exit code: 0 on
// success; usage errors raise UsageError (exit 2), processing errors any
// other exception (exit 1); an interruption raises Interruption (exit 128 + signal).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace Obrisk::Tools {

using Arguments = std::vector<std::string>;

// Thrown when a signal (Ctrl-C, SIGTERM) stops a command; the exit code is
// 128 + the signal, as shells report it (130 for Ctrl-C).
class Interruption : public std::runtime_error {
 public:
  explicit Interruption(int signal)
      : std::runtime_error("interrupted; the partial output is removed"), signal_(signal) {}
  int ExitCode() const { return kSignalExitBase + signal_; }

 private:
  static constexpr int kSignalExitBase = 128;
  int signal_;
};

int RunList(const Arguments& arguments);
int RunDescribe(const Arguments& arguments);
int RunRender(const Arguments& arguments);
int RunGallery(const Arguments& arguments);

// Where the plug-in is: --plugin PATH (taken out of the arguments), else
// $QUENVARA_PLUGIN, else the build's copy, else (installed) the plug-in the
// library search path finds.
std::string PluginPath(Arguments& arguments);

// Prints `help` when the arguments ask for it (--help or -h) and says so.
bool PrintHelpIfAsked(const Arguments& arguments, const char* help);

struct FrameSize {
  int width;
  int height;
};
// Reads WIDTHxHEIGHT within the tool's frame-size limits; UsageError naming
// `option` otherwise.
FrameSize ParseSize(const std::string& text, const char* option);

}  // namespace Obrisk::Tools
