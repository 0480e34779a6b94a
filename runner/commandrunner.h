#ifndef QUELMRUNNER_COMMANDRUNNER_H
#define QUELMRUNNER_COMMANDRUNNER_H

#include "bridgestatus.h"
#include "link.h"
#include "quelmrunner_global.h"

#include <QtCore/QHash>
#include <QtCore/QList>
#include <QtCore/QString>

#include <functional>

class Device;
class DeviceCommand;
struct WriteCycle;

// How far a run got. Commands 0 to applied - 1 were sent and their answers
// stored; when the run stopped early, failedIndex is the command it stopped
// at (applied == failedIndex) and nothing of that command's answer is stored.
// When the bridge's I2C status explains the stop, status holds it with the
// bus and 8-bit address of the part (-1 where unknown).
struct QUELMRUNNER_EXPORT RunResult
{
    int applied = 0;
    int failedIndex = -1;
    QString errorString;
    int status = -1;
    int bus = -1;
    int address = -1;
    // How long the run took on the link, waits for the parts included.
    Link::Duration elapsed{0};

    bool ok() const { return failedIndex < 0; }
};

// Executes command lists on a link, front to back: sends each command's
// bytes, reads its responseBytes() and hands them to setRxData.
//
// With acknowledge checks on, every command holding an "S" transaction is
// followed by a read of the bridge's I2C status, and the run stops unless the
// status says the transaction went through. Without them the status is read
// only to explain a read whose answer never came. The status reads are the
// runner's own: they never reach a command list or a device's buffers.
//
// A write into a part's non-volatile memory starts its write cycle, during
// which the part does not acknowledge its address. Before the runner
// addresses such a part again, it makes sure the cycle is over: when the
// bytes on the wire since the write, or the time since an answer proved the
// write done, already cover the data sheet's maximum cycle, it sends at
// once. Otherwise a write goes once the typical cycle is over (a busy part
// takes nothing of it); a read waits on the link's clock for the maximum,
// or polls the part (an empty write to its address, then the I2C status)
// from its typical cycle on, whichever costs less at the link's rate. A
// command sent after such a wait has its status read; a part still busy is
// polled until the maximum plus a margin has passed, the deadline checked
// after each poll, and then stops the run. Polls, like status reads, are the
// runner's own. What is in its cycle is kept from one run to the next.
class QUELMRUNNER_EXPORT CommandRunner
{
public:
    using Duration = Link::Duration;

    // Called after each applied command with its list index and the list size.
    using Progress = std::function<void(int index, int count, const DeviceCommand* command)>;

    static constexpr int DefaultTimeoutMs = 1000;
    // How long past the data sheet's maximum a part may stay busy.
    static constexpr std::chrono::milliseconds BusyMargin{10};

    // The link is not owned and must outlive the runner.
    explicit CommandRunner(Link* link);

    int timeout() const { return m_timeoutMs; }
    // How long one command's answer may take, in milliseconds.
    void setTimeout(int timeoutMs) { m_timeoutMs = timeoutMs; }
    void setProgress(const Progress& progress) { m_progress = progress; }
    bool acknowledgeChecks() const { return m_acknowledgeChecks; }
    void setAcknowledgeChecks(bool on) { m_acknowledgeChecks = on; }
    // The devices that name a failing part and whose types tell which writes
    // start a write cycle the runner waits for, and whether the GPIO port
    // value selects the bus segment (the runner follows the port writes it
    // sends). Without them it knows no part and never waits. Not owned.
    void setProduct(const QList<Device*>& devices, bool gpioSelectsBus);
    // The bridge's I2C clock divider (I2CClkL + I2CClkH) the transactions run
    // at; the power-on one, the slowest a host sets, unless told otherwise.
    void setI2CClockDivider(int divider);
    // Parts whose write cycle may still be running.
    int partsInWriteCycle() const { return m_writing.size(); }

    RunResult run(const QList<DeviceCommand*>& commands);

private:
    struct Failure;
    // A part's write cycle that may still be running.
    struct Cycle
    {
        const WriteCycle* facts;
        Duration writtenAt;       // when the write was handed to the link
        Duration i2cTime;         // the write's own time on the bus
        qint64 bytesAfter = 0;    // bytes written to the link since
        Duration doneBy{-1};      // an answer sent after its stop arrived then
    };
    enum class Wait { None, Attempt, Clock, Poll };

    RunResult runAll(const QList<DeviceCommand*>& commands);
    Failure runOne(DeviceCommand* command, bool retry = true);
    Failure retryAfterCycle(DeviceCommand* command, const Failure& failure, const Cycle* previous,
                            int address, bool retry);
    bool send(const QByteArray& bytes);
    QByteArray receive(int count);
    int readStatus();
    int currentBus() const { return m_gpioSelectsBus ? m_gpio : 0; }
    void recordCycles(const DeviceCommand* command, const BridgeStatus::CommandShape& shape, int bus);
    Duration elapsedAtLeast(const Cycle& cycle, int sending) const;
    Wait waitBefore(Cycle* cycle, int sending, bool answered);
    bool pollUntilReady(const Cycle& cycle, int address);
    Failure stillBusy(const DeviceCommand* command, const Cycle& cycle, int address) const;
    const Device* deviceFor(const DeviceCommand* command, int bus, int address) const;
    QString partText(const DeviceCommand* command, int address, int* bus) const;
    Failure missingAnswer(const DeviceCommand* command, int address, int expected);
    Failure checkStatus(const DeviceCommand* command, int address);
    Failure statusFailure(const DeviceCommand* command, int address, int status) const;
    const Device* partAt(int bus, int address) const;

    Link* m_link;
    int m_timeoutMs = DefaultTimeoutMs;
    Progress m_progress;
    bool m_acknowledgeChecks = false;
    QList<Device*> m_devices;
    bool m_gpioSelectsBus = false;
    int m_gpio = -1;
    Duration m_i2cClockPeriod;
    QHash<qint64, Cycle> m_writing; // by bus << 8 | address
};

#endif // QUELMRUNNER_COMMANDRUNNER_H
