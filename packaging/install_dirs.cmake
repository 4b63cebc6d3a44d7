# The GNU install folders. On a multiarch system (Debian) the library goes
# into lib/<multiarch> whatever the prefix, so that /usr/local installs and
# the packages (configured for /usr/local, packed for /usr) look alike. Plain
# "lib", the default of earlier configurations, is replaced too; any other
# CMAKE_INSTALL_LIBDIR given on the command line is kept.
if(CMAKE_LIBRARY_ARCHITECTURE AND (NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR} OR "$CACHE{CMAKE_INSTALL_LIBDIR}" STREQUAL "lib"))
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH "Object code libraries (LIBDIR)" FORCE)
endif()
include(GNUInstallDirs)

# The program's shared files (tips, help) below the data folder, and the
# build tree's copy laid out the same way, so that the program finds them
# relative to itself in both places.
set(QV_DATA_SUBDIR ${CMAKE_INSTALL_DATADIR}/quorvane)
set(QV_BUILD_DATA_DIR ${CMAKE_BINARY_DIR}/${QV_DATA_SUBDIR})
file(RELATIVE_PATH QV_DATA_FROM_BUILT_BIN ${CMAKE_BINARY_DIR}/app ${QV_BUILD_DATA_DIR})
file(RELATIVE_PATH QV_DATA_FROM_INSTALLED_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/quorvane)

# Each install component becomes one Debian package. A folder that ships
# something of its own installs it with COMPONENT <component> and declares
# the package here, e.g.
#   qv_add_package(python python3-quorvane "Python module for Quorvane images"
#                  DEPENDS "python3, quorvane (= ${PROJECT_VERSION})" SECTION python)
# DEPENDS lists what dpkg-shlibdeps cannot see; RECOMMENDS what the package
# works better with; SECTION defaults to science.
function(qv_add_package component package summary)
  cmake_parse_arguments(PARSE_ARGV 3 arg "" "DEPENDS;RECOMMENDS;SECTION;DESCRIPTION" "")
  set_property(GLOBAL APPEND PROPERTY QV_PACKAGE_COMPONENTS ${component})
  set_property(GLOBAL PROPERTY QV_PACKAGE_${component}_NAME ${package})
  set_property(GLOBAL PROPERTY QV_PACKAGE_${component}_SUMMARY "${summary}")
  set_property(GLOBAL PROPERTY QV_PACKAGE_${component}_DESCRIPTION "${arg_DESCRIPTION}")
  set_property(GLOBAL PROPERTY QV_PACKAGE_${component}_DEPENDS "${arg_DEPENDS}")
  set_property(GLOBAL PROPERTY QV_PACKAGE_${component}_RECOMMENDS "${arg_RECOMMENDS}")
  set_property(GLOBAL PROPERTY QV_PACKAGE_${component}_SECTION "${arg_SECTION}")
endfunction()
