#ifndef QUELMHOST_SAVEFILE_H
#define QUELMHOST_SAVEFILE_H

#include <QtCore/QByteArray>
#include <QtCore/QString>

// Writes a whole new file beside the old one, makes sure it is on the disk,
// and only then puts it in the old one's place: a full disk, a killed
// process or a power cut leaves either the new file or the old one
// untouched, never a part of either. False, with the reason in error, when
// it cannot.
bool saveWholeFile(const QString& fileName, const QByteArray& contents, QString* error);

// Every file a host writes is saved whole or not at all (saveWholeFile).
// False, with one line in error: "cannot write FILE: why".
bool saveFile(const QString& fileName, const QByteArray& contents, QString* error);

#endif // QUELMHOST_SAVEFILE_H
