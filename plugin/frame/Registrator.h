// The plug-in's one exported function.
#pragma once

#include "frame/PluginExport.h"
#include "obrisk/host/Registry.h"

extern "C" QUENVARA_PLUGIN_EXPORT void Registrator(Obrisk::Proc::IEffectRegistry* registry);
