#ifndef QUELMRUNNER_COMMANDRUNNER_H
#define QUELMRUNNER_COMMANDRUNNER_H

#include "quelmrunner_global.h"

#include <QtCore/QList>
#include <QtCore/QString>

#include <functional>

class Device;
class DeviceCommand;
class Link;

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
class QUELMRUNNER_EXPORT CommandRunner
{
public:
    // Called after each applied command with its list index and the list size.
    using Progress = std::function<void(int index, int count, const DeviceCommand* command)>;

    static constexpr int DefaultTimeoutMs = 1000;

    // The link is not owned and must outlive the runner.
    explicit CommandRunner(Link* link);

    int timeout() const { return m_timeoutMs; }
    // How long one command's answer may take, in milliseconds.
    void setTimeout(int timeoutMs) { m_timeoutMs = timeoutMs; }
    void setProgress(const Progress& progress) { m_progress = progress; }
    bool acknowledgeChecks() const { return m_acknowledgeChecks; }
    void setAcknowledgeChecks(bool on) { m_acknowledgeChecks = on; }
    // The devices that name a failing part, and whether the GPIO port value
    // selects the bus segment (the runner follows the port writes it sends).
    // The devices are not owned.
    void setProduct(const QList<Device*>& devices, bool gpioSelectsBus);

    RunResult run(const QList<DeviceCommand*>& commands);

private:
    struct Failure;

    Failure runOne(DeviceCommand* command);
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
};

#endif // QUELMRUNNER_COMMANDRUNNER_H
