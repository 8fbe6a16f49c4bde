// Settings objects: the parameters of one effect, declared once per class.
//
// A settings class derives from SettingsBase<Self>, stores its fields as
// members with their defaults, and lists them once in `Fields()`:
//
//   class SettingsEffectFoo final : public SettingsBase<SettingsEffectFoo> {
//    public:
//     inline static const std::string CLASS_ID{"SettingsEffectFoo"};
//     static constexpr std::string_view DESCRIPTION = "What the effect does, in one line";
//     static constexpr std::string_view FAMILY = Family::kColour;
//     static constexpr std::array PRESETS{Preset{"strong", R"({"amount": 1})", "all the way"}};
//     static constexpr auto Fields() {
//       return std::make_tuple(Param("amount", &SettingsEffectFoo::amount_, 0.0, 1.0, "..."));
//     }
//     float GetAmount() const { return amount_; }
//     void SetAmount(float amount) { Assign(amount_, amount); }
//    private:
//     float amount_ = 0.5f;
//   };
//
// DESCRIPTION, FAMILY and PRESETS are optional (PRESETS falls back to the
// defaults). That list yields Clone, IsEqualTo, Deserialize, Serialize (a Property round
// trip, fields in declared order) and the parameter list for tools. Setters
// go through Assign (one field) or Update (several), which apply the checks
// of Deserialize, so that no value outside a range, and no NaN or infinity,
// reaches an effect whichever way it came.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "obrisk/host/Property.h"

namespace Obrisk::Proc {

enum class ParameterType { Bool, Int, Float, Double, String };
std::string_view ToString(ParameterType type);

// One parameter of a settings class, as tools and documentation see it.
struct ParameterInfo {
  std::string name;
  ParameterType type;
  Property defaultValue;
  bool hasRange = false;
  double minimum = 0.0;
  double maximum = 0.0;
  std::string description;
};

// The families effects are grouped in, in the order tools list them.
namespace Family {
inline constexpr std::string_view kColour = "colour, per pixel";
inline constexpr std::string_view kColourTools = "colour tools, curves and LUTs";
inline constexpr std::string_view kKeying = "keying and selective colour";
inline constexpr std::string_view kBlendModes = "blend modes";
inline constexpr std::string_view kMeasured = "colour, measured per frame";
inline constexpr std::string_view kBlur = "blur";
inline constexpr std::string_view kRetro = "retro, glitch and noise";
inline constexpr std::string_view kStylise = "stylise";
inline constexpr std::string_view kMasks = "masks and alpha";
inline constexpr std::string_view kOverlays = "overlays";
inline constexpr std::string_view kTransform = "transform and framing";
inline constexpr std::string_view kDistortions = "geometric distortions";
inline constexpr std::string_view kService = "service";
inline constexpr std::string_view kTemplates = "shader templates";
inline constexpr std::string_view kTransitionMixes = "transitions: mixes, wipes and holes";
inline constexpr std::string_view kTransitionSurfaces = "transitions: surfaces in space and pieces";
inline constexpr std::string_view kTransitionSpins = "transitions: spins, swish and slices";
inline constexpr std::string_view kTransitionTiles = "transitions: tiles, pieces and zooms";
inline constexpr std::string_view kTransitionDistortions =
    "transitions: distortions and moving pictures";
inline constexpr std::string_view kIsf = "ISF";
inline constexpr std::array kOrder{kColour,
                                   kColourTools,
                                   kKeying,
                                   kBlendModes,
                                   kMeasured,
                                   kBlur,
                                   kRetro,
                                   kStylise,
                                   kMasks,
                                   kOverlays,
                                   kTransform,
                                   kDistortions,
                                   kService,
                                   kTemplates,
                                   kTransitionMixes,
                                   kTransitionSurfaces,
                                   kTransitionSpins,
                                   kTransitionTiles,
                                   kTransitionDistortions,
                                   kIsf};
}  // namespace Family

// A named choice of parameter values that shows one side of an effect: the
// JSON object of the parameters it changes from the defaults, as Deserialize
// takes it. `identity` marks a preset that leaves its input unchanged on
// purpose (a converter between equal formats, say).
struct Preset {
  constexpr Preset(std::string_view name, std::string_view settings, std::string_view summary,
                   bool identity = false)
      : name(name), settings(settings), summary(summary), identity(identity) {}
  std::string_view name;
  std::string_view settings;
  std::string_view summary;  // what the preset shows, in a few words
  bool identity;
};

class Settings {
 public:
  virtual ~Settings() = default;
  virtual const std::string& GetClassId() const = 0;
  virtual std::unique_ptr<Settings> Clone() const = 0;
  virtual bool IsEqualTo(const Settings& other) const = 0;
  // True when the effect would leave its input unchanged.
  virtual bool IsEmpty() const = 0;
  // Sets the parameters named in `property` and keeps the others. Throws
  // std::invalid_argument for an unknown name or a value of the wrong type and
  // std::out_of_range for a value outside the parameter's range; on a throw
  // the settings are unchanged.
  virtual void Deserialize(const Property& property) = 0;
  virtual Property Serialize() const = 0;
  virtual const std::vector<ParameterInfo>& GetParameters() const = 0;
  // One line on what the effect does, for tools.
  virtual std::string_view GetDescription() const = 0;
  // The effect's family: one of Family::kOrder, or empty when it declares none.
  virtual std::string_view GetFamily() const = 0;
  // The named presets tools offer; the defaults alone ("default") when the
  // class declares none.
  virtual std::span<const Preset> GetPresets() const = 0;
  // Throws as Deserialize does when a field holds a value it would refuse.
  virtual void Validate() const = 0;

