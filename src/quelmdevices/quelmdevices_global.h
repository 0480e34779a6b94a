#ifndef QUELMDEVICES_GLOBAL_H
#define QUELMDEVICES_GLOBAL_H

//! \file quelmdevices_global.h
//! The export macro of the library, QUELMDEVICES_EXPORT, which its exported
//! classes carry. Its headers include this one; a host has no need to.

#include <QtCore/qglobal.h>

#if defined(QUELMDEVICES_LIBRARY)
#  define QUELMDEVICES_EXPORT Q_DECL_EXPORT
#else
#  define QUELMDEVICES_EXPORT Q_DECL_IMPORT
#endif

#endif // QUELMDEVICES_GLOBAL_H
