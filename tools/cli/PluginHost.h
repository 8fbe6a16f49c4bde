// The command-line host: loads the plug-in as any host does and creates its effects.
#pragma once

#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "obrisk/host/DynamicLibrary.h"
#include "obrisk/host/Registry.h"
#include "obrisk/ogl/DataVideoOGL.h"

namespace Obrisk::Tools {

// A mistake in the command line; exit code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PluginHost {
 public:
  // Loads the plug-in and calls its Registrator with a registry that also
  // holds the host's frame uploader.
  explicit PluginHost(const std::string& pluginPath);

  // The entry for a class id, or for its id or short name (ShortName) in any
  // case; UsageError naming the closest ids otherwise.
  const Proc::EffectRegistry::Entry& Find(const std::string& classId) const;
  Ptr<Proc::IEffect> Create(const std::string& classId);
  // Every registered effect, the host's own uploader left out, by kind and
  // short name.
  std::vector<const Proc::EffectRegistry::Entry*> Effects() const;
  struct Family {
    std::string name;  // "other" for effects that name none
    std::vector<const Proc::EffectRegistry::Entry*> effects;
  };
  // The effects by family, in the families' order, each family by kind and short name.
  std::vector<Family> EffectsByFamily();
  // GPU data for a frame in memory; any thread may call it.
  Ptr<Ogl::DataVideoOGL> Upload(const Ptr<Proc::IData>& frame);

 private:
  DynamicLibrary plugin_;
  Ptr<Proc::EffectRegistry> registry_;
  std::mutex uploaderMutex_;  // the uploader serves one thread at a time
  Ptr<Proc::IEffect> uploader_;
};

// A class id without its Settings, Effect or Transition prefixes, in lower
// case: invert for SettingsEffectInvert.
std::string ShortName(const std::string& classId);

// True for the two-input effects that play from their first input to their
// second over a duration (transitions); false for the others, whose class ids
// begin with SettingsEffect (a displacement map, an alpha source): they run
// through the first input with the second beside it, frame by frame.
bool IsTransition(const Proc::EffectRegistry::Entry& entry);

// Sets one parameter from "name=value", the value read by the parameter's
// type and applied through the settings' Property. UsageError for unknown
// names, unreadable values and values out of range (the message gives it).
void ApplySetting(Proc::IEffect& effect, const std::string& assignment);

// Applies the effect's preset `name` (its settings over the current ones).
// UsageError naming the presets there are for a name the class lacks.
void ApplyPreset(Proc::IEffect& effect, const std::string& name);

// Up to three candidates nearest to `name` (edit distance, ignoring case).
std::vector<std::string> ClosestNames(const std::string& name,
                                      const std::vector<std::string>& candidates);

// Describes a parameter's default and range, e.g. "1 (0 to 1)".
std::string DescribeValue(const Proc::ParameterInfo& parameter);

}  // namespace Obrisk::Tools