 protected:
  Settings() = default;
  Settings(const Settings&) = default;
  Settings& operator=(const Settings&) = default;
};

template <class Owner, class T>
struct Parameter {
  std::string_view name;
  T Owner::*member;
  bool hasRange;
  double minimum;
  double maximum;
  std::string_view description;
};

// A parameter with an inclusive range.
template <class Owner, class T>
constexpr Parameter<Owner, T> Param(std::string_view name, T Owner::*member, double minimum,
                                    double maximum, std::string_view description) {
  return {name, member, true, minimum, maximum, description};
}

// A parameter without a range (flags, text).
template <class Owner, class T>
constexpr Parameter<Owner, T> Param(std::string_view name, T Owner::*member,
                                    std::string_view description) {
  return {name, member, false, 0.0, 0.0, description};
}

namespace SettingsDetail {

// Where a value is read, for messages.
struct Context {
  const std::string& classId;
  std::string_view name;
  bool hasRange;
  double minimum;
  double maximum;
};

bool ReadBool(const Property& value, const Context& context);
std::int32_t ReadInt(const Property& value, const Context& context);
double ReadNumber(const Property& value, const Context& context);
std::string ReadString(const Property& value, const Context& context);
[[noreturn]] void ThrowUnknown(const std::string& classId, std::string_view name,
                               const std::vector<ParameterInfo>& known);
void ThrowIfPlainValue(const Property& property, const std::string& classId);

template <class T>
constexpr ParameterType TypeOf() {
  if constexpr (std::is_same_v<T, bool>) {
    return ParameterType::Bool;
  } else if constexpr (std::is_same_v<T, std::int32_t>) {
    return ParameterType::Int;
  } else if constexpr (std::is_same_v<T, float>) {
    return ParameterType::Float;
  } else if constexpr (std::is_same_v<T, double>) {
    return ParameterType::Double;
  } else {
    static_assert(std::is_same_v<T, std::string>, "unsupported settings field type");
    return ParameterType::String;
  }
}

template <class T>
T Read(const Property& value, const Context& context) {
  if constexpr (std::is_same_v<T, bool>) {
    return ReadBool(value, context);
  } else if constexpr (std::is_same_v<T, std::int32_t>) {
    return ReadInt(value, context);
  } else if constexpr (std::is_same_v<T, std::string>) {
    return ReadString(value, context);
  } else {
    return static_cast<T>(ReadNumber(value, context));
  }
}

}  // namespace SettingsDetail

template <class Derived>
class SettingsBase : public Settings {
 public:
  const std::string& GetClassId() const override { return Derived::CLASS_ID; }

  std::unique_ptr<Settings> Clone() const override { return std::make_unique<Derived>(Self()); }

  bool IsEqualTo(const Settings& other) const override {
    const auto* typed = dynamic_cast<const Derived*>(&other);
    if (typed == nullptr) return false;
    return std::apply(
        [&](const auto&... field) {
          return ((Self().*field.member == typed->*field.member) && ...);
        },
        Derived::Fields());
  }

  bool IsEmpty() const override { return false; }

