# The noise image of the MPEG glitch, generated at build time. The resource
# location is the folder of the host library (Core::AppLocations), so the
# build tree writes the file beside it and an installation puts it beside
# the installed libraries (installed by the top-level CMakeLists.txt).
include(GNUInstallDirs)

add_executable(quenvara_make_noise ${CMAKE_CURRENT_LIST_DIR}/MakeNoiseImage.cpp)
quenvara_warnings(quenvara_make_noise)

get_target_property(QUENVARA_HOST_DIR quenvara_host BINARY_DIR)
set(QUENVARA_NOISE_IMAGE resources/openglEffects/rgba-noise-64x64)
add_custom_command(
  OUTPUT ${QUENVARA_HOST_DIR}/${QUENVARA_NOISE_IMAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUENVARA_HOST_DIR}/resources/openglEffects
  COMMAND quenvara_make_noise ${QUENVARA_HOST_DIR}/${QUENVARA_NOISE_IMAGE}
  DEPENDS quenvara_make_noise
  COMMENT "Generating the noise image ${QUENVARA_NOISE_IMAGE}")
add_custom_target(quenvara_resources DEPENDS ${QUENVARA_HOST_DIR}/${QUENVARA_NOISE_IMAGE})
add_dependencies(quenvara quenvara_resources)

install(FILES ${QUENVARA_HOST_DIR}/${QUENVARA_NOISE_IMAGE}
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/resources/openglEffects)
