# Debian packages of one build, made by CPack (scripts/package.sh):
#
#   runtime  lib<package><soversion>   the five shared libraries
#   dev      lib<package>-dev          headers, CMake package, pkg-config files, API reference
#   tools    <package>-tools           quelmctl and quelm-simulator, their man pages, quelmctl's bash completion
#
# <package> is the build's package name, quelmdevices or quelmdevices-qt6, so
# the libraries of both flavours install side by side; the two tools packages
# hold the same programs and conflict with each other.
#
# Configure with -DCMAKE_INSTALL_PREFIX=/usr, so that the libraries land in
# Debian's multiarch directory.

set(QUELM_DEBIAN_DIR ${PROJECT_SOURCE_DIR}/packaging/debian)

# The changelog is the home of the packages' version and maintainer.
file(STRINGS ${QUELM_DEBIAN_DIR}/changelog changelog_head LIMIT_COUNT 1)
file(STRINGS ${QUELM_DEBIAN_DIR}/changelog changelog_trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^quelmdevices \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/debian/changelog has no entry for ${PROJECT_VERSION} at its top")
endif()
string(REGEX REPLACE "^ -- (.*>)  .*$" "\\1" QUELM_MAINTAINER "${changelog_trailer}")

function(quelm_debian_name variable stem)
    # Debian puts a hyphen between a name that ends in a digit and the soversion.
    if(stem MATCHES "[0-9]$")
        set(stem ${stem}-)
    endif()
    set(${variable} ${stem}${ARGN} PARENT_SCOPE)
endfunction()
quelm_debian_name(QUELM_DEB_RUNTIME lib${QUELM_PACKAGE_NAME} ${PROJECT_VERSION_MAJOR})
set(QUELM_DEB_DEV lib${QUELM_PACKAGE_NAME}-dev)
set(QUELM_DEB_TOOLS ${QUELM_PACKAGE_NAME}-tools)

# Each package's copyright file and changelog, compressed as Debian wants it.
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packaging)
set(changelog_gz ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
    COMMAND gzip -n -9 -c ${QUELM_DEBIAN_DIR}/changelog > ${changelog_gz}
    DEPENDS ${QUELM_DEBIAN_DIR}/changelog
    VERBATIM)
set(packaging_outputs ${changelog_gz})
foreach(component runtime dev tools)
    string(TOUPPER ${component} upper)
    install(FILES ${QUELM_DEBIAN_DIR}/copyright ${changelog_gz}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${QUELM_DEB_${upper}} COMPONENT ${component})
endforeach()

# The tools' man pages, made from their --help.
find_program(HELP2MAN help2man REQUIRED)
set(QUELM_MAN_NAME_quelmctl "drives a product's I2C parts through an SC18IM700 bridge")
set(QUELM_MAN_NAME_quelm-simulator "serves a simulated SC18IM700 bridge and a product's parts on a pseudo-terminal")
foreach(tool quelmctl quelm-simulator)
    set(page ${CMAKE_CURRENT_BINARY_DIR}/packaging/${tool}.1)
    add_custom_command(OUTPUT ${page}.gz
        COMMAND ${HELP2MAN} --no-info --version-string=${PROJECT_VERSION} --source=quelmdevices
                --name=${QUELM_MAN_NAME_${tool}} --output=${page} $<TARGET_FILE:${tool}>
        COMMAND gzip -n -9 -f ${page}
        DEPENDS ${tool}
        VERBATIM)
    list(APPEND packaging_outputs ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
endforeach()
add_custom_target(packaging_files ALL DEPENDS ${packaging_outputs})
# quelmctl's bash completion, which reads the commands and options from its --help.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/bash-completion/quelmctl
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT tools)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${QUELM_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "quelmdevices maintainers")
set(CPACK_PACKAGE_CONTACT ${QUELM_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY IGNORE)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev tools)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE quelmdevices)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies on Debian's packages come from the binaries; those between
# the packages from the components.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries lie in the runtime package's staging folder, beside
# the tools package's (dpkg-shlibdeps runs in the latter).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ../runtime${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)

if(QT_MAJOR_VERSION EQUAL 5)
    set(qt_dev_packages "qtbase5-dev, libqt5serialport5-dev")
    set(qt_sql_drivers libqt5sql5-sqlite libqt5sql5-psql)
    set(other_tools quelmdevices-qt6-tools)
else()
    set(qt_dev_packages "qt6-base-dev, qt6-serialport-dev")
    set(qt_sql_drivers libqt6sql6-sqlite libqt6sql6-psql)
    set(other_tools quelmdevices-tools)
endif()
# Descriptions: the synopsis, then paragraphs separated by empty lines.
set(parts "I2C parts behind an SC18IM700 bridge (Qt ${QT_MAJOR_VERSION})")
set(about "quelmdevices mirrors the memory of a product's I2C parts (a DS4520 I/O
expander, the digital potentiometers ISL22343, X95840, X9408 and AD5144A,
and a CAT24AA02 EEPROM) and turns reads and writes into the exact byte
strings of an SC18IM700 UART-to-I2C bridge.")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${QUELM_DEB_RUNTIME})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${QUELM_DEBIAN_DIR}/triggers)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "library for ${parts}
${about}

This package holds the shared libraries built against Qt ${QT_MAJOR_VERSION}: the device
library, the stand-ins for the host's model and logging libraries, the
bridge simulator and the command runner.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${QUELM_DEB_DEV})
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS ${qt_dev_packages})
set(CPACK_DEBIAN_DEV_DESCRIPTION "headers, CMake and pkg-config files of the SC18IM700 bridge library (Qt ${QT_MAJOR_VERSION})
${about}

This package holds the headers, the CMake package ${QUELM_PACKAGE_NAME}
(targets quelmdevices::quelmdevices, ::runner and ::simulator), the
pkg-config files ${QUELM_PACKAGE_NAME}.pc, ${QUELM_PACKAGE_NAME}-runner.pc and
${QUELM_PACKAGE_NAME}-simulator.pc, and the API reference in HTML.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME ${QUELM_DEB_TOOLS})
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_TOOLS_PACKAGE_CONFLICTS ${other_tools})
set(CPACK_DEBIAN_TOOLS_PACKAGE_REPLACES ${other_tools})
# Qt SQL loads its drivers as plugins, which dpkg-shlibdeps cannot see:
# quelmctl's records are a SQLite file by default, a line's PostgreSQL
# database where one is set up.
list(GET qt_sql_drivers 0 sqlite_driver)
list(GET qt_sql_drivers 1 postgres_driver)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS ${sqlite_driver})
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS ${postgres_driver})
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "command-line tools for ${parts}
${about}

This package holds quelmctl, which reads, writes, verifies and reports a
product through a serial port or its built-in simulator, and
quelm-simulator, which serves the simulated bridge on a pseudo-terminal.")

include(CPack)
