# cpack -G DEB: one package per install component, with dependencies on
# system libraries worked out by dpkg-shlibdeps.
get_property(QV_COMPONENTS GLOBAL PROPERTY QV_PACKAGE_COMPONENTS)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvane developers")
set(CPACK_PACKAGE_CONTACT "${QV_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${QV_HOMEPAGE}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL ${QV_COMPONENTS})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)

foreach(component ${QV_COMPONENTS})
  string(TOUPPER ${component} upper)
  foreach(field NAME SUMMARY DESCRIPTION DEPENDS RECOMMENDS SECTION)
    get_property(${field} GLOBAL PROPERTY QV_PACKAGE_${component}_${field})
  endforeach()
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${NAME})
  # The first line is the summary, the long text follows (CPack indents it).
  set(CPACK_DEBIAN_${upper}_DESCRIPTION "${SUMMARY}\n${DESCRIPTION}")
  if(SECTION)
    set(CPACK_DEBIAN_${upper}_PACKAGE_SECTION ${SECTION})
  endif()
  if(DEPENDS)
    set(CPACK_DEBIAN_${upper}_PACKAGE_DEPENDS "${DEPENDS}")
  endif()
  if(RECOMMENDS)
    set(CPACK_DEBIAN_${upper}_PACKAGE_RECOMMENDS "${RECOMMENDS}")
  endif()
endforeach()

# The library's shlibs file, so that other packages' dependencies on it are
# worked out like any system library's.
# Only the library package has a library with a SONAME, so only it gets one.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The dynamic linker's cache is refreshed by dpkg's trigger.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/debian/liborbex1/triggers)
# dpkg-shlibdeps sees the programs' use of our own library in the build tree;
# the dependency on its package is stated, exactly this version.
if(TARGET orbex)
  get_target_property(orbex_dir orbex LIBRARY_OUTPUT_DIRECTORY)
  if(NOT orbex_dir)
    get_target_property(orbex_dir orbex BINARY_DIR)
  endif()
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${orbex_dir})
endif()

include(CPack)
