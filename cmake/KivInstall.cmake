# cmake --install: the runtime and its two table drivers, the public headers (kvrun32.h,
# kvrun32/, kiv/) and a CMake package, so that a program outside this tree can write
#   find_package(kvrun32 REQUIRED)
#   target_link_libraries(prog PRIVATE kvrun32::kvrun32 kvrun32::kvzph32 kvrun32::kvasc32)
include(CMakePackageConfigHelpers)

# The runtime's own version (what __checkversion reports as "this version").
set(KVRUN32_VERSION 2.3.0)
set(KVRUN32_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kvrun32)

# Installed libraries find each other beside themselves (the drivers need libkvrun32).
set_target_properties(kvrun32 kvzph32 kvasc32 PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS kvrun32 kvzph32 kvasc32 EXPORT kvrun32Targets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")
install(EXPORT kvrun32Targets NAMESPACE kvrun32:: DESTINATION ${KVRUN32_CMAKE_DIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/kvrun32Config.cmake.in
                              ${PROJECT_BINARY_DIR}/kvrun32Config.cmake
                              INSTALL_DESTINATION ${KVRUN32_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kvrun32ConfigVersion.cmake
                                 VERSION ${KVRUN32_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kvrun32Config.cmake
              ${PROJECT_BINARY_DIR}/kvrun32ConfigVersion.cmake
        DESTINATION ${KVRUN32_CMAKE_DIR})
