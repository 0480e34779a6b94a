#ifndef QUELM_TESTS_FADINGLINK_H
#define QUELM_TESTS_FADINGLINK_H

#include "simulatorlink.h"

#include <QtCore/QByteArrayList>

#include <limits>

// A link to the simulator that keeps every write, and with a budget a bridge
// that goes quiet: passes on only the first `budget` answer bytes.
class FadingLink : public SimulatorLink
{
public:
    explicit FadingLink(BridgeSimulator* simulator, int budget = std::numeric_limits<int>::max())
        : SimulatorLink(simulator)
        , m_budget(budget)
    {
    }

    bool write(const QByteArray& bytes) override
    {
        written.append(bytes);
        return SimulatorLink::write(bytes);
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
};

#endif // QUELM_TESTS_FADINGLINK_H