  void Deserialize(const Property& property) override {
    SettingsDetail::ThrowIfPlainValue(property, Derived::CLASS_ID);
    Derived next = Self();
    for (const auto& [key, value] : property.Children()) {
      const bool known = std::apply(
          [&, &key = key, &value = value](const auto&... field) {
            return (ReadInto(next, field, key, value) || ...);
          },
          Derived::Fields());
      if (!known) SettingsDetail::ThrowUnknown(Derived::CLASS_ID, key, GetParameters());
    }
    static_cast<Derived&>(*this) = next;
  }

  Property Serialize() const override {
    Property property;
    std::apply(
        [&](const auto&... field) {
          (property.SetChild(std::string(field.name), Property(Self().*field.member)), ...);
        },
        Derived::Fields());
    return property;
  }

  const std::vector<ParameterInfo>& GetParameters() const override {
    static const std::vector<ParameterInfo> parameters = MakeParameters();
    return parameters;
  }

  void Validate() const override {
    std::apply([&](const auto&... field) { (Check(Self(), field), ...); }, Derived::Fields());
  }

  // The class's DESCRIPTION where it declares one.
  std::string_view GetDescription() const override {
    if constexpr (requires { Derived::DESCRIPTION; }) {
      return Derived::DESCRIPTION;
    } else {
      return {};
    }
  }

  // The class's FAMILY where it declares one.
  std::string_view GetFamily() const override {
    if constexpr (requires { Derived::FAMILY; }) {
      return Derived::FAMILY;
    } else {
      return {};
    }
  }

  // The class's PRESETS where it declares them, else the defaults.
  std::span<const Preset> GetPresets() const override {
    if constexpr (requires { Derived::PRESETS; }) {
      return Derived::PRESETS;
    } else {
      return kDefaultPresets;
    }
  }

 protected:
  static constexpr std::array kDefaultPresets{Preset{"default", "{}", "the defaults"}};

  // Sets one field of this object to `value` after the checks Deserialize
  // applies to it; on a throw the field is unchanged.
  template <class T, class V>
  void Assign(T& target, V&& value) {
    T next = std::forward<V>(value);
    std::apply([&](const auto&... field) { (CheckIfField(target, next, field), ...); },
               Derived::Fields());
    target = std::move(next);
  }

  // Applies `change` (given a copy of this object) and keeps the result when
  // every field passes the checks of Deserialize; on a throw nothing changes.
  template <class Change>
  void Update(Change change) {
    Derived next = Self();
    change(next);
    next.Validate();
    static_cast<Derived&>(*this) = std::move(next);
  }

 private:
  const Derived& Self() const { return static_cast<const Derived&>(*this); }

  // The bounds are taken in the field's own type: a float field holds the
  // float nearest to a bound such as 0.3, which lies just past it.
  template <class T, class Field>
  static void CheckValue(const T& value, const Field& field) {
    const auto bound = [](double limit) {
      if constexpr (std::is_same_v<T, float>) {
        return static_cast<double>(static_cast<float>(limit));
      } else {
        return limit;
      }
    };
    const SettingsDetail::Context context{Derived::CLASS_ID, field.name, field.hasRange,
                                          bound(field.minimum), bound(field.maximum)};
    SettingsDetail::Read<T>(Property(value), context);
  }

  template <class Field>
  static void Check(const Derived& settings, const Field& field) {
    CheckValue(settings.*field.member, field);
  }

  template <class T, class Field>
  void CheckIfField(const T& target, const T& value, const Field& field) const {
    using Member = std::remove_cvref_t<decltype(Self().*field.member)>;
    if constexpr (std::is_same_v<Member, T>) {
      if (&(Self().*field.member) == &target) CheckValue(value, field);
    }
  }

  template <class Field>
  static bool ReadInto(Derived& target, const Field& field, const std::string& key,
                       const Property& value) {
    if (field.name != key) return false;
    using T = std::remove_cvref_t<decltype(target.*field.member)>;
    const SettingsDetail::Context context{Derived::CLASS_ID, field.name, field.hasRange,
                                          field.minimum, field.maximum};
    target.*field.member = SettingsDetail::Read<T>(value, context);
    return true;
  }

  static std::vector<ParameterInfo> MakeParameters() {
    const Derived defaults{};
    std::vector<ParameterInfo> parameters;
    std::apply(
        [&](const auto&... field) {
          (parameters.push_back(ParameterInfo{
               std::string(field.name),
               SettingsDetail::TypeOf<std::remove_cvref_t<decltype(defaults.*field.member)>>(),
               Property(defaults.*field.member), field.hasRange, field.minimum, field.maximum,
               std::string(field.description)}),
           ...);
        },
        Derived::Fields());
    return parameters;
  }
};

}  // namespace Obrisk::Proc
