#ifndef QUELM_TESTS_FADINGLINK_H
#define QUELM_TESTS_FADINGLINK_H

#include "simulatorlink.h"

#include <QtCore/QByteArray>

// A bridge that goes quiet: passes on only the first `budget` answer bytes.
class FadingLink : public SimulatorLink
{
public:
    FadingLink(BridgeSimulator* simulator, int budget)
        : SimulatorLink(simulator)
        , m_budget(budget)
    {
    }

    QByteArray read(int count, int timeoutMs) override
    {
        const QByteArray bytes = SimulatorLink::read(qMin(count, m_budget), timeoutMs);
        m_budget -= bytes.size();
        return bytes;
    }

private:
    int m_budget;
};

#endif // QUELM_TESTS_FADINGLINK_H
