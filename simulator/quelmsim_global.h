#ifndef QUELMSIM_GLOBAL_H
#define QUELMSIM_GLOBAL_H

#include <QtCore/qglobal.h>

#if defined(QUELMSIM_LIBRARY)
#  define QUELMSIM_EXPORT Q_DECL_EXPORT
#else
#  define QUELMSIM_EXPORT Q_DECL_IMPORT
#endif

#endif // QUELMSIM_GLOBAL_H
