#ifndef QUELMSIM_RECEIVELINE_H
#define QUELMSIM_RECEIVELINE_H

#include <quelmdevices/sc18im700protocol.h>

#include <QtCore/QByteArray>
#include <QtCore/QVector>

#include <array>

//! The receive side of the bridge's UART, for BridgeSimulator: the bytes on
//! their way in, when each began and finished arriving, and the 16-byte
//! receive FIFO they wait in while the bridge is busy. It is installed only
//! because BridgeSimulator holds one; the simulator does not export it, and
//! a host has no use for it.
//!
//! A feed's bytes follow the command the bridge is assembling. Of these the
//! bridge has taken every byte before `parsed`; the bytes up to `decided`
//! are in, those after it still to come. A byte arriving while the bridge is
//! busy joins the FIFO unless it is full: 16 bytes not yet taken, counting
//! bytes of earlier commands that the bridge takes only when it is free. A
//! byte that does not fit is cut out of the stream; the line time it took
//! stays. A host follows the bridge to a new rate: a byte that begins before
//! the change goes at the old rate, every later one at the new.
class ReceiveLine
{
public:
    //! Time as the bridge's facts count it.
    using Duration = SC18IM700Protocol::Duration;

    //! A run of bytes the FIFO had no room for; count 0: none.
    struct Lost
    {
        int count;  //!< how many bytes were lost
        char first; //!< the first of them
    };

    //! The bytes of a feed, one after another from \a start on. Returns how
    //! many of them arrived before the last reset and went with the FIFO.
    int open(const QByteArray& bytes, Duration start);
    //! Keeps what the bridge has not taken for the next feed.
    void close();

    //! The bytes from the first the bridge has not taken, as a view that
    //! lasts until the next queue().
    QByteArray unread() const;
    //! The arrival of the \a index-th byte of unread().
    Duration arrival(int index) const { return m_arrivals.at(m_parsed + index); }
    //! Whether the bridge has taken every byte.
    bool atEnd() const { return m_parsed == m_stream.size(); }

    //! Lets the bytes that arrive before \a busyUntil into the FIFO, up to
    //! the first run that does not fit.
    Lost queue(Duration busyUntil);
    //! The bridge takes the next \a count bytes, none before \a notBefore.
    void take(int count, Duration notBefore);
    //! A reset at \a at empties the FIFO: the number of bytes lost with it.
    int clearFifo(Duration at);

    //! The size of the command the bridge is assembling, between feeds.
    int pendingSize() const { return m_stream.size() - m_parsed; }
    //! Drops the command the bridge is assembling.
    void discardPending();
    //! When the last byte fed arrived (or would have, when lost).
    Duration lineEnd() const { return m_lineEnd; }

    //! A new byte time from \a at on.
    void changeByteTime(Duration byteTime, Duration at);
    //! A new byte time with a new timing: the old ones are forgotten.
    void resetByteTime(Duration byteTime);
    //! The time a byte that begins at \a start takes on the line.
    Duration byteTimeAt(Duration start) const;

private:
    struct RateChange
    {
        Duration at;
        Duration byteTimeBefore;
    };

    void lineUp(int from, Duration start);
    int takenAfter(Duration time) const;

    QByteArray m_stream;
    QVector<Duration> m_starts;
    QVector<Duration> m_arrivals;
    int m_parsed = 0;
    int m_decided = 0;
    Duration m_lineEnd{0};
    Duration m_resetAt = Duration::min();
    Duration m_byteTime{0};
    QVector<RateChange> m_rateChanges;
    // When the last bytes the bridge took left the FIFO, oldest first.
    std::array<Duration, SC18IM700Protocol::ReceiveFifoSize> m_taken{};
    int m_takenCount = 0;
    int m_takenNext = 0;
};

#endif // QUELMSIM_RECEIVELINE_H
