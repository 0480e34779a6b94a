#ifndef QUELMRUNNER_SIMULATORLINK_H
#define QUELMRUNNER_SIMULATORLINK_H

#include "link.h"

#include <QtCore/QVector>

#include <optional>

class BridgeSimulator;

// A link to a simulator in the same process, on the simulator's virtual
// clock: what is written is fed to it at once with the time it was sent; an
// answer byte can be read once the clock has reached the time it arrives,
// and a read moves the clock on to that time (or to its timeout). Waiting
// moves the clock without sleeping, so a run takes no longer than its CPU
// work, and the clock says how long it would have taken on the wire.
//
// The link has a baud rate of its own, 9600 at first. While it differs from
// the rate the simulated bridge's baud-rate registers give, neither side
// understands the other: what is written is lost and nothing is answered.
// The "OK" the bridge sends at power-on and after a restart comes at 9600
// baud: the link hears it at that rate only.
//
// Without an adapter (the default) the host reads each byte as it arrives.
// With one, answer bytes wait in the adapter as UsbAdapter describes; the
// adapter's timer restarts with each packet it sends, its first period from
// when the link was made. Writes leave the host in the next USB frame (at
// the next whole frame on the link's clock), and then at the line's pace
// behind the bytes before them.
class QUELMRUNNER_EXPORT SimulatorLink : public Link
{
public:
    // The simulator is not owned and must outlive the link. The link's clock
    // starts where the simulator's stands. What the bridge has sent on its
    // own so far (its power-on "OK") is on its way.
    explicit SimulatorLink(BridgeSimulator* simulator);

    std::optional<UsbAdapter> adapter() const { return m_adapter; }
    void setAdapter(const std::optional<UsbAdapter>& adapter);

    bool write(const QByteArray& bytes) override;
    QByteArray read(int count, int timeoutMs) override;
    // Drops the answer bytes that have reached the host by now.
    void discardInput() override;
    // Moves the clock on until the bridge has taken the last byte written.
    bool drain() override;
    Duration drainUncertainty() const override { return Duration(0); }
    Duration sendLatency() const override;
    qint32 baudRate() const override { return m_baudRate; }
    bool setBaudRate(qint32 rate) override;

    Duration now() const override { return m_now; }
    void wait(Duration time) override;

    // Whether the simulated bridge understands the link's rate.
    bool ratesMatch() const;

private:
    void collectOutput();
    void arrive(const QByteArray& bytes, const QVector<Duration>& times);
    void deliver(Duration until, int wanted);
    std::pair<Duration, int> nextPacket() const;
    Duration frameAfter(Duration time) const;

    BridgeSimulator* m_simulator;
    // Bytes the host can read, and when each reaches it.
    QByteArray m_answers;
    QVector<Duration> m_arrivals;
    // Bytes in the adapter, and when each came off the line.
    QByteArray m_inAdapter;
    QVector<Duration> m_adapterArrivals;
    std::optional<UsbAdapter> m_adapter;
    Duration m_lastPacket{0};
    qint32 m_baudRate;
    Duration m_now{0};
};

#endif // QUELMRUNNER_SIMULATORLINK_H
