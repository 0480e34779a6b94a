#ifndef QUELMSIM_GLOBAL_H
#define QUELMSIM_GLOBAL_H

//! \file quelmsim_global.h
//! The export macro of the bridge simulator, QUELMSIM_EXPORT, which its
//! exported classes carry. Its headers include this one; a host has no need
//! to.

#include <QtCore/qglobal.h>

#if defined(QUELMSIM_LIBRARY)
#  define QUELMSIM_EXPORT Q_DECL_EXPORT
#else
#  define QUELMSIM_EXPORT Q_DECL_IMPORT
#endif

#endif // QUELMSIM_GLOBAL_H
