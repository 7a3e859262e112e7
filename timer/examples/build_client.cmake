# Installs the Tickwell SDK into PREFIX (emptied first) and compiles SOURCE into OUTPUT the way a
# client would: C++17, flags from pkg-config, the fallback library from tickwell.pc.
file(REMOVE_RECURSE ${PREFIX})
foreach(component tickwell_library tickwell)
    execute_process(
        COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} --component ${component}
        OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
endforeach()

set(ENV{PKG_CONFIG_PATH} "${PREFIX}/${LIBDIR}/pkgconfig:$ENV{PKG_CONFIG_PATH}")
execute_process(COMMAND pkg-config --cflags --libs tickwell Qt6Core
    OUTPUT_VARIABLE pkg_flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND pkg-config --variable=library tickwell
    OUTPUT_VARIABLE library OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
separate_arguments(pkg_flags UNIX_COMMAND "${pkg_flags}")

execute_process(
    COMMAND ${CXX} -std=c++17 -Wall -Wextra -Werror -pedantic -fPIC ${FLAGS}
        "-DTICKWELL_LIBRARY=\"${library}\"" ${SOURCE} -o ${OUTPUT} ${pkg_flags}
    COMMAND_ERROR_IS_FATAL ANY)
