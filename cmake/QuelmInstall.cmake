# Installed names and locations of one build.
#
# The Qt 5 build keeps the plain names. A build against another Qt major
# version appends -qtN to each library, the header folder, the CMake package
# and the pkg-config file, so that both install side by side; the imported
# targets keep their names (quelmdevices::quelmdevices), so a host switches
# with its find_package line alone.
if(QT_MAJOR_VERSION EQUAL 5)
    set(QUELM_FLAVOUR_SUFFIX "")
    set(QUELM_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
else()
    set(QUELM_FLAVOUR_SUFFIX -qt${QT_MAJOR_VERSION})
    set(QUELM_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/quelmdevices${QUELM_FLAVOUR_SUFFIX})
endif()
set(QUELM_PACKAGE_NAME quelmdevices${QUELM_FLAVOUR_SUFFIX})
# The simulator and runner libraries serve the tools alone and stay out of
# the library directory.
set(QUELM_INSTALL_PRIVATELIBDIR ${CMAKE_INSTALL_LIBDIR}/${QUELM_PACKAGE_NAME})

# Relocatable: every installed binary finds the libraries beside it through a
# search path relative to its own location, whatever the prefix.
file(RELATIVE_PATH _quelm_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set(QUELM_LIBRARY_RPATH "$ORIGIN")
set(QUELM_PRIVATE_LIBRARY_RPATH "$ORIGIN" "$ORIGIN/..")
set(QUELM_PROGRAM_RPATH "$ORIGIN/${_quelm_bin_to_lib}" "$ORIGIN/${_quelm_bin_to_lib}/${QUELM_PACKAGE_NAME}")

# quelm_add_library(<name> <sources>...): one of the installed shared
# libraries, built with <NAME>_LIBRARY defined and exported as
# quelmdevices::<name>.
function(quelm_add_library name)
    add_library(${name} SHARED ${ARGN})
    add_library(quelmdevices::${name} ALIAS ${name})
    string(TOUPPER ${name} upper)
    target_compile_definitions(${name} PRIVATE ${upper}_LIBRARY)
    target_link_libraries(${name} PUBLIC Qt::Core)
    set_target_properties(${name} PROPERTIES
        OUTPUT_NAME ${name}${QUELM_FLAVOUR_SUFFIX}
        VERSION ${PROJECT_VERSION}
        SOVERSION ${PROJECT_VERSION_MAJOR}
        INSTALL_RPATH "${QUELM_LIBRARY_RPATH}")
    install(TARGETS ${name} EXPORT quelmdevicesTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
endfunction()

# quelm_install_private_library(<target>): a library that only the tools load.
function(quelm_install_private_library target)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "${QUELM_PRIVATE_LIBRARY_RPATH}")
    install(TARGETS ${target} LIBRARY DESTINATION ${QUELM_INSTALL_PRIVATELIBDIR} COMPONENT tools)
endfunction()

# quelm_install_program(<target>): one of the command-line tools.
function(quelm_install_program target)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "${QUELM_PROGRAM_RPATH}")
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
endfunction()
