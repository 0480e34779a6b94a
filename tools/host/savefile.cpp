#include "savefile.h"

#include <QtCore/QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

bool saveWholeFile(const QString& fileName, const QByteArray& contents, QString* error)
{
    // No direct-write fallback: a folder where no new file can be made fails
    // the save instead of truncating the old file in place. Unbuffered, so
    // that a write the disk cuts short is seen here: a buffered QSaveFile
    // commits a file that a full disk left short.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    if (file.write(contents) != contents.size()) {
        *error = file.error() != QFileDevice::NoError ? file.errorString() : QString::fromLocal8Bit(strerror(errno));
        file.cancelWriting();
        return false;
    }
    if (::fsync(file.handle()) != 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool saveFile(const QString& fileName, const QByteArray& contents, QString* error)
{
    QString reason;
    if (saveWholeFile(fileName, contents, &reason))
        return true;
    *error = QStringLiteral("cannot write %1: %2").arg(fileName, reason);
    return false;
}
