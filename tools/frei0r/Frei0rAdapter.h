// The frei0r adapter's entry points. Each stub exports the frei0r functions and
// forwards them here with the address of a byte of its own, by which the
// adapter finds the stub's file and from its name (quenvara-invert.so) the
// effect. Every entry point catches what it throws: no exception crosses into
// a frei0r host.
#pragma once

// The frei0r header declares its functions without C linkage.
extern "C" {
#include <frei0r.h>
}

#if defined(_WIN32)
#define QUENVARA_FREI0R_API __declspec(dllexport)
#else
#define QUENVARA_FREI0R_API __attribute__((visibility("default")))
#endif

extern "C" {

// 1 when the stub's effect was found and the plug-in loaded, else 0.
QUENVARA_FREI0R_API int quenvara_frei0r_init(const void* stub);
QUENVARA_FREI0R_API void quenvara_frei0r_deinit(const void* stub);
QUENVARA_FREI0R_API void quenvara_frei0r_plugin_info(const void* stub, f0r_plugin_info_t* info);
QUENVARA_FREI0R_API void quenvara_frei0r_param_info(const void* stub, f0r_param_info_t* info,
                                                    int index);
// Null when the size is empty or the effect cannot be made.
QUENVARA_FREI0R_API f0r_instance_t quenvara_frei0r_construct(const void* stub, unsigned width,
                                                             unsigned height);
QUENVARA_FREI0R_API void quenvara_frei0r_destruct(f0r_instance_t instance);
QUENVARA_FREI0R_API void quenvara_frei0r_set_param(f0r_instance_t instance, f0r_param_t value,
                                                   int index);
QUENVARA_FREI0R_API void quenvara_frei0r_get_param(f0r_instance_t instance, f0r_param_t value,
                                                   int index);
// Renders `in1` (and `in2` for a transition) into `out`, all width x height
// RGBA pixels; a frame that cannot be rendered leaves as it came.
QUENVARA_FREI0R_API void quenvara_frei0r_update(f0r_instance_t instance, double time,
                                                const uint32_t* in1, const uint32_t* in2,
                                                uint32_t* out);
}
