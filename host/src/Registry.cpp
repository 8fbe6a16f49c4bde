#include "obrisk/host/Registry.h"

#include <stdexcept>

#include <fmt/format.h>

namespace Obrisk::Proc {

std::string_view ToString(EffectKind kind) {
  switch (kind) {
    case EffectKind::OneInput:
      return "one-input";
    case EffectKind::TwoInput:
      return "two-input";
    case EffectKind::VarInput:
      return "variable-input";
  }
  return "unknown";
}

void EffectRegistry::RegisterOneInputEffect(const std::string& classId, const std::string& implName,
                                            EffectCreator creator) {
  Register(EffectKind::OneInput, classId, implName, creator);
}

void EffectRegistry::RegisterTwoInputEffect(const std::string& classId, const std::string& implName,
                                            EffectCreator creator) {
  Register(EffectKind::TwoInput, classId, implName, creator);
}

void EffectRegistry::RegisterVarInputEffect(const std::string& classId, const std::string& implName,
                                            EffectCreator creator) {
  Register(EffectKind::VarInput, classId, implName, creator);
}

void EffectRegistry::Register(EffectKind kind, const std::string& classId,
                              const std::string& implName, EffectCreator creator) {
  if (creator == nullptr) {
    throw std::invalid_argument(fmt::format("EffectRegistry: no creator for {}", classId));
  }
  if (Find(classId, implName) != nullptr) {
    throw std::logic_error(
        fmt::format("EffectRegistry: {} is already registered for {}", classId, implName));
  }
  entries_.push_back(Entry{kind, classId, implName, creator});
}

const EffectRegistry::Entry* EffectRegistry::Find(const std::string& classId,
                                                  const std::string& implName) const {
  for (const auto& entry : entries_) {
    if (entry.classId == classId && entry.implName == implName) return &entry;
  }
  return nullptr;
}

bool EffectRegistry::CreateEffect(Ptr<IEffect>& effect, const std::string& classId,
                                  const std::string& implName, const Ptr<IRefCountable>& context) {
  effect.reset();
  const Entry* entry = Find(classId, implName);
  if (entry == nullptr) return false;
  effect = entry->creator(Ptr<IEffectFactory>(this), context);
  return effect != nullptr;
}

}  // namespace Obrisk::Proc
