#include "simulatorlink.h"

#include "seriallink.h"

#include <bridgesimulator.h>

SimulatorLink::SimulatorLink(BridgeSimulator* simulator)
    : m_simulator(simulator)
    , m_baudRate(SerialLink::DefaultBaudRate)
{
}

bool SimulatorLink::ratesMatch() const
{
    return m_simulator && m_simulator->understands(m_baudRate);
}

bool SimulatorLink::write(const QByteArray& bytes)
{
    if (!m_simulator) {
        setErrorString(QStringLiteral("no simulator"));
        return false;
    }
    if (ratesMatch())
        m_answers.append(m_simulator->feed(bytes));
    return true;
}

QByteArray SimulatorLink::read(int count, int)
{
    const QByteArray bytes = m_answers.left(qMax(0, count));
    m_answers.remove(0, bytes.size());
    return bytes;
}

void SimulatorLink::discardInput()
{
    m_answers.clear();
}

bool SimulatorLink::setBaudRate(qint32 rate)
{
    if (rate <= 0) {
        setErrorString(QStringLiteral("%1 is not a baud rate").arg(rate));
        return false;
    }
    m_baudRate = rate;
    return true;
}
