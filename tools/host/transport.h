#ifndef QUELMHOST_TRANSPORT_H
#define QUELMHOST_TRANSPORT_H

#include "scanmodel.h"
#include "simulatorstate.h"

#include <bridgesetup.h>
#include <busscanner.h>
#include <commandrunner.h>

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

class BridgeSimulator;
class GuardedLink;
class Device;
class DeviceCommand;
class Link;

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
    int stateLockWaitMs = SimulatorState::DefaultLockWaitMs; // for another run on the same state
    int disconnectAfter = -1;     // simulator: refuse to send after this many commands
    int adapterLatencyMs = -1;    // simulator: answers come through a USB adapter with this latency timer
    const std::atomic_bool* stop = nullptr; // once set (from any thread), a run stops before its next command
    // Once the bridge is set up, told every string sent ("tx", its bytes)
    // and every answer ("rx", its bytes) on the link; none when empty.
    std::function<void(const char* direction, const QByteArray& bytes)> wire;
};

// Answers that take this long beyond their bytes' wire time waited in a USB
// adapter for its latency timer; the tools then say how to shorten it.
constexpr std::chrono::milliseconds SlowRoundTrip{4};

// "0.31 s at 9600 baud": how long a phase took on the link.
QString phaseTime(Link::Duration elapsed, qint32 baudRate);

// Whether the run stopped because the bridge restarted under it (it said
// "OK" and went back to its power-on rate).
bool bridgeRestarted(const RunResult& result);

class Transport
{
public:
    // What the transport says on the way: how the port was set up (Detail),
    // where the bridge was found (Progress), how to make a slow USB adapter
    // answer sooner (Warning). Each line without a program's name.
    enum class Note { Detail, Progress, Warning };
    using Notify = std::function<void(Note note, const QString& line)>;
    // Called when a run starts (done 0) and after each applied command.
    using Progress = std::function<void(int done, int count)>;

    ~Transport();

    // Null, with one error line, when the port or the simulator cannot be
    // set up, the bridge not be found, or not be moved to the rate and
    // clock asked for. Tells notify what it says, now and whenever it sets
    // the bridge up again after a restart.
    static std::unique_ptr<Transport> open(const TransportOptions& options, const QString& descriptionFile,
                                           const Notify& notify, QString* error);

    // The devices that name a part that fails an acknowledge check, and
    // whose types tell which writes start a write cycle.
    void setProduct(const QList<Device*>& devices, bool gpioSelectsBus);
    qint32 baudRate() const;
    // The I2C clock the bridge runs at, as asked for or as it was found.
    BridgeSetup::ClockRegisters i2cClock() const { return m_i2cClock; }
    // Runs the list, telling progress (when given) how far it got. After a
    // run that the bridge's restart stopped, the bridge is found and set up
    // again first.
    RunResult run(const QList<DeviceCommand*>& commands, const Progress& progress = {});
    // Probes the bus segment the bridge reaches now, the even 8-bit write
    // addresses from first to last.
    ScanResult scan(quint8 first = BusScanner::FirstAddress, quint8 last = BusScanner::LastAddress);
    // The same for a described segment, already selected: fills in what
    // answered, how far the probe got and why it stopped early, if it did,
    // telling progress (when given) of each probe sent. A stop ends it
    // before its next probe.
    void probe(SegmentScan& segment, const Progress& progress = {});
    // Whether the host asked the running action to stop.
    bool stopRequested() const;
    // After a failed run: empty while the port (or the simulated bridge) is
    // still there, else one line naming it, "/dev/pts/3 went away: No such
    // file or directory".
    QString goneText() const;
    // Saves the simulator's state; true for a serial port.
    bool close(QString* error);

private:
    Transport() = default;
    void setLink(std::unique_ptr<GuardedLink> link);
    void checkStop();
    bool openSimulator(const QString& descriptionFile, QString* error);
    bool setUpBridge(QString* error);
    void startRunner();

    TransportOptions m_options;
    Notify m_notify;
    std::unique_ptr<SimulatorState> m_state;
    std::unique_ptr<BridgeSimulator> m_simulator;
    std::unique_ptr<Link> m_link;
    GuardedLink* m_guard = nullptr; // m_link
    std::unique_ptr<CommandRunner> m_runner;
    BridgeSetup::ClockRegisters m_i2cClock{0, 0};
    bool m_bridgeRestarted = false;
};

#endif // QUELMHOST_TRANSPORT_H
