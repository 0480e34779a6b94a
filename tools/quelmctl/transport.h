#ifndef QUELMCTL_TRANSPORT_H
#define QUELMCTL_TRANSPORT_H

#include <commandrunner.h>

#include <QtCore/QList>
#include <QtCore/QString>

#include <memory>

class BridgeSimulator;
class DeviceCommand;
class Link;
class QTextStream;

// Where the commands go: a bridge on a serial port, or the built-in
// simulator, whose state lives in a file between runs so that one run reads
// what an earlier one wrote.
struct TransportOptions
{
    QString port;                 // empty: the simulator
    qint32 baudRate = 9600;
    int timeoutMs = CommandRunner::DefaultTimeoutMs;
    QString simulatorState;       // empty: next to the description
    int disconnectAfter = -1;     // simulator: refuse to send after this many commands
    bool quiet = false;
    bool terminal = false;        // stderr is a terminal: draw a progress bar
};

class Transport
{
public:
    ~Transport();

    // Null, with one error line, when the port or the simulator cannot be set up.
    static std::unique_ptr<Transport> open(const TransportOptions& options,
                                           const QString& descriptionFile, QString* error);
    static QString defaultStateFile(const QString& descriptionFile);

    // Runs the list under a name shown in the progress and in the error line.
    RunResult run(const QList<DeviceCommand*>& commands, const QString& phase, QTextStream& err);
    // Saves the simulator's state; true for a serial port.
    bool close(QString* error);

private:
    Transport() = default;

    TransportOptions m_options;
    QString m_stateFile;
    std::unique_ptr<BridgeSimulator> m_simulator;
    std::unique_ptr<Link> m_link;
};

#endif // QUELMCTL_TRANSPORT_H
