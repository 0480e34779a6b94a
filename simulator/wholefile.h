#ifndef QUELMSIM_WHOLEFILE_H
#define QUELMSIM_WHOLEFILE_H

#include "quelmsim_global.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

// Writes a whole new file beside the old one, makes sure it is on the disk,
// and only then puts it in the old one's place: a full disk, a killed
// process or a power cut leaves either the new file or the old one
// untouched, never a part of either. False, with the reason in error, when
// it cannot.
QUELMSIM_EXPORT bool saveWholeFile(const QString& fileName, const QByteArray& contents, QString* error);

#endif // QUELMSIM_WHOLEFILE_H
