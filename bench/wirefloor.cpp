#include "wirefloor.h"

#include <bridgestatus.h>
#include <device.h>
#include <devicecommand.h>
#include <sc18im700.h>
#include <writecycle.h>

#include <QtCore/QHash>

#include <algorithm>

using namespace SC18IM700Protocol;

namespace {

using Duration = WireFloor::Duration;

constexpr Duration never = Duration::max();

// The clock periods from a transaction's start until the bridge knows
// whether the part acknowledges its address: the start, the address byte.
constexpr int ClocksToAddress = ClocksPerCondition + ClocksPerByte;

// The decisions of one schedule: after which steps it added a confirming
// read. Shared between the schedules that grew from the same one.
struct Reads
{
    std::size_t after;
    std::shared_ptr<const Reads> before;
};

Duration ceilTo(Duration time, Duration origin, Duration period)
{
    const qint64 periods = (time - origin + period - Duration(1)) / period;
    return origin + periods * period;
}

} // namespace

// One host's schedule so far: where the line, the bridge and the answers
// stand, what the host has seen confirmed, which parts are in their cycle.
class WireFloor::Schedule
{
public:
    Schedule(const Timing& timing, bool fifoSafe)
        : m_timing(&timing)
        , m_fifoSafe(fifoSafe)
        , m_lineFree(timing.start)
        , m_bridgeFree(timing.start)
        , m_txFree(timing.start)
        , m_lastSeen(timing.start)
        , m_proofs{{0, timing.start}}
    {
    }

    // Sends the string's bytes, each as early as the rules let it; false
    // when the FIFO-safe rule can never let it (no answer to wait for).
    bool append(const Step& step, Result* record)
    {
        const Duration byte = m_timing->byteTime;
        const int size = step.bytes.size();
        Duration send = m_timing->start;
        for (int i = 0; i < size; ++i) {
            send = qMax(send, allowed(m_position + 1 + i));
            if (send == never)
                return false;
            Duration out = leaves(send);
            // The last byte of a command to a part in its cycle arrives just
            // as the bridge may reach the part's address.
            if (i == size - 1 && step.place >= 0 && m_busy.contains(step.place)) {
                const Duration ready = m_busy.value(step.place) - ClocksToAddress * m_timing->clockPeriod - byte;
                if (qMax(m_lineFree, out) < ready && m_bridgeFree + ClocksToAddress * m_timing->clockPeriod < m_busy.value(step.place)) {
                    send = qMax(send, ready);
                    out = leaves(send);
                }
            }
            m_lineFree = qMax(m_lineFree, out) + byte;
            if (record) {
                record->bytes += step.bytes.at(i);
                record->sendTimes.push_back(send);
            }
        }
        m_position += size;
        const Duration start = qMax(m_bridgeFree, m_lineFree);
        m_bridgeFree = start + step.clocks * m_timing->clockPeriod;
        // A cycle over before the bridge could next reach its part no
        // longer matters.
        const Duration reachable = m_bridgeFree + ClocksToAddress * m_timing->clockPeriod;
        for (auto it = m_busy.begin(); it != m_busy.end();) {
            if (it.value() <= reachable)
                it = m_busy.erase(it);
            else
                ++it;
        }
        for (int i = 0; i < step.cycles.size(); ++i)
            m_busy.insert(step.cycles.at(i), m_bridgeFree + step.lengths.at(i));
        if (step.answer > 0)
            answer(step.answer, record);
        trimProofs();
        return true;
    }

    // Whether this schedule is nowhere behind the other: whatever comes
    // next can go no later after this one.
    bool dominates(const Schedule& other) const
    {
        if (m_lineFree > other.m_lineFree || m_bridgeFree > other.m_bridgeFree || m_txFree > other.m_txFree
            || m_lastSeen > other.m_lastSeen)
            return false;
        for (auto it = m_busy.cbegin(); it != m_busy.cend(); ++it) {
            if (it.value() > other.m_busy.value(it.key(), Duration::min()))
                return false;
        }
        for (int ahead = 1; ahead <= ReceiveFifoSize; ++ahead) {
            if (allowed(m_position + ahead) > other.allowed(other.m_position + ahead))
                return false;
        }
        return true;
    }

