// One frei0r plug-in file per effect: a copy of this stub named after the
// effect (quenvara-invert.so). It holds no effect code; the adapter library
// beside it finds the effect from the name of the file that holds kSelf.
// Copies rather than links: the loader takes links to one file for one
// library, and every effect needs a library of its own.
#include "Frei0rAdapter.h"

namespace {
const char kSelf = 0;
}  // namespace

extern "C" {

QUENVARA_FREI0R_API int f0r_init() {
  return quenvara_frei0r_init(&kSelf);
}

QUENVARA_FREI0R_API void f0r_deinit() {
  quenvara_frei0r_deinit(&kSelf);
}

QUENVARA_FREI0R_API void f0r_get_plugin_info(f0r_plugin_info_t* info) {
  quenvara_frei0r_plugin_info(&kSelf, info);
}

QUENVARA_FREI0R_API void f0r_get_param_info(f0r_param_info_t* info, int index) {
  quenvara_frei0r_param_info(&kSelf, info, index);
}

QUENVARA_FREI0R_API f0r_instance_t f0r_construct(unsigned width, unsigned height) {
  return quenvara_frei0r_construct(&kSelf, width, height);
}

QUENVARA_FREI0R_API void f0r_destruct(f0r_instance_t instance) {
  quenvara_frei0r_destruct(instance);
}

QUENVARA_FREI0R_API void f0r_set_param_value(f0r_instance_t instance, f0r_param_t value,
                                             int index) {
  quenvara_frei0r_set_param(instance, value, index);
}

QUENVARA_FREI0R_API void f0r_get_param_value(f0r_instance_t instance, f0r_param_t value,
                                             int index) {
  quenvara_frei0r_get_param(instance, value, index);
}

QUENVARA_FREI0R_API void f0r_update(f0r_instance_t instance, double time, const uint32_t* in,
                                    uint32_t* out) {
  quenvara_frei0r_update(instance, time, in, nullptr, out);
}

QUENVARA_FREI0R_API void f0r_update2(f0r_instance_t instance, double time, const uint32_t* in1,
                                     const uint32_t* in2, const uint32_t*, uint32_t* out) {
  quenvara_frei0r_update(instance, time, in1, in2, out);
}
}
