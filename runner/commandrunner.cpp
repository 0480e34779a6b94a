#include "commandrunner.h"

#include "bridgestatus.h"

#include <device.h>
#include <devicecommand.h>
#include <writecycle.h>

using namespace SC18IM700Protocol;

namespace {

qint64 placeKey(const int bus, const int address)
{
    return qint64(bus) << 8 | (address & ~ReadBit);
}

// The smallest transaction to a part: its address and no data. A part in
// its write cycle does not acknowledge it; an empty write programs nothing.
QByteArray probe(const int address)
{
    return QByteArray(1, Start) + char(address & ~ReadBit) + '\0' + Stop;
}

// The bridge's UART may run a little faster than its nominal rate: byte
// counts become time at the fastest rate it still understands.
CommandRunner::Duration atFastestRate(const CommandRunner::Duration time)
{
    return CommandRunner::Duration(qint64(double(time.count()) * (1.0 - RateTolerance)));
}

int powerOnClockDivider()
{
    const QByteArray registers = powerOnRegisters();
    return quint8(registers.at(I2CClkL)) + quint8(registers.at(I2CClkH));
}

} // namespace

// Empty text: the command was applied.
struct CommandRunner::Failure
{
    QString text;
    int status = -1;
    int bus = -1;
    int address = -1;
};

CommandRunner::CommandRunner(Link* link)
    : m_link(link)
    , m_i2cClockPeriod(i2cClockPeriod(powerOnClockDivider()))
{
}

void CommandRunner::setProduct(const QList<Device*>& devices, bool gpioSelectsBus)
{
    m_devices = devices;
    m_gpioSelectsBus = gpioSelectsBus;
}

void CommandRunner::setI2CClockDivider(int divider)
{
    m_i2cClockPeriod = i2cClockPeriod(qMax(divider, MinimumClockDivider));
}

RunResult CommandRunner::run(const QList<DeviceCommand*>& commands)
{
    if (!m_link) {
        RunResult result;
        result.failedIndex = 0;
        result.errorString = QStringLiteral("No link to the bridge.");
        return result;
    }
    const Duration start = m_link->now();
    RunResult result = runAll(commands);
    // The run has taken its time once its last bytes have left the host.
    m_link->drain();
    result.elapsed = m_link->now() - start;
    return result;
}

RunResult CommandRunner::runAll(const QList<DeviceCommand*>& commands)
{
    RunResult result;
    // An answer left over from an earlier, broken run must not be taken
    // for the first answer of this one.
    m_link->discardInput();
    for (int index = 0; index < commands.size(); ++index) {
        DeviceCommand* const command = commands.at(index);
        const Failure failure = runOne(command);
        if (!failure.text.isEmpty()) {
            result.failedIndex = index;
            result.errorString = QStringLiteral("Command %1 of %2 (%3): %4")
                                     .arg(index + 1).arg(commands.size())
                                     .arg(command ? command->description() : QStringLiteral("none"), failure.text);
            result.status = failure.status;
            result.bus = failure.bus;
            result.address = failure.address;
            return result;
        }
        result.applied = index + 1;
        if (m_progress)
            m_progress(index, commands.size(), command);
    }
    return result;
}

CommandRunner::Failure CommandRunner::runOne(DeviceCommand* command, bool retry)
{
    if (!command)
        return {QStringLiteral("the list holds a null command")};
    const QByteArray bytes = command->bytes();
    const BridgeStatus::CommandShape shape = BridgeStatus::CommandShape::of(bytes);
    const int bus = currentBus();
    bool readsStatus = m_acknowledgeChecks && shape.address >= 0;
    // The part's earlier write, while its cycle may still run.
    Cycle previous{};
    const bool written = shape.address >= 0 && m_writing.contains(placeKey(bus, shape.address));
    if (written) {
        previous = m_writing.take(placeKey(bus, shape.address));
        const Wait wait = waitBefore(&previous, bytes.size(), command->responseBytes() > 0);
        if (wait == Wait::Poll && !pollUntilReady(previous, shape.address))
            return stillBusy(command, previous, shape.address);
        readsStatus = readsStatus || wait == Wait::Clock || wait == Wait::Attempt;
    }
    if (!send(bytes))
        return {QStringLiteral("could not be sent: %1").arg(m_link->errorString())};
    if (shape.gpio >= 0)
        m_gpio = shape.gpio;
    recordCycles(command, shape, bus);
    const int expected = command->responseBytes();
    QByteArray answer;
    if (expected > 0) {
        answer = receive(expected);
        if (answer.isEmpty())
            return retryAfterCycle(command, missingAnswer(command, shape.address, expected),
                                   written ? &previous : nullptr, shape.address, retry);
        if (answer.size() < expected)
            return {QStringLiteral("the bridge answered %1 of %2 bytes").arg(answer.size()).arg(expected)};
    }
    if (readsStatus) {
        const Failure failure = checkStatus(command, shape.address);
        if (!failure.text.isEmpty())
            return retryAfterCycle(command, failure, written ? &previous : nullptr, shape.address, retry);
    }
    if (expected > 0)
        command->setRxData(answer);
    return {};
}

