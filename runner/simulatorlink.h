#ifndef QUELMRUNNER_SIMULATORLINK_H
#define QUELMRUNNER_SIMULATORLINK_H

#include "link.h"

#include <QtCore/QVector>

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
class QUELMRUNNER_EXPORT SimulatorLink : public Link
{
public:
    // The simulator is not owned and must outlive the link.
    explicit SimulatorLink(BridgeSimulator* simulator);

    bool write(const QByteArray& bytes) override;
    QByteArray read(int count, int timeoutMs) override;
    // Drops the answer bytes that have arrived by now.
    void discardInput() override;
    // Moves the clock on until the bridge has taken the last byte written.
    bool drain() override;
    qint32 baudRate() const override { return m_baudRate; }
    bool setBaudRate(qint32 rate) override;

    Duration now() const override { return m_now; }
    void wait(Duration time) override;

    // Whether the simulated bridge understands the link's rate.
    bool ratesMatch() const;

private:
    BridgeSimulator* m_simulator;
    QByteArray m_answers;
    QVector<Duration> m_arrivals; // when each byte of m_answers arrives
    qint32 m_baudRate;
    Duration m_now{0};
};

#endif // QUELMRUNNER_SIMULATORLINK_H
