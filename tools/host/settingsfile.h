#ifndef QUELMHOST_SETTINGSFILE_H
#define QUELMHOST_SETTINGSFILE_H

#include <QtCore/QString>
#include <QtCore/QStringList>

// Replaces setting values in a description file, given as NAME=VALUE texts.
// The file is rewritten only when every assignment is valid, and then only
// the values' texts change.
bool assignSettings(const QString& fileName, const QStringList& assignments, QString* error);

#endif // QUELMHOST_SETTINGSFILE_H
