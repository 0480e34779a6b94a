#ifndef QUELMCTL_CLI_H
#define QUELMCTL_CLI_H

#include <QtCore/QStringList>

class QTextStream;

// The whole tool behind main(): arguments as QCoreApplication::arguments()
// gives them (program name first). Returns the exit code: 0 on success, 1
// when the command failed, 2 for a command line that makes no sense.
int runQuelmCtl(const QStringList& arguments, QTextStream& out, QTextStream& err,
                bool stderrIsTerminal);

#endif // QUELMCTL_CLI_H
