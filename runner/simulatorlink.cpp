#include "simulatorlink.h"

#include "seriallink.h"

#include <bridgesimulator.h>

using namespace SC18IM700Protocol;

namespace {

SimulatorLink::Duration asDuration(std::chrono::microseconds time)
{
    return std::chrono::duration_cast<SimulatorLink::Duration>(time);
}

} // namespace

SimulatorLink::SimulatorLink(BridgeSimulator* simulator)
    : m_simulator(simulator)
    , m_baudRate(SerialLink::DefaultBaudRate)
    , m_now(simulator ? simulator->now() : Duration(0))
{
    m_lastPacket = m_now;
    collectOutput();
}

void SimulatorLink::setAdapter(const std::optional<UsbAdapter>& adapter)
{
    // What the adapter holds reaches the host as the old adapter hands it over.
    deliver(Duration::max(), -1);
    m_adapter = adapter;
    if (m_adapter && (m_adapter->latencyTimer.count() <= 0 || m_adapter->packetBytes <= 0 || m_adapter->frame.count() <= 0))
        m_adapter.reset();
}

SimulatorLink::Duration SimulatorLink::sendLatency() const
{
    return m_adapter ? asDuration(m_adapter->frame) : Duration(0);
}

bool SimulatorLink::ratesMatch() const
{
    return m_simulator && m_simulator->understands(m_baudRate);
}

// The announcement of a restart or power-on, sent on the bridge's own.
void SimulatorLink::collectOutput()
{
    if (!m_simulator)
        return;
    QVector<Duration> times;
    const QByteArray output = m_simulator->takeOutput(&times);
    if (ratesMatch())
        arrive(output, times);
}

bool SimulatorLink::write(const QByteArray& bytes)
{
    if (!m_simulator) {
        setErrorString(QStringLiteral("no simulator"));
        return false;
    }
    collectOutput();
    if (!ratesMatch())
        return true;
    m_simulator->advanceTo(m_adapter ? frameAfter(m_now) : m_now);
    QVector<Duration> times;
    QByteArray answer = m_simulator->feed(bytes, &times);
    // A restart during the feed moved the bridge to 9600 baud: its "OK" is
    // noise at any other rate.
    const QByteArray announcement(Announcement, AnnouncementSize);
    if (!ratesMatch() && answer.endsWith(announcement)) {
        answer.chop(AnnouncementSize);
        times.resize(answer.size());
    }
    arrive(answer, times);
    return true;
}

void SimulatorLink::arrive(const QByteArray& bytes, const QVector<Duration>& times)
{
    QByteArray& to = m_adapter ? m_inAdapter : m_answers;
    QVector<Duration>& at = m_adapter ? m_adapterArrivals : m_arrivals;
    to.append(bytes);
    at.append(times);
}

SimulatorLink::Duration SimulatorLink::frameAfter(Duration time) const
{
    const qint64 frame = asDuration(m_adapter->frame).count();
    return Duration((time.count() + frame - 1) / frame * frame);
}

// The adapter's next packet to the host: when it goes and how many bytes it
// carries. Its timer runs out every latency period after the last packet
// (with or without data, so the periods follow each other); a packet that
// fills goes at once.
std::pair<SimulatorLink::Duration, int> SimulatorLink::nextPacket() const
{
    const Duration latency = asDuration(m_adapter->latencyTimer);
    const qint64 periods = qMax<qint64>(1, (m_adapterArrivals.constFirst() - m_lastPacket + latency - Duration(1)) / latency);
    const Duration expiry = m_lastPacket + periods * latency;
    const int full = m_adapter->packetBytes;
    if (m_inAdapter.size() >= full && m_adapterArrivals.at(full - 1) < expiry)
        return {frameAfter(m_adapterArrivals.at(full - 1)), full};
    int bytes = 0;
    while (bytes < qMin(full, m_inAdapter.size()) && m_adapterArrivals.at(bytes) <= expiry)
        ++bytes;
    return {frameAfter(expiry), bytes};
}

// Hands the adapter's packets to the host up to the time `until`, or until
// the host holds `wanted` bytes (-1: no limit). Packets are worked out only
// as far as they are needed: a packet that later bytes could still fill
// sooner stays in the adapter.
void SimulatorLink::deliver(Duration until, int wanted)
{
    if (!m_adapter)
        return;
    while (!m_inAdapter.isEmpty() && (wanted < 0 || m_answers.size() < wanted)) {
        const std::pair<Duration, int> packet = nextPacket();
        if (packet.first > until)
            return;
        m_answers.append(m_inAdapter.left(packet.second));
        m_arrivals.insert(m_arrivals.size(), packet.second, packet.first);
        m_inAdapter.remove(0, packet.second);
        m_adapterArrivals.remove(0, packet.second);
        m_lastPacket = packet.first;
    }
}

// All count bytes when the last of them arrives before the timeout; else
// what arrived until then, and the clock stands at the timeout.
QByteArray SimulatorLink::read(int count, int timeoutMs)
{
    if (count <= 0)
        return QByteArray();
    collectOutput();
    const Duration deadline = m_now + std::chrono::milliseconds(qMax(0, timeoutMs));
    deliver(deadline, count);
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
    collectOutput();
    deliver(m_now, -1);
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
