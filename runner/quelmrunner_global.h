#ifndef QUELMRUNNER_GLOBAL_H
#define QUELMRUNNER_GLOBAL_H

//! \file quelmrunner_global.h
//! The export macro of the command runner, QUELMRUNNER_EXPORT, which its
//! exported classes carry. Its headers include this one; a host has no need
//! to.

#include <QtCore/qglobal.h>

#if defined(QUELMRUNNER_LIBRARY)
#  define QUELMRUNNER_EXPORT Q_DECL_EXPORT
#else
#  define QUELMRUNNER_EXPORT Q_DECL_IMPORT
#endif

#endif // QUELMRUNNER_GLOBAL_H
