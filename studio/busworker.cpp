#include "busworker.h"

#include <QtCore/QMetaObject>

BusWorker::BusWorker(QObject* parent)
    : QObject(parent)
    , m_context(std::make_unique<QObject>())
{
    m_thread.setObjectName(QStringLiteral("bus"));
    m_context->moveToThread(&m_thread);
    m_thread.start();
}

BusWorker::~BusWorker()
{
    // A long run on a port ends at its next command; the transport (and a
    // serial port in it) is destroyed on the thread that made it.
    requestStop();
    QMetaObject::invokeMethod(m_context.get(), [this] { m_transport.reset(); },
                              Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void BusWorker::post(const Job& job, const std::function<void()>& done)
{
    QMetaObject::invokeMethod(m_context.get(), [this, job, done] {
        job(m_transport.get());
        if (done)
            QMetaObject::invokeMethod(this, done, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

void BusWorker::open(const TransportOptions& options, const QString& descriptionFile,
                     const std::function<void(const Opened& opened)>& done)
{
    auto opened = std::make_shared<Opened>();
    TransportOptions guarded = options;
    guarded.stop = &m_stop;
    post([this, guarded, descriptionFile, opened](Transport*) {
        m_transport.reset(); // releases the port or the state file first
        m_transport = Transport::open(guarded, descriptionFile,
                                      [this](Transport::Note, const QString& line) { emit note(line); },
                                      &opened->error);
        if (m_transport) {
            opened->baudRate = m_transport->baudRate();
            opened->i2cClock = m_transport->i2cClock();
        }
    }, [opened, done] { done(*opened); });
}

void BusWorker::close(const std::function<void(const QString& error)>& done)
{
    auto error = std::make_shared<QString>();
    post([this, error](Transport* transport) {
        if (transport)
            transport->close(error.get());
        m_transport.reset();
    }, [error, done] { done(*error); });
}
