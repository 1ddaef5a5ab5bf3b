# Debian packages of the three install components, made by `cpack` in a configured and built tree:
#   libzolsystemutility1      Runtime: the three shared libraries
#   libzolsystemutility-dev   Development: headers, static library, CMake package files, .pc file
#   zolsystemutility-tools    Tools: zolctl, zolsim, their man pages and shell completions
# Every package carries its copyright file and changelog, as Debian asks of each binary package.
set(ZOL_PACKAGE_MAINTAINER "ZOLUtility for Linux maintainers <maintainers@zolutility.example>"
    CACHE STRING "Maintainer field of the Debian packages")

set(ZOL_DEB_Runtime libzolsystemutility${PROJECT_VERSION_MAJOR})
set(ZOL_DEB_Development libzolsystemutility-dev)
set(ZOL_DEB_Tools zolsystemutility-tools)

configure_file(cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
                   COMMAND gzip -9n -c ${PROJECT_BINARY_DIR}/debian/changelog > ${PROJECT_BINARY_DIR}/debian/changelog.gz
                   DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog VERBATIM)
add_custom_target(zol_debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)

foreach(component Runtime Development Tools)
    install(FILES cmake/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${ZOL_DEB_${component}} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zolsystemutility)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ZOL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL Runtime Development Tools)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE zolsystemutility)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Each package's description below starts with its own synopsis: no summary common to all is put before.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
# The shlibs file of the package that holds shared libraries (the runtime one).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# Dependencies on system libraries come from dpkg-shlibdeps; ours are named below. It finds our own
# libraries in the build tree.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/Logger ${PROJECT_BINARY_DIR}/WallDataLib
                                                ${PROJECT_BINARY_DIR}/ZOLSystemUtility)
set(ZOL_DEB_RUNTIME_EXACTLY "${ZOL_DEB_Runtime} (= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${ZOL_DEB_Runtime})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "control of large-format displays over the ZOL protocol
The ZOL display-control library (TCP, TLS with the device PIN, serial
lines), with the display-record library and the log library that host
programs use with it.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${ZOL_DEB_Development})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${ZOL_DEB_RUNTIME_EXACTLY}, libssl-dev")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "control of large-format displays over the ZOL protocol - development files
Headers, the static library, the CMake package
(find_package(ZOLSystemUtility)) and the pkg-config file (zolsystemutility)
for building host programs.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME ${ZOL_DEB_Tools})
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${ZOL_DEB_RUNTIME_EXACTLY}")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "command-line control of large-format displays over the ZOL protocol
zolctl runs display commands on one display or on a whole wall from an
inventory; zolsim is a simulated display to try them against. With man
pages and bash and zsh completion.")

include(CPack)
