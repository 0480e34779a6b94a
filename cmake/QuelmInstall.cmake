# Installed names and locations of one build.
#
# The Qt 5 build keeps the plain names. A build against another Qt major
# version appends -qtN to each library, the header folder, the CMake package
# and the pkg-config file, so that both install side by side; the imported
# targets keep their names (quelmdevices::quelmdevices), so a host switches
# with its find_package line alone.
#
# Hosts include <quelmdevices/device.h>, never <device.h>: the package puts
# one folder on a host's path, QUELM_INSTALL_INCLUDEDIR, and the headers lie
# in quelmdevices/, quelmcore/ and varncore/ under it.
if(QT_MAJOR_VERSION EQUAL 5)
    set(QUELM_FLAVOUR_SUFFIX "")
    set(QUELM_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
else()
    set(QUELM_FLAVOUR_SUFFIX -qt${QT_MAJOR_VERSION})
    set(QUELM_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/quelmdevices${QUELM_FLAVOUR_SUFFIX})
endif()
set(QUELM_PACKAGE_NAME quelmdevices${QUELM_FLAVOUR_SUFFIX})
# The development package's documents: the API reference and the examples.
set(QUELM_INSTALL_DEVDOCDIR ${CMAKE_INSTALL_DATADIR}/doc/lib${QUELM_PACKAGE_NAME}-dev)

# Relocatable: every installed binary finds the libraries beside it through a
# search path relative to its own location, whatever the prefix.
file(RELATIVE_PATH _quelm_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set(QUELM_LIBRARY_RPATH "$ORIGIN")
set(QUELM_PROGRAM_RPATH "$ORIGIN/${_quelm_bin_to_lib}")
file(RELATIVE_PATH QUELM_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})

# The headers as hosts name them, in the build tree too: <quelmdevices/x.h>
# resolves under this folder, to a forwarding header or a generated one.
set(QUELM_BUILD_INCLUDEDIR ${PROJECT_BINARY_DIR}/include)
# The public headers as installed, made at build time: the install and the
# API reference take them from here.
set(QUELM_STAGED_INCLUDEDIR ${PROJECT_BINARY_DIR}/installed-include)

# quelm_add_library(<name> <sources>...): one of the installed shared
# libraries, built with <NAME>_LIBRARY defined and exported as
# quelmdevices::<name>.
function(quelm_add_library name)
    add_library(${name} SHARED ${ARGN})
    string(TOUPPER ${name} upper)
    target_compile_definitions(${name} PRIVATE ${upper}_LIBRARY)
    target_link_libraries(${name} PUBLIC Qt::Core)
    quelm_install_library(${name} ${name})
endfunction()

# quelm_install_library(<target> <export name>): installs a shared library of
# the tree for hosts: lib<target>[-qtN].so.<major>, its development symlink,
# and the imported target quelmdevices::<export name> (an alias of the same
# name in the build tree).
function(quelm_install_library target export_name)
    add_library(quelmdevices::${export_name} ALIAS ${target})
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME ${target}${QUELM_FLAVOUR_SUFFIX}
        EXPORT_NAME ${export_name}
        VERSION ${PROJECT_VERSION}
        SOVERSION ${PROJECT_VERSION_MAJOR}
        INSTALL_RPATH "${QUELM_LIBRARY_RPATH}")
    target_include_directories(${target} INTERFACE $<INSTALL_INTERFACE:${QUELM_INSTALL_INCLUDEDIR}>)
    install(TARGETS ${target} EXPORT quelmdevicesTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
endfunction()

# quelm_public_headers(<target> <folder> <header>...): the headers of a
# library that hosts include as <folder/name.h> (quelmdevices, a folder below
# it, or a stand-in's). In the build tree they resolve through forwarding
# headers to the sources; the installed copies are made at build time
# (target <target>_staged_headers), with every include of a main library
# header written <quelmdevices/name.h>, whatever the source says, so that a
# host needs nothing on its path but the include folder. The main library's
# headers must be declared first.
function(quelm_public_headers target folder)
    get_property(library_headers GLOBAL PROPERTY QUELM_LIBRARY_HEADERS)
    if(folder STREQUAL "quelmdevices")
        foreach(header IN LISTS ARGN)
            get_filename_component(name ${header} NAME)
            list(APPEND library_headers ${name})
        endforeach()
        set_property(GLOBAL PROPERTY QUELM_LIBRARY_HEADERS ${library_headers})
    endif()
    list(JOIN library_headers "," names)
    set(staged)
    foreach(header IN LISTS ARGN)
        get_filename_component(source ${header} ABSOLUTE)
        get_filename_component(name ${header} NAME)
        file(CONFIGURE OUTPUT ${QUELM_BUILD_INCLUDEDIR}/${folder}/${name}
            CONTENT "// Forwards to the source; installed as ${folder}/${name}.\n#include \"${source}\"\n" @ONLY)
        set(copy ${QUELM_STAGED_INCLUDEDIR}/${folder}/${name})
        add_custom_command(OUTPUT ${copy}
            COMMAND ${CMAKE_COMMAND} -DINPUT=${source} -DOUTPUT=${copy} -DNAMES=${names}
                    -P ${PROJECT_SOURCE_DIR}/cmake/QuelmStageHeader.cmake
            DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/QuelmStageHeader.cmake
            VERBATIM)
        list(APPEND staged ${copy})
    endforeach()
    add_custom_target(${target}_staged_headers ALL DEPENDS ${staged})
    install(FILES ${staged} DESTINATION ${QUELM_INSTALL_INCLUDEDIR}/${folder} COMPONENT dev)
endfunction()

# quelm_install_target_headers(<target> <folder> [EXCLUDE <name>...]): the
# headers among a target's sources, all but those excluded, as public headers
# in <folder>.
function(quelm_install_target_headers target folder)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "" EXCLUDE)
    get_target_property(sources ${target} SOURCES)
    list(FILTER sources INCLUDE REGEX "\\.h$")
    list(REMOVE_ITEM sources ${arg_EXCLUDE})
    quelm_public_headers(${target} ${folder} ${sources})
endfunction()

# quelm_install_pkgconfig(<name> <description> <requires> <libraries>): the
# pkg-config file <package name><name>.pc (quelmdevices.pc for an empty name,
# quelmdevices-runner.pc for -runner) with the modules it requires and the
# libraries (targets) it links.
function(quelm_install_pkgconfig name description requires libraries)
    set(PC_NAME ${QUELM_PACKAGE_NAME}${name})
    set(PC_DESCRIPTION ${description})
    list(JOIN requires " " PC_REQUIRES)
    list(TRANSFORM libraries REPLACE "(.+)" "-l\\1${QUELM_FLAVOUR_SUFFIX}")
    list(JOIN libraries " " PC_LIBS)
    set(file ${PROJECT_BINARY_DIR}/pkgconfig/${PC_NAME}.pc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/quelmdevices.pc.in ${file} @ONLY)
    install(FILES ${file} DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
endfunction()

# quelm_install_program(<target>): one of the command-line tools.
function(quelm_install_program target)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "${QUELM_PROGRAM_RPATH}")
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
endfunction()