    Duration end() const { return qMax(m_lastSeen, m_bridgeFree); }
    const std::shared_ptr<const Reads>& reads() const { return m_reads; }
    void addRead(std::size_t after) { m_reads = std::make_shared<const Reads>(Reads{after, m_reads}); }

private:
    struct Proof
    {
        qint64 end;    // the last byte position it proves taken
        Duration seen; // when the host has its answer
    };

    // When the host may send the byte at `position` (from 1): once the
    // bytes from there back to 16 before are the only ones not proved taken.
    Duration allowed(qint64 position) const
    {
        if (!m_fifoSafe)
            return m_timing->start;
        for (const Proof& proof : m_proofs) {
            if (proof.end >= position - ReceiveFifoSize)
                return proof.seen;
        }
        return never;
    }

    // A write handed to the link at `send` leaves the host in the next USB
    // frame behind an adapter.
    Duration leaves(Duration send) const
    {
        if (!m_timing->adapter)
            return send;
        return ceilTo(send, Duration(0), std::chrono::duration_cast<Duration>(m_timing->adapter->frame));
    }

    // The answer leaves once the transaction is done and the answers before
    // it have; the host has it at the adapter's next latency expiry.
    void answer(int bytes, Result* record)
    {
        const Duration byte = m_timing->byteTime;
        m_txFree = qMax(m_txFree, m_bridgeFree) + bytes * byte;
        if (m_fifoSafe)
            m_bridgeFree = qMax(m_bridgeFree, m_txFree - TransmitFifoSize * byte);
        Duration seen = m_txFree;
        if (m_timing->adapter) {
            const Duration latency = std::chrono::duration_cast<Duration>(m_timing->adapter->latencyTimer);
            seen = qMax(ceilTo(seen, m_timing->adapterOrigin, latency), m_timing->adapterOrigin + latency);
        }
        m_lastSeen = qMax(m_lastSeen, seen);
        m_proofs.push_back({m_position, seen});
        if (record)
            record->answerBytes += bytes;
    }

    // Proofs older than a FIFO's worth of bytes before the next byte can
    // help no later byte.
    void trimProofs()
    {
        const auto stale = std::find_if(m_proofs.begin(), m_proofs.end(), [this](const Proof& proof) {
            return proof.end >= m_position + 1 - ReceiveFifoSize;
        });
        m_proofs.erase(m_proofs.begin(), stale);
    }

    const Timing* m_timing;
    bool m_fifoSafe;
    qint64 m_position = 0;
    Duration m_lineFree;
    Duration m_bridgeFree;
    Duration m_txFree;
    Duration m_lastSeen;
    std::vector<Proof> m_proofs;
    QHash<qint64, Duration> m_busy;
    std::shared_ptr<const Reads> m_reads;
};

std::vector<WireFloor::Step> WireFloor::stepsOf(const std::vector<QList<DeviceCommand*>>& lists,
                                               const QList<Device*>& devices)
{
    QHash<qint64, const Device*> parts;
    for (const Device* device : devices)
        parts.insert(qint64(device->busNumber()) << 8 | device->busAddress(), device);
    std::vector<Step> steps;
    int bus = quint8(powerOnRegisters().at(IOState));
    for (const QList<DeviceCommand*>& list : lists) {
        for (const DeviceCommand* command : list) {
            const QByteArray bytes = command->bytes();
            const BridgeStatus::CommandShape shape = BridgeStatus::CommandShape::of(bytes);
            Step step{bytes, command->responseBytes(), shape.i2cClocks, -1, {}, {}};
            if (shape.address >= 0)
                step.place = qint64(bus) << 8 | shape.address;
            for (const BridgeStatus::CommandShape::Write& write : shape.writes) {
                const qint64 place = qint64(bus) << 8 | (write.address & ~ReadBit);
                const Device* const device = parts.value(place);
                const WriteCycle* const facts = device ? WriteCycle::of(device->deviceType()) : nullptr;
                if (facts && facts->startsWith(write.bytes)) {
                    step.cycles.append(place);
                    step.lengths.append(facts->typical);
                }
            }
            if (shape.gpio >= 0)
                bus = shape.gpio;
            steps.push_back(step);
        }
    }
    return steps;
}

