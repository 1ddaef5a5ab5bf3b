# Install rules, the CMake package (find_package(ZOLSystemUtility) with namespaced imported targets),
# a build-tree export for add_subdirectory/build-dir use, and a pkg-config file.
#
# The installed tree is relocatable: nothing in it names the prefix it was installed to. The tools find
# the libraries through a RUNPATH relative to themselves, the main library finds its two siblings beside
# itself, the CMake package computes its prefix from its own location and the pkg-config file from
# ${pcfiledir}. Files go to three components, which are also the three Debian packages
# (cmake/DebianPackages.cmake): Runtime (the shared libraries), Development (headers, the static
# library, the package files) and Tools (zolctl, zolsim, their man pages and completions).
include(CMakePackageConfigHelpers)

set(ZOL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/ZOLSystemUtility)
set(ZOL_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(ZOL_EXPORTED_TARGETS ZOLSystemUtility ZOLSystemUtility_static WallDataLib Logger)

# The libraries lie side by side: the main one reaches the other two from its own directory.
set_target_properties(ZOLSystemUtility PROPERTIES INSTALL_RPATH "\$ORIGIN")

install(TARGETS ${ZOL_EXPORTED_TARGETS}
        EXPORT ZOLSystemUtilityTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ZOLSystemUtility)
install(DIRECTORY ZOLSystemUtility/include/ WallDataLib/include/ Logger/include/
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ZOLSystemUtility COMPONENT Development)
install(FILES ${ZOL_GENERATED_DIR}/ZOLVersionNumbers.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ZOLSystemUtility
        COMPONENT Development)
install(EXPORT ZOLSystemUtilityTargets NAMESPACE ZOLSystemUtility:: DESTINATION ${ZOL_CMAKE_DIR}
        COMPONENT Development)
export(EXPORT ZOLSystemUtilityTargets NAMESPACE ZOLSystemUtility::
       FILE ${PROJECT_BINARY_DIR}/ZOLSystemUtilityTargets.cmake)

configure_package_config_file(cmake/ZOLSystemUtilityConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/ZOLSystemUtilityConfig.cmake
                              INSTALL_DESTINATION ${ZOL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ZOLSystemUtilityConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ZOLSystemUtilityConfig.cmake
              ${PROJECT_BINARY_DIR}/ZOLSystemUtilityConfigVersion.cmake
        DESTINATION ${ZOL_CMAKE_DIR} COMPONENT Development)

# The .pc file's prefix is the directory it was found in, so many levels up.
file(RELATIVE_PATH ZOL_PKGCONFIG_TO_PREFIX ${CMAKE_INSTALL_PREFIX}/${ZOL_PKGCONFIG_DIR} ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" ZOL_PKGCONFIG_TO_PREFIX "${ZOL_PKGCONFIG_TO_PREFIX}")
configure_file(cmake/zolsystemutility.pc.in ${PROJECT_BINARY_DIR}/zolsystemutility.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zolsystemutility.pc DESTINATION ${ZOL_PKGCONFIG_DIR} COMPONENT Development)

include(cmake/DebianPackages.cmake)
