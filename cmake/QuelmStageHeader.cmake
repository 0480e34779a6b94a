# cmake -DINPUT=<header> -DOUTPUT=<copy> -DNAMES=<name>,<name>... -P QuelmStageHeader.cmake
#
# Writes the installed copy of a public header: an include of one of the
# main library's headers by its bare name, <device.h>, which resolves only in
# the build tree, becomes <quelmdevices/device.h>. Everything else is copied
# as it is.
file(READ ${INPUT} text)
string(REPLACE "," ";" names "${NAMES}")
foreach(name IN LISTS names)
    string(REPLACE "#include <${name}>" "#include <quelmdevices/${name}>" text "${text}")
endforeach()
file(WRITE ${OUTPUT} "${text}")
