#include "savefile.h"

#include <wholefile.h>

bool saveFile(const QString& fileName, const QByteArray& contents, QString* error)
{
    QString reason;
    if (saveWholeFile(fileName, contents, &reason))
        return true;
    *error = QStringLiteral("quelmctl: cannot write %1: %2").arg(fileName, reason);
    return false;
}
