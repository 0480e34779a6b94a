#ifndef QUELMSTUDIO_BUSWORKER_H
#define QUELMSTUDIO_BUSWORKER_H

#include <transport.h>

#include <QtCore/QObject>
#include <QtCore/QStringList>
#include <QtCore/QThread>

#include <atomic>
#include <functional>
#include <memory>

// The window's link to the bridge: a thread of its own that opens the
// transport and does every piece of bus work, so that the window keeps
// drawing while a slow port works. Jobs run one after another in the order
// posted; each one's continuation runs afterwards on the worker's own
// (the window's) thread. The transport is touched only on the bus thread,
// where a serial port has to live.
class BusWorker : public QObject
{
    Q_OBJECT

public:
    using Job = std::function<void(Transport* transport)>;

    // How an open went: the error line (empty when the transport opened),
    // and the bridge's rate and I2C clock.
    struct Opened
    {
        QString error;
        qint32 baudRate = 0;
        BridgeSetup::ClockRegisters i2cClock{0, 0};
    };

    explicit BusWorker(QObject* parent = nullptr);
    ~BusWorker() override;

    // Runs job on the bus thread with the open transport (null when there
    // is none), then done on this object's thread.
    void post(const Job& job, const std::function<void()>& done = {});
    // Replaces the transport; every line it says comes as note(), now and
    // whenever it sets the bridge up again.
    void open(const TransportOptions& options, const QString& descriptionFile,
              const std::function<void(const Opened& opened)>& done);

    // Closes the transport (saving the simulator's state) and drops it;
    // done has the line of a failed save, else nothing.
    void close(const std::function<void(const QString& error)>& done);

    // Where the jobs run.
    QThread* busThread() { return &m_thread; }

    // Makes the running job's link refuse to send, from any thread: a run
    // stops before its next command, and every later job's runs at once.
    void requestStop() { m_stop = true; }
    // Lets the jobs posted after it send again.
    void clearStop() { m_stop = false; }

signals:
    // A line the transport said, on the bus thread.
    void note(const QString& line);

private:
    QThread m_thread;
    std::unique_ptr<QObject> m_context; // lives on m_thread
    std::unique_ptr<Transport> m_transport;
    std::atomic_bool m_stop{false};
};

#endif // QUELMSTUDIO_BUSWORKER_H
