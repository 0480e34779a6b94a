#ifndef QUELMHOST_SAVEFILE_H
#define QUELMHOST_SAVEFILE_H

#include <QtCore/QByteArray>
#include <QtCore/QString>

// Every file quelmctl writes is saved whole or not at all (saveWholeFile).
// False, with one line in error ("quelmctl: cannot write FILE: why").
bool saveFile(const QString& fileName, const QByteArray& contents, QString* error);

#endif // QUELMHOST_SAVEFILE_H
