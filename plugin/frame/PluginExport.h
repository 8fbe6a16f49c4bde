#pragma once

// Marks the plug-in's one exported function; everything else is hidden.
#if defined(_WIN32)
#define QUENVARA_PLUGIN_EXPORT __declspec(dllexport)
#else
#define QUENVARA_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif
