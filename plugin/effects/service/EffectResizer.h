// The resizer: an IResize object around a one-input wrapper of the
// EffectResizer algorithm, which scales and places the picture into the
// frame size of its settings (SettingsResizer).
#pragma once

#include "obrisk/host/Effect.h"
#include "obrisk/host/Registry.h"

namespace Obrisk::Ogl {

// The creator registered for SettingsResizer.
Ptr<Proc::IEffect> CreateImageResizer(const Ptr<Proc::IEffectFactory>& factory,
                                      const Ptr<IRefCountable>& context);

}  // namespace Obrisk::Ogl
