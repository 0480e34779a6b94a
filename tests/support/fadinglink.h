#ifndef QUELM_TESTS_FADINGLINK_H
#define QUELM_TESTS_FADINGLINK_H

#include "simulatorlink.h"

#include <QtCore/QByteArrayList>

#include <limits>

// A link to the simulator that keeps every write, and with a budget a bridge
// that goes quiet: passes on only the first `budget` answer bytes. With
// loseByte() one byte of one write never reaches the bridge, as after noise
// on the line.
class FadingLink : public SimulatorLink
{
public:
    explicit FadingLink(BridgeSimulator* simulator, int budget = std::numeric_limits<int>::max())
        : SimulatorLink(simulator)
        , m_budget(budget)
    {
    }

    // Answer bytes still to pass on from now.
    void setBudget(int budget) { m_budget = budget; }
    // The byte at `offset` of the write numbered `write` (from 0, counting
    // from now) is lost.
    void loseByte(int write, int offset)
    {
        m_lostWrite = written.size() + write;
        m_lostOffset = offset;
    }

    bool write(const QByteArray& bytes) override
    {
        QByteArray sent = bytes;
        if (written.size() == m_lostWrite)
            sent.remove(m_lostOffset, 1);
        written.append(bytes);
        return SimulatorLink::write(sent);
    }
    QByteArray read(int count, int timeoutMs) override
    {
        const QByteArray bytes = SimulatorLink::read(qMin(count, m_budget), timeoutMs);
        m_budget -= bytes.size();
        return bytes;
    }

    QByteArrayList written;

private:
    int m_budget;
    int m_lostWrite = -1;
    int m_lostOffset = 0;
};

#endif // QUELM_TESTS_FADINGLINK_H
