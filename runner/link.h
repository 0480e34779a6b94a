#ifndef QUELMRUNNER_LINK_H
#define QUELMRUNNER_LINK_H

#include "quelmrunner_global.h"

#include <sc18im700protocol.h>

#include <QtCore/QByteArray>
#include <QtCore/QElapsedTimer>
#include <QtCore/QString>

#include <chrono>

// A USB-serial adapter between the host and the bridge, modelled on FTDI's
// (application note AN232B-04, FTDI's knowledge base; USB 2.0 for the frame):
// the bytes the bridge sends gather in the adapter, which hands them to the
// host when a packet's worth has gathered (64-byte packets, 2 of them status)
// or its latency timer has run out since it last sent (16 ms by default, 1 ms
// once the host asks for low latency), in the host's 1 ms USB frames.
struct UsbAdapter
{
    std::chrono::microseconds latencyTimer{16000};
    int packetBytes = 62;
    std::chrono::microseconds frame{1000};
};

// The serial connection to the bridge, as the command runner sees it.
class QUELMRUNNER_EXPORT Link
{
public:
    using Duration = SC18IM700Protocol::Duration;

    Link();
    virtual ~Link();

    // False, with errorString() set, when the bytes could not be sent.
    virtual bool write(const QByteArray& bytes) = 0;
    // Up to count bytes: all of them, or what arrived before the timeout.
    // Bytes beyond count stay for the next read.
    virtual QByteArray read(int count, int timeoutMs) = 0;
    // Forgets whatever arrived and was not read yet.
    virtual void discardInput() = 0;

    // Blocks until every byte written has left the host. False, with
    // errorString() set, when that cannot be waited for.
    virtual bool drain();
    // How long after drain() the last byte written may still take to reach
    // the bridge: nothing for a link whose drain() waits until it has, or a
    // port on the board's own UART; behind a USB adapter, one USB frame and
    // the line time of a receive FIFO's worth of bytes still in the
    // adapter (the runner never has more unconfirmed), which is the default.
    virtual Duration drainUncertainty() const;
    // How long a write may wait before its first byte goes on the line,
    // behind the bytes written before it: a USB adapter's frame, which is
    // the default; nothing for a port on the board's own UART.
    virtual Duration sendLatency() const;
    // The host side's rate; 0 for a link that has none.
    virtual qint32 baudRate() const;
    // Moves the host side to another rate. False, with errorString() set,
    // for a link without a rate or a rate the port refuses.
    virtual bool setBaudRate(qint32 rate);
    // One byte on the host's side at its rate; zero for a link without one.
    Duration byteTime() const;
    // One byte at the fastest and at the slowest rate the bridge still
    // understands at the host's (SC18IM700Protocol::RateTolerance): the
    // least and the most time counted bytes took on the line.
    Duration fastestByteTime() const;
    Duration slowestByteTime() const;

    // The link's clock: the time elapsed since the link was made, real for
    // a port, the simulator's own in process (which never sleeps).
    virtual Duration now() const;
    // Lets the time pass on the link's clock.
    virtual void wait(Duration time);

    QString errorString() const { return m_errorString; }

protected:
    void setErrorString(const QString& text) { m_errorString = text; }

private:
    QString m_errorString;
    QElapsedTimer m_clock;
};

#endif // QUELMRUNNER_LINK_H
