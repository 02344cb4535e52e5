# Installs the headers, the library, a CMake package (find_package(vorsa) gives
# vorsa::vorsa) and a pkg-config file.
include(CMakePackageConfigHelpers)

set(VORSA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/vorsa)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vorsa
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")

install(TARGETS vorsa EXPORT vorsa-targets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT vorsa-targets NAMESPACE vorsa:: DESTINATION ${VORSA_CMAKE_DIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/vorsa-config.cmake.in
    ${PROJECT_BINARY_DIR}/vorsa-config.cmake
    INSTALL_DESTINATION ${VORSA_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/vorsa-config-version.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/vorsa-config.cmake
              ${PROJECT_BINARY_DIR}/vorsa-config-version.cmake
        DESTINATION ${VORSA_CMAKE_DIR})

# The pkg-config file finds its prefix from its own place, so an installed tree can be
# moved (and installed with --prefix) without editing it.
file(RELATIVE_PATH VORSA_PC_UP "/p/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/p")
string(REGEX REPLACE "/$" "" VORSA_PC_UP "${VORSA_PC_UP}")
set(VORSA_PC_PREFIX "\${pcfiledir}/${VORSA_PC_UP}")
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    set(VORSA_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
    set(VORSA_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    set(VORSA_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
    set(VORSA_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/vorsa.pc.in ${PROJECT_BINARY_DIR}/vorsa.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vorsa.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
