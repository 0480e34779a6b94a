#ifndef QUELM_SIMULATOR_PTYSERVER_H
#define QUELM_SIMULATOR_PTYSERVER_H

#include <bridgesimulator.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QTimer>
#include <QtCore/QString>

#include <deque>

class QSocketNotifier;
class SimulatorState;

// Serves a simulator on a pseudo-terminal: a serial client opens
// devicePath() and talks to it as to the bridge on a real port.
class PtyServer : public QObject
{
    Q_OBJECT

public:
    // Runs the simulator in real time: input is taken when it arrives and
    // each byte the bridge sends (answers, its "OK" at start and after a
    // restart) leaves when the bridge would have sent it; a byte that finds
    // the terminal at another rate than the bridge's is lost, as input is.
    // Neither the simulator nor the state is owned. The state, when there
    // is one, receives the simulator's after every chunk of input.
    PtyServer(BridgeSimulator* simulator, const SimulatorState* state, bool verbose,
              QObject* parent = nullptr);
    ~PtyServer() override;

    // False, with errorString() set, when no pseudo-terminal can be had. The
    // terminal starts at the bridge's power-on 9600 baud.
    bool open();
    QString devicePath() const { return m_devicePath; }
    QString errorString() const { return m_errorString; }

private:
    void serve();
    qint32 clientBaudRate() const;
    bool ratesMatch() const;
    bool fail(const QString& what);
    bool writeAll(const QByteArray& bytes);
    BridgeSimulator::Duration elapsed() const;
    void schedule(const QByteArray& bytes, const QVector<BridgeSimulator::Duration>& times);
    void sendDueAnswers();
    void report();

    // Answer bytes wait here until the time the bridge would have sent them.
    struct PendingByte
    {
        char byte;
        BridgeSimulator::Duration due;
    };

    BridgeSimulator* m_simulator;
    const SimulatorState* m_state;
    bool m_verbose;
    int m_master = -1;
    // Held open so that the terminal stays raw and the master never sees a
    // hang-up between two clients.
    int m_slave = -1;
    QSocketNotifier* m_notifier = nullptr;
    QElapsedTimer m_clock;
    QTimer m_answerTimer;
    std::deque<PendingByte> m_pending;
    QString m_devicePath;
    QString m_errorString;
};

#endif // QUELM_SIMULATOR_PTYSERVER_H
