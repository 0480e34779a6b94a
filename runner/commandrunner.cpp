#include "commandrunner.h"

#include "link.h"

#include <devicecommand.h>

CommandRunner::CommandRunner(Link* link)
    : m_link(link)
{
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
        const QString error = runOne(command);
        if (!error.isEmpty()) {
            result.failedIndex = index;
            result.errorString = QStringLiteral("Command %1 of %2 (%3): %4")
                                     .arg(index + 1).arg(commands.size())
                                     .arg(command ? command->description() : QStringLiteral("none"), error);
            return result;
        }
        result.applied = index + 1;
        if (m_progress)
            m_progress(index, commands.size(), command);
    }
    return result;
}

// Empty when the command was applied, else what went wrong.
QString CommandRunner::runOne(DeviceCommand* command)
{
    if (!command)
        return QStringLiteral("the list holds a null command");
    if (!m_link->write(command->bytes()))
        return QStringLiteral("could not be sent: %1").arg(m_link->errorString());
    const int expected = command->responseBytes();
    if (expected <= 0)
        return QString();
    QByteArray answer = m_link->read(expected, m_timeoutMs);
    if (answer.isEmpty())
        return QStringLiteral("no answer from the bridge (%1 bytes expected)").arg(expected);
    if (answer.size() < expected)
        return QStringLiteral("the bridge answered %1 of %2 bytes").arg(answer.size()).arg(expected);
    command->setRxData(answer);
    return QString();
}
