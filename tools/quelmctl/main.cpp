// quelmctl: the command-line host for a product described in JSON.

#include "cli.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QTextStream>

#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runQuelmCtl(app.arguments(), out, err, isatty(STDERR_FILENO) == 1);
}
