#include "simulatorlink.h"

#include <bridgesimulator.h>

SimulatorLink::SimulatorLink(BridgeSimulator* simulator)
    : m_simulator(simulator)
{
}

bool SimulatorLink::write(const QByteArray& bytes)
{
    if (!m_simulator) {
        setErrorString(QStringLiteral("no simulator"));
        return false;
    }
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
