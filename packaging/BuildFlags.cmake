# Every build carries the distribution's hardening: fortified library calls, stack protection,
# relocations made read-only and bound at start. A build configured without a type is a release
# build with debug information, so that the fortified calls have the optimiser they need.
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "The build type" FORCE)
endif()

option(DRAVELO_HARDENING "Build with the distribution's hardening flags" ON)
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(DRAVELO_HARDENING AND DPKG_BUILDFLAGS)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                    ${DPKG_BUILDFLAGS} --get ${kind}
            OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        separate_arguments(flags UNIX_COMMAND "${flags}")
        # The build type chooses optimisation and debug information; the sanitizers bring their
        # own checked calls, and fortified ones need optimisation.
        list(FILTER flags EXCLUDE REGEX "^-O|^-g$|^-ffile-prefix-map=|^-fPIE$")
        if(DRAVELO_SANITIZE OR CMAKE_BUILD_TYPE STREQUAL "Debug")
            list(FILTER flags EXCLUDE REGEX "^-D_FORTIFY_SOURCE")
        endif()
        if(kind STREQUAL "LDFLAGS")
            add_link_options(${flags})
        else()
            add_compile_options(${flags})
        endif()
    endforeach()
endif()
