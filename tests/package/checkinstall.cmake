# Runs as a CTest script: installs each build of BUILD_DIRS into one scratch
# prefix, the last one last, then builds and runs the consumer and the
# installed quick start against every flavour installed there, through its
# CMake package and its pkg-config files, compiles every installed header,
# and runs the installed quelmctl. Nothing runs with LD_LIBRARY_PATH: the
# installed binaries find their libraries themselves.
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "Failed (${result}): ${ARGN}\n${out}")
    endif()
endfunction()

string(REPLACE ";" " " flags "${CXX_FLAGS} ${SANITIZER_FLAGS}")
separate_arguments(compile_flags UNIX_COMMAND "${flags}")
foreach(build IN LISTS BUILD_DIRS)
    run(${CMAKE_COMMAND} --install ${build} --prefix ${prefix})
endforeach()

file(GLOB pcfiles ${prefix}/${LIBDIR}/pkgconfig/quelmdevices*.pc)
list(FILTER pcfiles INCLUDE REGEX "/quelmdevices(-qt[0-9]+)?\\.pc$")
list(LENGTH BUILD_DIRS builds)
list(LENGTH pcfiles flavours)
if(NOT flavours EQUAL builds)
    message(FATAL_ERROR "${builds} builds installed ${flavours} flavours: ${pcfiles}")
endif()
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
function(pkg_config variable)
    execute_process(COMMAND pkg-config ${ARGN}
        RESULT_VARIABLE result OUTPUT_VARIABLE answer OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "pkg-config ${ARGN} failed")
    endif()
    set(${variable} ${answer} PARENT_SCOPE)
endfunction()
foreach(pcfile IN LISTS pcfiles)
    get_filename_component(package ${pcfile} NAME_WE)
    set(work ${WORK_DIR}/${package})

    # The CMake package.
    run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${work}/cmake -DQUELM_PACKAGE=${package}
        -DCMAKE_PREFIX_PATH=${prefix} "-DCMAKE_CXX_FLAGS=${flags}")
    run(${CMAKE_COMMAND} --build ${work}/cmake)
    run(${work}/cmake/consumer)

    # The pkg-config file; the second program uses the device library alone,
    # which then loads the stand-ins through its own search path.
    pkg_config(pcflags --cflags --libs ${package})
    pkg_config(version --modversion ${package})
    separate_arguments(pcflags UNIX_COMMAND "${pcflags}")
    set(link -Wl,--as-needed -Wl,--enable-new-dtags -Wl,-rpath,${prefix}/${LIBDIR})
    foreach(program main devicesonly)
        run(c++ -std=c++17 -fPIC ${compile_flags} "-DEXPECTED_VERSION=\"${version}\""
            ${CONSUMER_DIR}/${program}.cpp ${pcflags} ${link} -o ${work}/${program})
        run(${work}/${program})
    endforeach()

    # Every installed header, named as hosts name it, with nothing but the
    # flavour's include folder on the path (the runner's module requires
    # every other).
    pkg_config(includedir --variable=includedir ${package})
    pkg_config(cflags --cflags ${package}-runner)
    separate_arguments(cflags UNIX_COMMAND "${cflags}")
    file(GLOB_RECURSE headers RELATIVE ${includedir}
        ${includedir}/quelmdevices/*.h ${includedir}/quelmcore/*.h ${includedir}/varncore/*.h)
    list(TRANSFORM headers REPLACE "(.+)" "#include <\\1>\n")
    file(WRITE ${work}/headers.cpp ${headers})
    run(c++ -std=c++17 -fPIC ${compile_flags} -fsyntax-only ${work}/headers.cpp ${cflags})

    # The quick start as the development package installs it, built with the
    # CMake package and with pkg-config; it exits 0 once the simulated parts
    # read back what it wrote.
    set(quickstart ${prefix}/${DATADIR}/doc/lib${package}-dev/examples/quickstart)
    run(${CMAKE_COMMAND} -S ${quickstart} -B ${work}/quickstart -DQUELM_PACKAGE=${package}
        -DCMAKE_PREFIX_PATH=${prefix} "-DCMAKE_CXX_FLAGS=${flags}")
    run(${CMAKE_COMMAND} --build ${work}/quickstart)
    run(${work}/quickstart/quelm-quickstart)
    pkg_config(runnerflags --cflags --libs ${package}-runner)
    separate_arguments(runnerflags UNIX_COMMAND "${runnerflags}")
    run(c++ -std=c++17 -fPIC ${compile_flags} ${quickstart}/main.cpp ${runnerflags} ${link}
        -o ${work}/quickstart-pkgconfig)
    run(${work}/quickstart-pkgconfig)
endforeach()

# The installed tool answers as the built one does.
execute_process(COMMAND ${BUILT_QUELMCTL} --help OUTPUT_VARIABLE built)
execute_process(COMMAND ${prefix}/${BINDIR}/quelmctl --help OUTPUT_VARIABLE installed RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT installed STREQUAL built)
    message(FATAL_ERROR "The installed quelmctl --help exited with ${result}:\n${installed}")
endif()
