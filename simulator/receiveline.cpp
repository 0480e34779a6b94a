#include "receiveline.h"

#include <algorithm>

using SC18IM700Protocol::ReceiveFifoSize;

int ReceiveLine::open(const QByteArray& bytes, Duration start)
{
    // A change that came before the new bytes begin no longer times any of them.
    if (!m_rateChanges.isEmpty())
        m_rateChanges.erase(std::remove_if(m_rateChanges.begin(), m_rateChanges.end(),
                                           [start](const RateChange& change) { return change.at <= start; }),
                            m_rateChanges.end());
    const int first = m_stream.size();
    m_stream += bytes;
    m_starts.resize(m_stream.size());
    m_arrivals.resize(m_stream.size());
    lineUp(first, start);
    // Bytes fed after the bridge reset, but arriving before it, were in the
    // FIFO the reset emptied.
    int cleared = 0;
    while (first + cleared < m_stream.size() && m_arrivals.at(first + cleared) < m_resetAt)
        ++cleared;
    m_stream.remove(first, cleared);
    m_starts.remove(first, cleared);
    m_arrivals.remove(first, cleared);
    return cleared;
}

// Most feeds end with their last command: the times keep their capacity
// for the next one.
void ReceiveLine::close()
{
    if (m_parsed == m_stream.size()) {
        m_stream.clear();
        m_starts.resize(0);
        m_arrivals.resize(0);
        m_parsed = m_decided = 0;
        return;
    }
    m_stream = m_stream.mid(m_parsed);
    m_starts = m_starts.mid(m_parsed);
    m_arrivals = m_arrivals.mid(m_parsed);
    m_parsed = 0;
    m_decided = m_stream.size();
}

QByteArray ReceiveLine::unread() const
{
    return QByteArray::fromRawData(m_stream.constData() + m_parsed, m_stream.size() - m_parsed);
}

// Times the bytes from `from` on, the first beginning at `start`.
void ReceiveLine::lineUp(int from, Duration start)
{
    Duration time = start;
    for (int index = from; index < m_stream.size(); ++index) {
        m_starts[index] = time;
        time += m_rateChanges.isEmpty() ? m_byteTime : byteTimeAt(time);
        m_arrivals[index] = time;
    }
    if (from < m_stream.size())
        m_lineEnd = time;
}

ReceiveLine::Lost ReceiveLine::queue(Duration busyUntil)
{
    while (m_decided < m_stream.size() && m_arrivals.at(m_decided) < busyUntil) {
        const int waiting = m_decided - m_parsed;
        const auto full = [&](int index) {
            return waiting + takenAfter(m_arrivals.at(index)) >= ReceiveFifoSize;
        };
        if (!full(m_decided)) {
            ++m_decided;
            continue;
        }
        int count = 1;
        while (m_decided + count < m_stream.size() && m_arrivals.at(m_decided + count) < busyUntil
               && full(m_decided + count))
            ++count;
        const Lost lost{count, m_stream.at(m_decided)};
        m_stream.remove(m_decided, count);
        m_starts.remove(m_decided, count);
        m_arrivals.remove(m_decided, count);
        return lost;
    }
    return {0, 0};
}

// Only the last 16 bytes taken can still have been in the FIFO when a new
// one arrives: their times are kept in a ring.
void ReceiveLine::take(int count, Duration notBefore)
{
    const int end = m_parsed + count;
    const int first = qMax(m_parsed, end - ReceiveFifoSize);
    for (int index = first; index < end; ++index) {
        m_taken[size_t(m_takenNext)] = qMax(m_arrivals.at(index), notBefore);
        m_takenNext = m_takenNext + 1 < ReceiveFifoSize ? m_takenNext + 1 : 0;
    }
    m_takenCount = qMin(m_takenCount + end - first, ReceiveFifoSize);
    m_parsed = end;
    m_decided = qMax(m_decided, m_parsed);
}

// The bytes taken leave the FIFO in order, so the ones still in it at
// `time` are the newest.
int ReceiveLine::takenAfter(Duration time) const
{
    int count = 0;
    for (int index = m_takenNext; count < m_takenCount; ++count) {
        index = (index + ReceiveFifoSize - 1) % ReceiveFifoSize;
        if (m_taken[size_t(index)] <= time)
            break;
    }
    return count;
}

int ReceiveLine::clearFifo(Duration at)
{
    m_resetAt = at;
    const int lost = m_decided - m_parsed;
    m_parsed = m_decided;
    m_takenCount = 0;
    return lost;
}

void ReceiveLine::discardPending()
{
    m_parsed = m_decided = m_stream.size();
    close();
    m_takenCount = 0;
}

void ReceiveLine::changeByteTime(Duration byteTime, Duration at)
{
    if (byteTime == m_byteTime)
        return;
    m_rateChanges.append({at, m_byteTime});
    m_byteTime = byteTime;
    if (m_decided < m_stream.size())
        lineUp(m_decided, m_starts.at(m_decided));
}

void ReceiveLine::resetByteTime(Duration byteTime)
{
    m_rateChanges.clear();
    m_byteTime = byteTime;
}

// The rate of the first change after `start`, if any, was the one in force.
ReceiveLine::Duration ReceiveLine::byteTimeAt(Duration start) const
{
    Duration byteTime = m_byteTime;
    Duration changedAt = Duration::max();
    for (const RateChange& change : m_rateChanges) {
        if (start < change.at && change.at < changedAt) {
            byteTime = change.byteTimeBefore;
            changedAt = change.at;
        }
    }
    return byteTime;
}
