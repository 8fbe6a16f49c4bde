// Registration of effect implementations and their creation by class id.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "obrisk/host/Effect.h"

namespace Obrisk::Proc {

namespace ImplNames {
// The implementation name of GPU (OpenGL) effects.
inline const std::string OGL{"OGL"};
}  // namespace ImplNames

class IEffectFactory : public IRefCountable {
 public:
  // Creates the effect registered for (classId, implName) into `effect`;
  // returns false and leaves `effect` empty when none is registered.
  virtual bool CreateEffect(Ptr<IEffect>& effect, const std::string& classId,
                            const std::string& implName, const Ptr<IRefCountable>& context) = 0;
};

// Builds a new effect; the caller holds the only reference.
using EffectCreator = Ptr<IEffect> (*)(const Ptr<IEffectFactory>& factory,
                                       const Ptr<IRefCountable>& creatorContext);

class IEffectRegistry {
 public:
  virtual ~IEffectRegistry() = default;
  virtual void RegisterOneInputEffect(const std::string& classId, const std::string& implName,
                                      EffectCreator creator) = 0;
  virtual void RegisterTwoInputEffect(const std::string& classId, const std::string& implName,
                                      EffectCreator creator) = 0;
  virtual void RegisterVarInputEffect(const std::string& classId, const std::string& implName,
                                      EffectCreator creator) = 0;
};

enum class EffectKind : std::uint8_t { OneInput, TwoInput, VarInput };
std::string_view ToString(EffectKind kind);

// The host's registry: records every registration in order and creates
// effects from it. Registering the same (class id, implementation) twice
// raises std::logic_error.
class EffectRegistry final : public RefCounted<IEffectFactory>, public IEffectRegistry {
 public:
  struct Entry {
    EffectKind kind;
    std::string classId;
    std::string implName;
    EffectCreator creator;
  };

  void RegisterOneInputEffect(const std::string& classId, const std::string& implName,
                              EffectCreator creator) override;
  void RegisterTwoInputEffect(const std::string& classId, const std::string& implName,
                              EffectCreator creator) override;
  void RegisterVarInputEffect(const std::string& classId, const std::string& implName,
                              EffectCreator creator) override;

  bool CreateEffect(Ptr<IEffect>& effect, const std::string& classId, const std::string& implName,
                    const Ptr<IRefCountable>& context) override;

  const std::vector<Entry>& Entries() const { return entries_; }
  const Entry* Find(const std::string& classId, const std::string& implName) const;

 private:
  void Register(EffectKind kind, const std::string& classId, const std::string& implName,
                EffectCreator creator);

  std::vector<Entry> entries_;
};

}  // namespace Obrisk::Proc
