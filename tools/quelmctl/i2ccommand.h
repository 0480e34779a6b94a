#ifndef QUELMCTL_I2CCOMMAND_H
#define QUELMCTL_I2CCOMMAND_H

#include "subcommands.h"

#include <QtCore/QString>

// quelmctl i2c: raw bus access shaped like the i2c-tools programs.

// The verbs, as the help and the completion name them.
QStringList i2cVerbs();
// What `quelmctl i2c --help` says before the options.
QString i2cHelpText();
// 0 on success, 1 when the command failed, 2 for a command line that makes
// no sense; nothing is sent before the whole command line has been checked.
int runI2C(const Invocation& invocation);

#endif // QUELMCTL_I2CCOMMAND_H
