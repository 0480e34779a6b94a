#ifndef QUELMCTL_TRANSPORT_H
#define QUELMCTL_TRANSPORT_H

#include "scanmodel.h"

#include <busscanner.h>
#include <commandrunner.h>
#include <statelock.h>

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <atomic>
#include <memory>

class BridgeSimulator;
class GuardedLink;
class Device;
class DeviceCommand;
class Link;
class QTextStream;

// Where the commands go: a bridge on a serial port, or the built-in
// simulator, whose state lives in a file between runs so that one run reads
// what an earlier one wrote.
struct TransportOptions
{
    QString port;                 // empty: the simulator
    qint32 baudRate = SC18IM700Protocol::PowerOnBaudRate; // the bridge is moved from there to this rate
    QString i2cClock;             // empty: leave the bridge's I2C clock as it is
    bool acknowledgeChecks = false;
    int timeoutMs = CommandRunner::DefaultTimeoutMs;
    QString simulatorState;       // empty: next to the description
    int stateLockWaitMs = StateLock::DefaultWaitMs; // for another run on the same state
    int disconnectAfter = -1;     // simulator: refuse to send after this many commands
    const std::atomic_bool* stop = nullptr; // once set (from any thread), a run stops before its next command
    bool quiet = false;
    bool terminal = false;        // stderr is a terminal: draw a progress bar
};

// "0.31 s at 9600 baud": how long a phase took on the link.
QString phaseTime(Link::Duration elapsed, qint32 baudRate);

// What a run that stopped early leaves to say, each line without the tool's
// name: "read stopped: why", then which of the commands were applied.
QStringList runFailureLines(const QString& phase, const RunResult& result,
                            const QList<DeviceCommand*>& commands);

class Transport
{
public:
    ~Transport();

    // Null, with one error line, when the port or the simulator cannot be
    // set up, or the bridge not be moved to the rate and clock asked for.
    static std::unique_ptr<Transport> open(const TransportOptions& options,
                                           const QString& descriptionFile, QString* error);
    static QString defaultStateFile(const QString& descriptionFile);

    // The devices that name a part that fails an acknowledge check, and
    // whose types tell which writes start a write cycle.
    void setProduct(const QList<Device*>& devices, bool gpioSelectsBus);
    qint32 baudRate() const;
    // Called after each applied command, beside the progress bar.
    void setProgress(const CommandRunner::Progress& progress) { m_progress = progress; }
    // Runs the list under a name shown in the progress and in the error line.
    RunResult run(const QList<DeviceCommand*>& commands, const QString& phase, QTextStream& err,
                  bool progress = true);
    // Probes the bus segment the bridge reaches now.
    ScanResult scan();
    // The same for a described segment, already selected: fills in what
    // answered and returns what went wrong, a line each without the tool's
    // name ("scan: bus 1: gain (AD5144A) at 0x58 does not answer").
    QStringList scan(SegmentScan& segment);
    // Saves the simulator's state; true for a serial port.
    bool close(QString* error);

private:
    Transport() = default;
    void setLink(std::unique_ptr<GuardedLink> link);
    void checkStop();
    bool setUpBridge(QString* error);

    TransportOptions m_options;
    QString m_stateFile;
    std::unique_ptr<StateLock> m_stateLock;
    std::unique_ptr<BridgeSimulator> m_simulator;
    std::unique_ptr<Link> m_link;
    GuardedLink* m_guard = nullptr; // m_link
    std::unique_ptr<CommandRunner> m_runner;
    CommandRunner::Progress m_progress;
};

#endif // QUELMCTL_TRANSPORT_H