// A part that did not acknowledge its address while its write cycle may
// have outlasted the data sheet is polled until it does, and the command
// sent once more; past the bound the run stops.
CommandRunner::Failure CommandRunner::retryAfterCycle(DeviceCommand* command, const Failure& failure,
                                                      const Cycle* previous, int address, bool retry)
{
    if (!previous || !retry || failure.status != StatusNackOnAddress)
        return failure;
    if (!pollUntilReady(*previous, address))
        return stillBusy(command, *previous, address);
    // The part took nothing of the refused command: no cycle of it runs.
    m_writing.remove(placeKey(currentBus(), address));
    return runOne(command, false);
}

bool CommandRunner::send(const QByteArray& bytes)
{
    if (!m_link->write(bytes))
        return false;
    for (Cycle& cycle : m_writing)
        cycle.bytesAfter += bytes.size();
    return true;
}

// An answer proves that every command sent before it has run: the writes
// among them are done by the time it arrives. Its timeout counts from when
// the request has left the host: at a low rate the commands queued before it
// can take longer than the timeout to go out.
QByteArray CommandRunner::receive(int count)
{
    m_link->drain();
    const QByteArray answer = m_link->read(count, m_timeoutMs);
    if (count > 0 && answer.size() == count) {
        for (Cycle& cycle : m_writing) {
            if (cycle.doneBy < Duration(0))
                cycle.doneBy = m_link->now();
        }
    }
    return answer;
}

int CommandRunner::readStatus()
{
    if (!send(statusReadCommand()))
        return -1;
    const QByteArray answer = receive(1);
    return answer.size() == 1 ? quint8(answer.at(0)) : -1;
}

// Every write phase into a part's non-volatile memory starts its cycle.
void CommandRunner::recordCycles(const DeviceCommand* command, const BridgeStatus::CommandShape& shape, int bus)
{
    for (const BridgeStatus::CommandShape::Write& write : shape.writes) {
        const Device* const device = deviceFor(command, bus, write.address & ~ReadBit);
        const WriteCycle* const facts = device ? WriteCycle::of(device->deviceType()) : nullptr;
        if (facts && facts->startsWith(write.bytes))
            m_writing.insert(placeKey(bus, write.address),
                             Cycle{facts, m_link->now(), shape.i2cClocks * m_i2cClockPeriod});
    }
}

// How long the cycle has surely run when the bridge addresses the part
// after `sending` more bytes: the bytes on the wire since the write, less
// the write's own bus time, or the time since an answer proved it done.
CommandRunner::Duration CommandRunner::elapsedAtLeast(const Cycle& cycle, int sending) const
{
    const Duration byte = atFastestRate(m_link->byteTime());
    Duration elapsed = (cycle.bytesAfter + sending) * byte - cycle.i2cTime;
    if (cycle.doneBy >= Duration(0))
        elapsed = qMax(elapsed, m_link->now() - cycle.doneBy + sending * byte);
    return elapsed;
}

// Waits until the part can be addressed with `sending` bytes, or until it is
// worth trying it. A write is sent once the typical cycle is over and its
// status read: a part still busy takes nothing of it, and is polled. For a
// read, whose answer would never come from a busy part, polling costs a
// probe, a status read and the command sent only after its answer; waiting
// for the maximum costs the rest of a cycle that is usually shorter, and
// the status read that proves the part took the command: the cheaper of the
// two is taken.
CommandRunner::Wait CommandRunner::waitBefore(Cycle* cycle, int sending, bool answered)
{
    const Duration maximum = cycle->facts->maximum;
    if (elapsedAtLeast(*cycle, sending) >= maximum)
        return Wait::None;
    const Duration byte = m_link->byteTime();
    const Duration statusRead = (statusReadCommand().size() + 1) * byte;
    const Duration pollCost = statusRead + sending * byte
        + (2 * ClocksPerCondition + ClocksPerByte) * m_i2cClockPeriod;
    const Duration clockCost = maximum - cycle->facts->typical
        + (m_acknowledgeChecks ? Duration(0) : statusRead);
    const Wait wait = !answered ? Wait::Attempt : pollCost < clockCost ? Wait::Poll : Wait::Clock;
    if (wait != Wait::Attempt && cycle->doneBy < Duration(0) && readStatus() >= 0)
        cycle->doneBy = m_link->now();
    // A wait puts time on the wire only once the bytes queued before it
    // have gone out.
    m_link->drain();
    if (wait == Wait::Attempt)
        m_link->wait(cycle->facts->typical - elapsedAtLeast(*cycle, sending));
    else if (wait == Wait::Poll)
        m_link->wait(cycle->facts->typical - elapsedAtLeast(*cycle, probe(0).size()));
    else
        m_link->wait(maximum - elapsedAtLeast(*cycle, sending));
    return wait;
}

