# Header-only libraries from the build machine's packages (CLI11, nlohmann-json) for a cross
# build, where find_package looks in the target's root only. The library's header directory
# is copied into the build tree, so that the target's compiler is never pointed at the
# build machine's /usr/include as a whole (its C library headers would win over the
# target's).
#
#   vorsa_host_header_library(CLI11::CLI11 CLI/CLI.hpp)
function(vorsa_host_header_library target header)
    if(TARGET ${target})
        return()
    endif()
    string(MAKE_C_IDENTIFIER "VORSA_HOST_${header}" cache_name)
    find_path(${cache_name} ${header} PATHS /usr/include /usr/local/include
              NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT ${cache_name})
        message(FATAL_ERROR "${header} not found on the build machine (for ${target})")
    endif()
    string(REGEX REPLACE "/.*" "" top ${header})
    set(staged ${CMAKE_BINARY_DIR}/host-headers)
    file(COPY ${${cache_name}}/${top} DESTINATION ${staged})
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${staged})
endfunction()