WireFloor::Result WireFloor::streaming(const std::vector<Step>& steps, Timing timing)
{
    timing.adapter.reset();
    Schedule schedule(timing, false);
    Result result;
    for (const Step& step : steps)
        schedule.append(step, &result);
    result.time = schedule.end() - timing.start;
    return result;
}

// Why no FIFO-safe host beats this. A host's schedule is the list's strings
// in their order with its own answered strings among them, and the times it
// hands each byte to the link. Every time in the model is the latest of a
// few earlier times plus a fixed amount (a byte's line time, a transaction's
// clocks, a cycle, the next adapter tick or frame), so sending any byte
// earlier never makes anything after it later: for a given sequence of
// strings, sending each byte as early as the FIFO rule, the order and the
// parts' cycles allow is the fastest, and that is what Schedule does. An
// answered string of the host's own helps only right after a command without
// an answer: after an answered one it proves nothing earlier than that
// answer would, and costs bytes; the cheapest such string is the 2-byte port
// read. So the fastest FIFO-safe schedule is among those that add, or not,
// one port read after each command without an answer. All of them are
// followed at once, step by step; a schedule that is nowhere ahead of
// another one (its line, bridge, answers, parts and what it may send next are
// all at the same time or later) cannot end sooner and is dropped, which
// keeps the number followed small. The earliest end of those left is the
// floor: it is a schedule that a host knowing all times could run, and no
// FIFO-safe schedule ends earlier.
WireFloor::Result WireFloor::fifoSafe(const std::vector<Step>& steps, const Timing& timing)
{
    const Step read{SC18IM700::readGpioCommands(), 1, 0, -1, {}, {}};
    std::vector<Schedule> schedules{Schedule(timing, true)};
    for (std::size_t index = 0; index < steps.size(); ++index) {
        std::vector<Schedule> next;
        for (Schedule& schedule : schedules) {
            if (!schedule.append(steps[index], nullptr))
                continue;
            if (steps[index].answer == 0) {
                Schedule confirmed = schedule;
                if (confirmed.append(read, nullptr)) {
                    confirmed.addRead(index);
                    next.push_back(confirmed);
                }
            }
            next.push_back(schedule);
        }
        std::vector<Schedule> kept;
        for (std::size_t i = 0; i < next.size(); ++i) {
            bool dominated = false;
            for (std::size_t j = 0; j < next.size() && !dominated; ++j)
                dominated = j != i && next[j].dominates(next[i]) && (!next[i].dominates(next[j]) || j < i);
            if (!dominated)
                kept.push_back(next[i]);
        }
        if (kept.empty()) {
            Result failed;
            failed.error = QStringLiteral("no FIFO-safe schedule sends string %1").arg(index + 1);
            return failed;
        }
        schedules.swap(kept);
    }
    const auto best = std::min_element(schedules.begin(), schedules.end(),
                                       [](const Schedule& a, const Schedule& b) { return a.end() < b.end(); });
    // The chosen schedule once more, recording every byte.
    std::vector<bool> readAfter(steps.size(), false);
    for (const Reads* reads = best->reads().get(); reads; reads = reads->before.get())
        readAfter[reads->after] = true;
    Result result;
    Schedule replay(timing, true);
    for (std::size_t index = 0; index < steps.size(); ++index) {
        replay.append(steps[index], &result);
        if (readAfter[index]) {
            replay.append(read, &result);
            ++result.confirmingReads;
        }
    }
    result.time = replay.end() - timing.start;
    return result;
}
