#ifndef QUELMCTL_SUBCOMMANDS_H
#define QUELMCTL_SUBCOMMANDS_H

#include "transport.h"

#include <QtCore/QStringList>

class QTextStream;

// What a subcommand gets from the command line.
struct Invocation
{
    QString descriptionFile;
    QStringList arguments;    // the positional arguments after the description
    TransportOptions transport;
    bool quiet = false;       // no progress
    bool verbose = false;     // also say how the port was set up
    bool terminal = false;    // stderr is a terminal: draw a progress bar
    int headerOffset = -1;    // header: -1 writes from offset 0 after configuring the bridge
    int headerCount = -1;     // header: -1 is the whole header
    QString outputFile;       // report: empty is stdout
    bool text = false;        // report: text reports instead of HTML
    bool json = false;        // read, write, scan, compare: one JSON document on the output
    QStringList devices;      // backup, restore, compare: the devices named, all for none
    QString format;           // backup, restore: "image", "bin", "ihex", "srec"; empty: by the file's suffix
    bool withHeader = false;  // restore: the header's pages too
    QTextStream* out = nullptr;
    QTextStream* err = nullptr;
};

// Each returns the process exit code: 0 on success, 1 when anything failed.
int runRead(const Invocation& invocation);
int runWrite(const Invocation& invocation);
int runErase(const Invocation& invocation);
int runHeader(const Invocation& invocation);
int runSet(const Invocation& invocation);
int runDump(const Invocation& invocation);
int runReport(const Invocation& invocation);
int runScan(const Invocation& invocation);
// 2 for a command line that makes no sense.
int runBackup(const Invocation& invocation);
int runRestore(const Invocation& invocation);
// 0 when the product holds the image, 1 when not, 2 for a command line
// that makes no sense.
int runCompare(const Invocation& invocation);

#endif // QUELMCTL_SUBCOMMANDS_H
