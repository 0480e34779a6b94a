#ifndef QUELMRUNNER_SIMULATORLINK_H
#define QUELMRUNNER_SIMULATORLINK_H

#include "link.h"

class BridgeSimulator;

// A link to a simulator in the same process: what is written is fed to it at
// once, so its answer is there before the read. It never waits.
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
    void discardInput() override;
    qint32 baudRate() const override { return m_baudRate; }
    bool setBaudRate(qint32 rate) override;

    // Whether the simulated bridge understands the link's rate.
    bool ratesMatch() const;

private:
    BridgeSimulator* m_simulator;
    QByteArray m_answers;
    qint32 m_baudRate;
};

#endif // QUELMRUNNER_SIMULATORLINK_H