// Polls until the part acknowledges; false when the bridge stops answering
// or the part is still busy once the deadline has passed. The deadline is
// checked after each poll, so a host held up elsewhere never fails a part
// that is ready.
bool CommandRunner::pollUntilReady(const Cycle& cycle, int address)
{
    const QByteArray poll = probe(address) + statusReadCommand();
    Duration deadline{-1};
    forever {
        if (!send(poll))
            return false;
        const QByteArray answer = receive(1);
        if (answer.size() != 1)
            return false;
        if (quint8(answer.at(0)) == StatusOk)
            return true;
        if (deadline < Duration(0))
            deadline = (cycle.doneBy >= Duration(0) ? cycle.doneBy : m_link->now()) + cycle.facts->maximum + BusyMargin;
        if (m_link->now() >= deadline)
            return false;
    }
}

// "bus 1, address 0xA0 (header): still busy 30 ms after its write"
CommandRunner::Failure CommandRunner::stillBusy(const DeviceCommand* command, const Cycle& cycle, int address) const
{
    int bus = -1;
    const QString part = partText(command, address, &bus);
    const auto busy = std::chrono::duration_cast<std::chrono::milliseconds>(m_link->now() - cycle.writtenAt);
    return {QStringLiteral("%1: still busy %2 ms after its write").arg(part).arg(busy.count()),
            StatusNackOnAddress, bus, address};
}

// The bridge sends nothing for a read it could not complete; its status
// tells a missing part from a bus that hangs or a bridge that is gone.
CommandRunner::Failure CommandRunner::missingAnswer(const DeviceCommand* command, int address, int expected)
{
    const QString silence = QStringLiteral("no answer from the bridge (%1 bytes expected)").arg(expected);
    if (address < 0)
        return {silence};
    m_link->discardInput();
    const int status = readStatus();
    if (status < 0)
        return {silence + QStringLiteral("; the bridge does not answer a status read either")};
    Failure failure = statusFailure(command, address, status);
    failure.text.prepend(silence + QStringLiteral("; "));
    return failure;
}

CommandRunner::Failure CommandRunner::checkStatus(const DeviceCommand* command, int address)
{
    const int status = readStatus();
    if (status < 0)
        return {QStringLiteral("no answer to the I2C status read")};
    if (status == StatusOk)
        return {};
    return statusFailure(command, address, status);
}

// "bus 1, address 0x50 (trim): no acknowledge on the address (I2C status 0xF1)"
CommandRunner::Failure CommandRunner::statusFailure(const DeviceCommand* command, int address, int status) const
{
    int bus = -1;
    const QString part = partText(command, address, &bus);
    return {QStringLiteral("%1: %2 (I2C status %3)").arg(part, statusText(status), hexByte(status)),
            status, bus, address};
}

// "bus 1, address 0x50 (trim)"; the bus where it is known.
QString CommandRunner::partText(const DeviceCommand* command, int address, int* bus) const
{
    const int selected = m_gpioSelectsBus ? m_gpio : -1;
    const Device* const target = deviceFor(command, selected, address);
    *bus = target ? target->busNumber() : (m_gpioSelectsBus ? m_gpio : 0);
    QString part = *bus >= 0 ? QStringLiteral("bus %1, address %2").arg(*bus).arg(hexByte(address))
                             : QStringLiteral("address %1").arg(hexByte(address));
    if (target)
        part += QStringLiteral(" (%1)").arg(target->name());
    return part;
}

// The command's own device when it sits at the address, else the product's.
const Device* CommandRunner::deviceFor(const DeviceCommand* command, int bus, int address) const
{
    const Device* const own = command ? command->device() : nullptr;
    if (own && own->busAddress() == address)
        return own;
    return partAt(bus, address);
}

// With one segment any bus number matches; with GPIO selection only the
// selected one (none while no selection was sent).
const Device* CommandRunner::partAt(int bus, int address) const
{
    if (m_gpioSelectsBus && bus < 0)
        return nullptr;
    for (const Device* device : m_devices) {
        if (device && device->busAddress() == address && (!m_gpioSelectsBus || device->busNumber() == bus))
            return device;
    }
    return nullptr;
}
