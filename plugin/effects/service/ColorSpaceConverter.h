// The colour-space converter: moves GPU video into the colour space its
// settings (SettingsColorSpaceConverter) name.
#pragma once

#include "obrisk/host/Effect.h"
#include "obrisk/host/Registry.h"

namespace Obrisk::Ogl {

// The creator registered for SettingsColorSpaceConverter.
Ptr<Proc::IEffect> CreateColorSpaceConverter(const Ptr<Proc::IEffectFactory>& factory,
                                             const Ptr<IRefCountable>& context);

}  // namespace Obrisk::Ogl
