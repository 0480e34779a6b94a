#ifndef QUELMRUNNER_WRITECYCLES_H
#define QUELMRUNNER_WRITECYCLES_H

#include "link.h"
#include "quelmrunner_global.h"

#include <QtCore/QHash>

struct WriteCycle;

// The write cycles that may still run in the parts a runner wrote to, by
// place (bus << 8 | 8-bit address), and how long to wait before such a part
// is addressed again. What bounds a cycle from below: the bytes written to
// the link since its write (each takes at least its line time at the
// fastest rate the bridge understands), and the time by which the write
// surely ended. The runner tells which bytes went out and which answers came
// in; the time is the link's, and so are the waits.
class QUELMRUNNER_EXPORT WriteCycles
{
public:
    using Duration = Link::Duration;

    // A part's write cycle that may still be running.
    struct Cycle
    {
        const WriteCycle* facts;
        qint64 sequence;          // of the string that holds the write
        Duration writtenAt;       // when the write was handed to the link
        Duration busBacklog;      // the bus time the bridge may owe when the write arrives, its own included
        qint64 bytesAfter = 0;    // bytes written to the link since
        Duration doneBy;          // the write surely ended by then
    };
    // How the part was waited for: not at all, the typical cycle before a
    // write that shows by its status whether it was taken, the maximum on
    // the link's clock, or the typical cycle before polling.
    enum class Wait { None, Attempt, Clock, Poll };

    // The link is not owned and must outlive the cycles.
    explicit WriteCycles(Link* link);

    int size() const { return int(m_cycles.size()); }
    bool contains(qint64 place) const { return m_cycles.contains(place); }
    // The cycle at place; nullptr for none. Valid until a cycle is added.
    Cycle* find(qint64 place);
    Cycle value(qint64 place) const { return m_cycles.value(place); }
    void insert(qint64 place, const Cycle& cycle) { m_cycles.insert(place, cycle); }
    Cycle take(qint64 place) { return m_cycles.take(place); }
    void remove(qint64 place) { m_cycles.remove(place); }
    void clear() { m_cycles.clear(); }

    // A write that starts a cycle was just handed to the link in the string
    // `sequence`, behind `backlog` of bus time, surely ended by endedBy.
    void start(qint64 place, const WriteCycle* facts, qint64 sequence, Duration backlog, Duration endedBy);
    // `bytes` more were written to the link.
    void noteWritten(qint64 bytes);
    // The answer that ends the string `sequence` came in at `seen`: every
    // write in a string before it had ended.
    void noteAnswered(qint64 sequence, Duration seen);
    // When the strings in flight had surely ended, by sequence.
    void noteEnded(const QHash<qint64, Duration>& endedBy);

    // How long the cycle has surely run when the bridge addresses the part
    // after `sending` more bytes.
    Duration elapsedAtLeast(const Cycle& cycle, int sending) const;
    // Whether the data sheet's maximum cycle is surely over by then.
    bool over(const Cycle& cycle, int sending) const;
    // Waits for a cycle not over yet, every byte written having left the
    // host, before `sending` bytes are sent to the part; `answered`: the
    // command has an answer of its own. pollBusTime: a poll's time on the
    // bus; statusReadAnyway: the command's status is read in any case.
    Wait waitFor(const Cycle& cycle, int sending, bool answered, Duration pollBusTime, bool statusReadAnyway);

private:
    Link* m_link;
    QHash<qint64, Cycle> m_cycles;
};

#endif // QUELMRUNNER_WRITECYCLES_H
