// quenvara: render pictures and videos through the plug-in's effects and
// transitions from the command line, as any host would.
#include <iostream>

#include <glog/logging.h>

#include "Commands.h"
#include "MediaIO.h"
#include "PluginHost.h"

namespace {

constexpr const char* kHelp = R"(usage: quenvara COMMAND [OPTIONS]

Commands:
  list       every effect and transition the plug-in offers
  describe   one effect's parameters and an example command
  render     pictures or videos through an effect, a transition or a chain
  gallery    every effect on the built-in test material, as an HTML page

`quenvara COMMAND --help` tells more; `quenvara --version` the version. Every command takes --plugin PATH
(default: $QUENVARA_PLUGIN, else the plug-in of this build).
Exit codes: 0 success, 1 processing error, 2 usage error.
)";

constexpr int kUsageError = 2;
constexpr int kProcessingError = 1;

}  // namespace

int main(int argc, char** argv) {
  google::InitGoogleLogging(argv[0]);
  FLAGS_logtostderr = true;
  FLAGS_minloglevel = google::GLOG_ERROR;
  using namespace Obrisk::Tools;
  const Arguments all(argv + 1, argv + argc);
  if (all.empty() || all[0] == "--help" || all[0] == "-h" || all[0] == "help") {
    std::cout << kHelp;
    return all.empty() ? kUsageError : 0;
  }
  if (all[0] == "--version") {
    std::cout << "quenvara " << QUENVARA_VERSION << "\n";
    return 0;
  }
  const Arguments arguments(all.begin() + 1, all.end());
  try {
    if (all[0] == "list") return RunList(arguments);
    if (all[0] == "describe") return RunDescribe(arguments);
    if (all[0] == "render") return RunRender(arguments);
    if (all[0] == "gallery") return RunGallery(arguments);
    throw UsageError("unknown command '" + all[0] + "' (list, describe, render, gallery)");
  } catch (const Interruption& error) {
    std::cerr << "quenvara: " << error.what() << "\n";
    return error.ExitCode();
  } catch (const UsageError& error) {
    std::cerr << "quenvara: " << error.what() << "\n";
    return kUsageError;
  } catch (const std::exception& error) {
    std::cerr << "quenvara: " << error.what() << "\n";
    return kProcessingError;
  }
}
