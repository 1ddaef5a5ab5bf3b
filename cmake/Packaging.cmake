# Install rules, the CMake package (find_package(ZOLSystemUtility) with namespaced imported targets),
# a build-tree export for add_subdirectory/build-dir use, and a pkg-config file.
include(CMakePackageConfigHelpers)

set(ZOL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/ZOLSystemUtility)
set(ZOL_EXPORTED_TARGETS ZOLSystemUtility ZOLSystemUtility_static WallDataLib Logger)

install(TARGETS ${ZOL_EXPORTED_TARGETS}
        EXPORT ZOLSystemUtilityTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ZOLSystemUtility)
install(DIRECTORY ZOLSystemUtility/include/ WallDataLib/include/ Logger/include/
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ZOLSystemUtility)
install(FILES ${ZOL_GENERATED_DIR}/ZOLVersionNumbers.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ZOLSystemUtility)
install(EXPORT ZOLSystemUtilityTargets NAMESPACE ZOLSystemUtility:: DESTINATION ${ZOL_CMAKE_DIR})
export(EXPORT ZOLSystemUtilityTargets NAMESPACE ZOLSystemUtility::
       FILE ${PROJECT_BINARY_DIR}/ZOLSystemUtilityTargets.cmake)

configure_package_config_file(cmake/ZOLSystemUtilityConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/ZOLSystemUtilityConfig.cmake
                              INSTALL_DESTINATION ${ZOL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ZOLSystemUtilityConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ZOLSystemUtilityConfig.cmake
              ${PROJECT_BINARY_DIR}/ZOLSystemUtilityConfigVersion.cmake
        DESTINATION ${ZOL_CMAKE_DIR})

configure_file(cmake/zolsystemutility.pc.in ${PROJECT_BINARY_DIR}/zolsystemutility.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zolsystemutility.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
