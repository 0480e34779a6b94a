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
    if (ratesMatch()) {
        m_simulator->advanceTo(m_now);
        m_answers.append(m_simulator->feed(bytes, &m_arrivals));
    }
    return true;
}

// All count bytes when the last of them arrives before the timeout; else
// what arrived until then, and the clock stands at the timeout.
QByteArray SimulatorLink::read(int count, int timeoutMs)
{
    if (count <= 0)
        return QByteArray();
    const Duration deadline = m_now + std::chrono::milliseconds(qMax(0, timeoutMs));
    int available = 0;
    while (available < qMin(count, m_answers.size()) && m_arrivals.at(available) <= deadline)
        ++available;
    m_now = available == count ? qMax(m_now, m_arrivals.at(count - 1)) : deadline;
    const QByteArray bytes = m_answers.left(available);
    m_answers.remove(0, available);
    m_arrivals.remove(0, available);
    return bytes;
}

void SimulatorLink::discardInput()
{
    int arrived = 0;
    while (arrived < m_arrivals.size() && m_arrivals.at(arrived) <= m_now)
        ++arrived;
    m_answers.remove(0, arrived);
    m_arrivals.remove(0, arrived);
}

bool SimulatorLink::drain()
{
    if (m_simulator)
        m_now = qMax(m_now, m_simulator->inputDoneAt());
    return true;
}

void SimulatorLink::wait(Duration time)
{
    if (time > Duration(0))
        m_now += time;
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
