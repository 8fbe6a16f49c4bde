// The frei0r parameters of an effect, made from its settings class's declared
// fields, and the conversion of frei0r values to settings and back.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The frei0r header declares its functions without C linkage.
extern "C" {
#include <frei0r.h>
}

#include "obrisk/host/Property.h"
#include "obrisk/host/Settings.h"

namespace Obrisk::Frei0r {

// Where a frei0r parameter's value goes.
enum class Role {
  Setting,   // one or more fields of the settings
  Progress,  // a transition's progress, 0 to 1, set by the host
  Duration   // seconds over which a transition's progress follows the time
};

struct Parameter {
  std::string name;
  int type;  // F0R_PARAM_*
  std::string explanation;
  Role role = Role::Setting;
  // The settings fields behind it: one, or the red, green and blue of a
  // colour, or the x and y of a position.
  std::vector<Proc::ParameterInfo> fields;
};

// The parameters for a settings class's fields, in declared order: numbers
// as doubles (0 to 1 spanning a declared range, else the value itself),
// booleans, strings, NameRed/NameGreen/NameBlue (or NameR/NameG/NameB)
// fields ranging 0 to 1 as one colour, NameX/NameY fields of one range as one
// position. Transitions add "progress" and "duration".
std::vector<Parameter> MapParameters(const std::vector<Proc::ParameterInfo>& fields,
                                     bool transition);

// The settings a frei0r value (the pointer a host gives to
// f0r_set_param_value) stands for: numbers clamped to their range. None when
// the value is refused (not a number, no string).
std::optional<Property> ToSettings(const Parameter& parameter, const void* value);

// Writes the frei0r value of the parameter as `settings` hold it to the
// pointer a host gives to f0r_get_param_value; strings point into `text`.
void FromSettings(const Parameter& parameter, const Property& settings, void* value,
                  std::string& text);

// The scaled frei0r double (0 to 1 over the range) of a number field's value,
// and back, clamped; integers are rounded.
double ToFrei0rNumber(const Proc::ParameterInfo& field, double value);
Property FromFrei0rNumber(const Proc::ParameterInfo& field, double value);

}  // namespace Obrisk::Frei0r
