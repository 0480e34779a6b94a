#ifndef QUELMHOST_TRANSPORT_H
#define QUELMHOST_TRANSPORT_H

#include "scanmodel.h"

#include <bridgesetup.h>
#include <busscanner.h>
#include <commandrunner.h>
#include <statelock.h>

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <atomic>
#include <chrono>
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
    qint32 baudRate = 0;          // the bridge is moved to this rate; 0: it stays where it is found
    QString i2cClock;             // "standard", "fast" or "L,H"; empty: leave the bridge's I2C clock as it is
    bool acknowledgeChecks = false;
    int timeoutMs = CommandRunner::DefaultTimeoutMs;
    QString simulatorState;       // empty: next to the description
    int stateLockWaitMs = StateLock::DefaultWaitMs; // for another run on the same state
    int disconnectAfter = -1;     // simulator: refuse to send after this many commands
    int adapterLatencyMs = -1;    // simulator: answers come through a USB adapter with this latency timer
    const std::atomic_bool* stop = nullptr; // once set (from any thread), a run stops before its next command
    bool quiet = false;
    bool verbose = false;         // also say how the port was set up
    bool terminal = false;        // stderr is a terminal: draw a progress bar
};

// Answers that take this long beyond their bytes' wire time waited in a USB
// adapter for its latency timer; the tools then say how to shorten it.
constexpr std::chrono::milliseconds SlowRoundTrip{4};

// "0.31 s at 9600 baud": how long a phase took on the link.
QString phaseTime(Link::Duration elapsed, qint32 baudRate);

// Whether the run stopped because the bridge restarted under it (it said
// "OK" and went back to its power-on rate).
bool bridgeRestarted(const RunResult& result);

// What a run that stopped early leaves to say, each line without the tool's
// name: "read stopped: why", then which of the commands were applied. A
// restart's own words say which command it broke: that line alone.
QStringList runFailureLines(const QString& phase, const RunResult& result,
                            const QList<DeviceCommand*>& commands);

class Transport
{
public:
    ~Transport();

    // Null, with one error line, when the port or the simulator cannot be
    // set up, the bridge not be found, or not be moved to the rate and
    // clock asked for. Says on err where the bridge was found (not when
    // quiet), how the port was set up (when verbose), and how to make a
    // slow USB adapter answer sooner.
    static std::unique_ptr<Transport> open(const TransportOptions& options, const QString& descriptionFile,
                                           QTextStream& err, QString* error);
    static QString defaultStateFile(const QString& descriptionFile);

    // The devices that name a part that fails an acknowledge check, and
    // whose types tell which writes start a write cycle.
    void setProduct(const QList<Device*>& devices, bool gpioSelectsBus);
    qint32 baudRate() const;
    // The I2C clock the bridge runs at, as asked for or as it was found.
    BridgeSetup::ClockRegisters i2cClock() const { return m_i2cClock; }
    // Called after each applied command, beside the progress bar.
    void setProgress(const CommandRunner::Progress& progress) { m_progress = progress; }
    // Runs the list under a name shown in the progress and in the error line.
    // After a run that the bridge's restart stopped, the bridge is found and
    // set up again first.
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
    // Detail lines only when verbose, progress not when quiet, warnings always.
    enum class Level { Detail, Progress, Warning };

    Transport() = default;
    void setLink(std::unique_ptr<GuardedLink> link);
    void checkStop();
    void say(QTextStream& err, Level level, const QString& line) const;
    bool openSimulator(const QString& descriptionFile, QString* error);
    bool setUpBridge(QTextStream& err, QString* error);
    void startRunner();

    TransportOptions m_options;
    QString m_stateFile;
    std::unique_ptr<StateLock> m_stateLock;
    std::unique_ptr<BridgeSimulator> m_simulator;
    std::unique_ptr<Link> m_link;
    GuardedLink* m_guard = nullptr; // m_link
    std::unique_ptr<CommandRunner> m_runner;
    CommandRunner::Progress m_progress;
    BridgeSetup::ClockRegisters m_i2cClock{0, 0};
    bool m_bridgeRestarted = false;
};

#endif // QUELMHOST_TRANSPORT_H
