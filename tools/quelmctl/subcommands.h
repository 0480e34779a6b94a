#ifndef QUELMCTL_SUBCOMMANDS_H
#define QUELMCTL_SUBCOMMANDS_H

#include "transport.h"

#include <QtCore/QStringList>

class QTextStream;

// What a subcommand gets from the command line.
struct Invocation
{
    QString descriptionFile;  // records: the database
    QStringList arguments;    // the positional arguments after the description
    TransportOptions transport;
    bool quiet = false;       // no progress
    bool verbose = false;     // also say how the port was set up
    bool terminal = false;    // stderr is a terminal: draw a progress bar
    int headerOffset = -1;    // header: -1 writes from offset 0 after configuring the bridge
    int headerCount = -1;     // header: -1 is the whole header
    QString outputFile;       // report: empty is stdout
    bool text = false;        // report: text reports instead of HTML
    bool json = false;        // read, write, scan, compare, records: one JSON document on the output
    QStringList devices;      // backup, restore, compare: the devices named, all for none
    QString format;           // backup, restore: "image", "bin", "ihex", "srec"; empty: by the file's suffix
    bool withHeader = false;  // restore: the header's pages too
    QString i2cVerb;          // i2c: detect, get, set, dump or transfer
    int bus = -1;             // i2c: the segment of --bus; -1 when not given
    bool yes = false;         // i2c: -y, write without asking
    bool force = false;       // i2c: --force, reach a described part's address
    bool wire = false;        // i2c: --wire, print the bytes on the link
    // read, write, erase, scan on several products at once:
    QStringList ports;        // every --port; transport.port is the last
    QString portsFile;        // one port a line
    int simUnits = -1;        // simulated products; -1 for none
    QStringList each;         // NAME=START+, counted up per product
    QString eachFile;         // a CSV row of values per product
    QString recordDatabase;   // a record of every product stored there
    QString serial;           // records: only this serial number
    bool failedOnly = false;  // records: only the units that failed
    QTextStream* out = nullptr;
    QTextStream* err = nullptr;

    // Several products, or one given values or a count of its own.
    bool stations() const
    {
        return ports.size() > 1 || !portsFile.isEmpty() || simUnits >= 0 || !each.isEmpty() || !eachFile.isEmpty()
            || !recordDatabase.isEmpty();
    }
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
