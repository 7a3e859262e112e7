# The Debian packages that a plain `cpack -G DEB` builds from the install components:
#   dravelo          the programs and everything a desktop needs (component dravelo)
#   libtickwell1     the component library and its SONAME link (component tickwell_library)
#   libtickwell-dev  Tickwell's SDK and registration tool (component tickwell)
# Dependencies on libraries the programs link come from dpkg-shlibdeps; the ones it cannot see
# (the component library loaded at run time, Qt's translations) are named here.
set(DRAVELO_DEBIAN_REVISION 1)
set(DRAVELO_DEBIAN_VERSION ${PROJECT_VERSION}-${DRAVELO_DEBIAN_REVISION})
# Before the split a single dravelo package held the library and the SDK.
set(DRAVELO_BEFORE_SPLIT "dravelo (<< ${DRAVELO_DEBIAN_VERSION})")

# Every package carries the copyright and the Debian changelog in its own documentation folder.
set(DRAVELO_DEBIAN_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
dravelo_gzip(${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog ${DRAVELO_DEBIAN_CHANGELOG})
foreach(package_component IN ITEMS dravelo:dravelo libtickwell1:tickwell_library
                                   libtickwell-dev:tickwell)
    string(REPLACE ":" ";" pair ${package_component})
    list(GET pair 0 package)
    list(GET pair 1 component)
    install(FILES debian/copyright ${DRAVELO_DEBIAN_CHANGELOG}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

# The library's package registers it through dpkg's ldconfig trigger and tells dpkg-shlibdeps of
# other packages which package provides the SONAME.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/libtickwell1/triggers "activate-noawait ldconfig\n")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/libtickwell1/shlibs
    "libtickwell ${TICKWELL_SOVERSION} libtickwell1 (>= ${DRAVELO_DEBIAN_VERSION})\n")
# CPack's own library handling writes maintainer scripts that call ldconfig, so the library's
# dependencies are found by dpkg-shlibdeps when cpack runs, from the built library.
file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/CPackProjectConfig.cmake CONTENT "\
if(CPACK_GENERATOR STREQUAL \"DEB\")
    set(work \"${CMAKE_CURRENT_BINARY_DIR}/shlibdeps\")
    file(MAKE_DIRECTORY \${work}/debian)
    file(TOUCH \${work}/debian/control)
    execute_process(COMMAND dpkg-shlibdeps -O \"$<TARGET_FILE:tickwell>\"
        WORKING_DIRECTORY \${work} OUTPUT_VARIABLE found COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX REPLACE \"^shlibs:Depends=\" \"\" found \"\${found}\")
    string(STRIP \"\${found}\" CPACK_DEBIAN_TICKWELL_LIBRARY_PACKAGE_DEPENDS)
endif()
")

set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/CPackProjectConfig.cmake)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL dravelo tickwell_library tickwell)
set(CPACK_PACKAGE_NAME dravelo)
set(CPACK_PACKAGE_VENDOR Quarnell)
set(CPACK_PACKAGE_CONTACT "Dravelo Team <dravelo@quarnell.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${DRAVELO_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_SOURCE dravelo)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DRAVELO_PACKAGE_NAME dravelo)
set(CPACK_DEBIAN_DRAVELO_PACKAGE_SECTION utils)
# Qt's translations and Qt SQL's SQLite driver are loaded at run time, where dpkg-shlibdeps
# cannot see them.
set(CPACK_DEBIAN_DRAVELO_PACKAGE_DEPENDS
    "libtickwell1 (= ${DRAVELO_DEBIAN_VERSION}), qt6-translations-l10n, libqt6sql6-sqlite")
set(CPACK_DEBIAN_DRAVELO_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_DRAVELO_DESCRIPTION "measure how fast a drive writes and reads files
Dravelo writes and reads test files in a folder, timing each file or the
whole phase, and reports the speed in MB/s, in a window (dravelo) or in a
terminal (dravelo-cli), with a log file and a chart of every file's speed.")

set(CPACK_DEBIAN_TICKWELL_LIBRARY_PACKAGE_NAME libtickwell1)
set(CPACK_DEBIAN_TICKWELL_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_TICKWELL_LIBRARY_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_TICKWELL_LIBRARY_PACKAGE_BREAKS ${DRAVELO_BEFORE_SPLIT})
set(CPACK_DEBIAN_TICKWELL_LIBRARY_PACKAGE_REPLACES ${DRAVELO_BEFORE_SPLIT})
set(CPACK_DEBIAN_TICKWELL_LIBRARY_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_BINARY_DIR}/libtickwell1/triggers ${CMAKE_CURRENT_BINARY_DIR}/libtickwell1/shlibs)
set(CPACK_DEBIAN_TICKWELL_LIBRARY_DESCRIPTION "Tickwell timer component library
Tickwell provides timer and trigger objects that programs create through
component activation. This package holds the shared library.")

set(CPACK_DEBIAN_TICKWELL_PACKAGE_NAME libtickwell-dev)
set(CPACK_DEBIAN_TICKWELL_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_TICKWELL_PACKAGE_DEPENDS "libtickwell1 (= ${DRAVELO_DEBIAN_VERSION})")
set(CPACK_DEBIAN_TICKWELL_PACKAGE_BREAKS ${DRAVELO_BEFORE_SPLIT})
set(CPACK_DEBIAN_TICKWELL_PACKAGE_REPLACES ${DRAVELO_BEFORE_SPLIT})
set(CPACK_DEBIAN_TICKWELL_DESCRIPTION "Tickwell timer component library (development files)
Tickwell provides timer and trigger objects that programs create through
component activation. This package holds the header, the pkg-config and
CMake files and the component registration tool tickwell-regsvr.")
include(CPack)
