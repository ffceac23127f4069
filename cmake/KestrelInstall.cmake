# What `cmake --install` puts where (GNU directories), and the Debian package CPack makes of it:
# the hosts in bin/, the geometry library with its C headers, CMake package and pkg-config file in
# the usual places, the module, the platform library and the GIS library in the library folder's
# kestrel/ folder (the hosts find them there relative to themselves), the SIMA driver in GDAL's
# plugin folder (apps/ogr_sima), manual pages and the bash completion.
include(CMakePackageConfigHelpers)

set(_cmake_dir "${CMAKE_INSTALL_LIBDIR}/cmake/Kestrel")
install(TARGETS kestrel_geometry EXPORT KestrelTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/geometry/include/kestrel
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
install(EXPORT KestrelTargets NAMESPACE Kestrel:: DESTINATION ${_cmake_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KestrelConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KestrelConfig.cmake INSTALL_DESTINATION ${_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KestrelConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KestrelConfig.cmake ${PROJECT_BINARY_DIR}/KestrelConfigVersion.cmake
  DESTINATION ${_cmake_dir})

# The pkg-config file finds the prefix from where it lies, so an installation may be moved.
file(RELATIVE_PATH KESTREL_PC_TO_PREFIX "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
configure_file(${PROJECT_SOURCE_DIR}/cmake/kestrel-geometry.pc.in
  ${PROJECT_BINARY_DIR}/kestrel-geometry.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kestrel-geometry.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The hosts and what they load.
set(_private_rpath "$ORIGIN/../${KESTREL_INSTALL_MODULEDIR}")
set_target_properties(kestrel PROPERTIES INSTALL_RPATH "${_private_rpath}")
set_target_properties(kestrel_module PROPERTIES INSTALL_RPATH "$ORIGIN;$ORIGIN/..")
set_target_properties(kestrel_gis PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS kestrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS kestrel_module kestrel_platform kestrel_gis kestrel_gis_plan
  LIBRARY DESTINATION ${KESTREL_INSTALL_MODULEDIR})
if(TARGET kestrel-studio)
  set_target_properties(kestrel-studio PROPERTIES INSTALL_RPATH "${_private_rpath}")
  set_target_properties(kestrel_module_qt PROPERTIES INSTALL_RPATH "$ORIGIN;$ORIGIN/..")
  install(TARGETS kestrel-studio RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(TARGETS kestrel_module_qt LIBRARY DESTINATION ${KESTREL_INSTALL_MODULEDIR})
endif()

# Manual pages: kestrel's is written by kestrel itself from its option tables, kestrel-studio's by
# hand; the completion script comes from the same tables.
find_program(KESTREL_GZIP gzip REQUIRED)
set(_man "${PROJECT_BINARY_DIR}/man")
add_custom_command(OUTPUT ${_man}/kestrel.1.gz ${_man}/kestrel.bash
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_man}
  COMMAND $<TARGET_FILE:kestrel> --print-man > ${_man}/kestrel.1
  COMMAND ${KESTREL_GZIP} -9nf ${_man}/kestrel.1
  COMMAND $<TARGET_FILE:kestrel> --print-bash-completion > ${_man}/kestrel.bash
  DEPENDS kestrel VERBATIM)
add_custom_command(OUTPUT ${_man}/kestrel-studio.1.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_man}
  COMMAND ${KESTREL_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/docs/man/kestrel-studio.1 > ${_man}/kestrel-studio.1.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/kestrel-studio.1)
add_custom_target(kestrel_manuals ALL DEPENDS ${_man}/kestrel.1.gz ${_man}/kestrel.bash
  ${_man}/kestrel-studio.1.gz)
install(FILES ${_man}/kestrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET kestrel-studio)
  install(FILES ${_man}/kestrel-studio.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${_man}/kestrel.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME kestrel)

# cpack -G DEB: one package; dpkg-shlibdeps (dpkg-dev) works out the runtime dependencies.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "SIMA survey files into DXF drawings, LandXML and GIS; IP-method alignment geometry library")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Kestrel developers <kestrel@invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
include(CPack)
