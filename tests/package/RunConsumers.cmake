# Installs the library into a scratch prefix, then builds and runs the consumer against it.
#
# Static (the build tree's own library, installed with cmake --install): the consumer is
# built three ways, find_package, pkg-config and add_subdirectory.
# SHARED=ON: the library is built again from source with BUILD_SHARED_LIBS=ON and
# installed; the consumer is built with find_package and with pkg-config and runs against
# the installed shared object.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
    execute_process(COMMAND ${ARGV} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "failed (${rc}): ${ARGV}\n${out}\n${err}")
    endif()
endfunction()

if(SHARED)
    set(library_build ${WORK_DIR}/library)
    run(${CMAKE_COMMAND} -S ${VORSA_SOURCE_DIR} -B ${library_build} -G Ninja
        -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_BUILD_TYPE=Debug -DBUILD_SHARED_LIBS=ON
        -DVORSA_BUILD_TESTS=OFF -DVORSA_BUILD_TOOLS=OFF -DVORSA_BUILD_EXAMPLES=OFF
        "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}")
    run(${CMAKE_COMMAND} --build ${library_build})
    run(${CMAKE_COMMAND} --install ${library_build} --prefix ${prefix})
    file(GLOB shared_objects ${prefix}/lib*/libvorsa.so)
    file(GLOB archives ${prefix}/lib*/libvorsa.a)
    if(NOT shared_objects OR archives)
        message(FATAL_ERROR "expected libvorsa.so and no archive in ${prefix}")
    endif()
    set(modes find_package)
else()
    run(${CMAKE_COMMAND} --install ${VORSA_BINARY_DIR} --prefix ${prefix})
    foreach(installed bin/vorsa bin/vorsa-sim include/vorsa/Vorsa32.h share/man/man1/vorsa.1)
        if(NOT EXISTS ${prefix}/${installed})
            message(FATAL_ERROR "the install lacks ${installed}")
        endif()
    endforeach()
    set(modes find_package subdirectory)
endif()

# The shared object is found at run time from the prefix, as an installed one would be
# through the system's library path.
set(run_env ${CMAKE_COMMAND} -E env "LD_LIBRARY_PATH=${prefix}/lib:${prefix}/lib64")

foreach(mode ${modes})
    set(build ${WORK_DIR}/build-${mode})
    run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${build} -G Ninja
        -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
        -DCMAKE_PREFIX_PATH=${prefix}
        -DCONSUMER_MODE=${mode}
        -DVORSA_CHECKOUT=${VORSA_SOURCE_DIR}
        "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}")
    run(${CMAKE_COMMAND} --build ${build})
    run(${run_env} ${build}/consumer)
endforeach()

find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
    set(ENV{PKG_CONFIG_PATH} "${prefix}/lib/pkgconfig:${prefix}/lib64/pkgconfig")
    set(pkg_args --cflags --libs vorsa)
    if(NOT SHARED)
        list(APPEND pkg_args --static)
    endif()
    execute_process(COMMAND ${PKG_CONFIG} ${pkg_args}
                    OUTPUT_VARIABLE flags RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "pkg-config does not know vorsa")
    endif()
    separate_arguments(flags UNIX_COMMAND "${flags}")
    separate_arguments(extra UNIX_COMMAND "${CXX_FLAGS}")
    run(${CXX_COMPILER} -std=c++17 ${extra} ${CONSUMER_DIR}/main.cpp ${flags} -pthread
        -o ${WORK_DIR}/consumer-pkg-config)
    run(${run_env} ${WORK_DIR}/consumer-pkg-config)
endif()
