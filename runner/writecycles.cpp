#include "writecycles.h"

#include <sc18im700protocol.h>
#include <writecycle.h>

using namespace SC18IM700Protocol;

WriteCycles::WriteCycles(Link* link)
    : m_link(link)
{
}

WriteCycles::Cycle* WriteCycles::find(qint64 place)
{
    const auto it = m_cycles.find(place);
    return it != m_cycles.end() ? &it.value() : nullptr;
}

void WriteCycles::start(qint64 place, const WriteCycle* facts, qint64 sequence, Duration backlog, Duration endedBy)
{
    m_cycles.insert(place, Cycle{facts, sequence, m_link->now(), backlog, 0, endedBy});
}

void WriteCycles::noteWritten(qint64 bytes)
{
    for (Cycle& cycle : m_cycles)
        cycle.bytesAfter += bytes;
}

void WriteCycles::noteAnswered(qint64 sequence, Duration seen)
{
    for (Cycle& cycle : m_cycles) {
        if (cycle.sequence < sequence)
            cycle.doneBy = qMin(cycle.doneBy, seen);
    }
}

void WriteCycles::noteEnded(const QHash<qint64, Duration>& endedBy)
{
    for (Cycle& cycle : m_cycles) {
        if (endedBy.contains(cycle.sequence))
            cycle.doneBy = qMin(cycle.doneBy, endedBy.value(cycle.sequence));
    }
}

// The bytes on the wire since the write, less the bus time the bridge may
// have owed when it came, or the time since the write surely ended.
WriteCycles::Duration WriteCycles::elapsedAtLeast(const Cycle& cycle, int sending) const
{
    const Duration byte = m_link->fastestByteTime();
    const Duration elapsed = (cycle.bytesAfter + sending) * byte - cycle.busBacklog;
    return qMax(elapsed, m_link->now() - cycle.doneBy + sending * byte);
}

bool WriteCycles::over(const Cycle& cycle, int sending) const
{
    return elapsedAtLeast(cycle, sending) >= cycle.facts->maximum;
}

// A write is sent once the typical cycle is over and its status read: a part
// still busy takes nothing of it, and is polled. For a read, whose answer
// would never come from a busy part, polling costs a probe, a status read and
// the command sent only after its answer; waiting for the maximum costs the
// rest of a cycle that is usually shorter, and the status read that proves
// the part took the command: the cheaper of the two is taken. Where the
// typical cycle is the maximum, waiting it out is enough.
WriteCycles::Wait WriteCycles::waitFor(const Cycle& cycle, int sending, bool answered, Duration pollBusTime,
                                       bool statusReadAnyway)
{
    const Duration maximum = cycle.facts->maximum;
    const Duration typical = qMin(cycle.facts->typical, maximum);
    const Duration byte = m_link->byteTime();
    const Duration statusRead = (statusReadCommand().size() + 1) * byte;
    const Duration pollCost = statusRead + sending * byte + pollBusTime;
    const Duration clockCost = maximum - typical + (statusReadAnyway ? Duration(0) : statusRead);
    const Wait wait = !answered ? Wait::Attempt : pollCost < clockCost ? Wait::Poll : Wait::Clock;
    if (wait == Wait::Attempt)
        m_link->wait(typical - elapsedAtLeast(cycle, sending));
    else if (wait == Wait::Poll)
        m_link->wait(typical - elapsedAtLeast(cycle, probeCommand(0).size()));
    else
        m_link->wait(maximum - elapsedAtLeast(cycle, sending));
    return wait;
}
