#include "commandrunner.h"

#include "bridgestatus.h"
#include "link.h"

#include <device.h>
#include <devicecommand.h>

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
{
}

void CommandRunner::setProduct(const QList<Device*>& devices, bool gpioSelectsBus)
{
    m_devices = devices;
    m_gpioSelectsBus = gpioSelectsBus;
}

RunResult CommandRunner::run(const QList<DeviceCommand*>& commands)
{
    RunResult result;
    if (!m_link) {
        result.failedIndex = 0;
        result.errorString = QStringLiteral("No link to the bridge.");
        return result;
    }
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

CommandRunner::Failure CommandRunner::runOne(DeviceCommand* command)
{
    if (!command)
        return {QStringLiteral("the list holds a null command")};
    const QByteArray bytes = command->bytes();
    const BridgeStatus::CommandShape shape = BridgeStatus::CommandShape::of(bytes);
    if (!m_link->write(bytes))
        return {QStringLiteral("could not be sent: %1").arg(m_link->errorString())};
    if (shape.gpio >= 0)
        m_gpio = shape.gpio;
    const int expected = command->responseBytes();
    QByteArray answer;
    if (expected > 0) {
        answer = m_link->read(expected, m_timeoutMs);
        if (answer.isEmpty())
            return missingAnswer(command, shape.address, expected);
        if (answer.size() < expected)
            return {QStringLiteral("the bridge answered %1 of %2 bytes").arg(answer.size()).arg(expected)};
    }
    if (m_acknowledgeChecks && shape.address >= 0) {
        const Failure failure = checkStatus(command, shape.address);
        if (!failure.text.isEmpty())
            return failure;
    }
    if (expected > 0)
        command->setRxData(answer);
    return {};
}

// The bridge sends nothing for a read it could not complete; its status
// tells a missing part from a bus that hangs or a bridge that is gone.
CommandRunner::Failure CommandRunner::missingAnswer(const DeviceCommand* command, int address, int expected)
{
    const QString silence = QStringLiteral("no answer from the bridge (%1 bytes expected)").arg(expected);
    if (address < 0)
        return {silence};
    m_link->discardInput();
    const int status = BridgeStatus::read(m_link, m_timeoutMs);
    if (status < 0)
        return {silence + QStringLiteral("; the bridge does not answer a status read either")};
    Failure failure = statusFailure(command, address, status);
    failure.text.prepend(silence + QStringLiteral("; "));
    return failure;
}

CommandRunner::Failure CommandRunner::checkStatus(const DeviceCommand* command, int address)
{
    const int status = BridgeStatus::read(m_link, m_timeoutMs);
    if (status < 0)
        return {QStringLiteral("no answer to the I2C status read")};
    if (status == BridgeStatus::Ok)
        return {};
    return statusFailure(command, address, status);
}

// "bus 1, address 0x50 (trim): no acknowledge on the address (I2C status 0xF1)"
CommandRunner::Failure CommandRunner::statusFailure(const DeviceCommand* command, int address, int status) const
{
    const Device* target = command->device();
    if (!target || target->busAddress() != address) {
        const int bus = m_gpioSelectsBus ? m_gpio : -1;
        target = partAt(bus, address);
    }
    const int bus = target ? target->busNumber() : (m_gpioSelectsBus ? m_gpio : 0);
    QString part = bus >= 0 ? QStringLiteral("bus %1, address %2").arg(bus).arg(BridgeStatus::hexByte(address))
                            : QStringLiteral("address %1").arg(BridgeStatus::hexByte(address));
    if (target)
        part += QStringLiteral(" (%1)").arg(target->name());
    return {QStringLiteral("%1: %2 (I2C status %3)").arg(part, BridgeStatus::text(status), BridgeStatus::hexByte(status)),
            status, bus, address};
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
