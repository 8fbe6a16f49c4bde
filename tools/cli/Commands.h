// The subcommands of the `quenvara` tool. Each returns the exit code: 0 on
// success; usage errors raise UsageError (exit 2), processing errors any
// other exception (exit 1).
#pragma once

#include <string>
#include <vector>

namespace Obrisk::Tools {

using Arguments = std::vector<std::string>;

int RunList(const Arguments& arguments);
int RunDescribe(const Arguments& arguments);
int RunRender(const Arguments& arguments);
int RunGallery(const Arguments& arguments);

// Where the plug-in is: --plugin PATH (taken out of the arguments), else
// $QUENVARA_PLUGIN, else the build's copy.
std::string PluginPath(Arguments& arguments);

// Prints `help` when the arguments ask for it (--help or -h) and says so.
bool PrintHelpIfAsked(const Arguments& arguments, const char* help);

struct FrameSize {
  int width;
  int height;
};
// Reads WIDTHxHEIGHT; UsageError naming `option` otherwise.
FrameSize ParseSize(const std::string& text, const char* option);

}  // namespace Obrisk::Tools
