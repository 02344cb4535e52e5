# Installs the built library into a scratch prefix, then builds and runs the consumer
# three ways: find_package, pkg-config, add_subdirectory.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
    execute_process(COMMAND ${ARGV} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "failed (${rc}): ${ARGV}\n${out}\n${err}")
    endif()
endfunction()

run(${CMAKE_COMMAND} --install ${VORSA_BINARY_DIR} --prefix ${prefix})

foreach(mode find_package subdirectory)
    set(build ${WORK_DIR}/build-${mode})
    run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${build} -G Ninja
        -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
        -DCMAKE_PREFIX_PATH=${prefix}
        -DCONSUMER_MODE=${mode}
        -DVORSA_CHECKOUT=${VORSA_SOURCE_DIR}
        "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}")
    run(${CMAKE_COMMAND} --build ${build})
    run(${build}/consumer)
endforeach()

find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
    set(ENV{PKG_CONFIG_PATH} "${prefix}/lib/pkgconfig:${prefix}/lib64/pkgconfig")
    execute_process(COMMAND ${PKG_CONFIG} --cflags --libs --static vorsa
                    OUTPUT_VARIABLE flags RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "pkg-config does not know vorsa")
    endif()
    separate_arguments(flags UNIX_COMMAND "${flags}")
    separate_arguments(extra UNIX_COMMAND "${CXX_FLAGS}")
    run(${CXX_COMPILER} -std=c++17 ${extra} ${CONSUMER_DIR}/main.cpp ${flags}
        -o ${WORK_DIR}/consumer-pkg-config)
    run(${WORK_DIR}/consumer-pkg-config)
endif()
