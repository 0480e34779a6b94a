#ifndef QUELMRUNNER_SIMULATORLINK_H
#define QUELMRUNNER_SIMULATORLINK_H

#include "link.h"

class BridgeSimulator;

// A link to a simulator in the same process: what is written is fed to it at
// once, so its answer is there before the read. It never waits.
class QUELMRUNNER_EXPORT SimulatorLink : public Link
{
public:
    // The simulator is not owned and must outlive the link.
    explicit SimulatorLink(BridgeSimulator* simulator);

    bool write(const QByteArray& bytes) override;
    QByteArray read(int count, int timeoutMs) override;
    void discardInput() override;

private:
    BridgeSimulator* m_simulator;
    QByteArray m_answers;
};

#endif // QUELMRUNNER_SIMULATORLINK_H
