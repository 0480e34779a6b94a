#ifndef QUELMBENCH_WIREFLOOR_H
#define QUELMBENCH_WIREFLOOR_H

#include <link.h>

#include <QtCore/QByteArray>
#include <QtCore/QList>

#include <memory>
#include <optional>
#include <vector>

class Device;
class DeviceCommand;

// The least time any host could take to run command lists on the bridge,
// worked out from the bridge's and the parts' timing instead of measured: a
// host that knows when every byte arrives, every transaction ends and every
// part's write cycle is over, and never waits a moment longer than it must.
//
// The timing is the simulator's: each byte takes its line time, and with a
// USB adapter leaves the host in the next 1 ms frame and comes back at the
// first expiry of the adapter's latency timer after it arrived (the timer
// runs from when the link was made); a string runs once its last byte has
// arrived and the bridge is done with the one before, for its I2C clocks; a
// part whose non-volatile memory was written does not acknowledge its
// address until its typical cycle is over; answer bytes leave one after
// another, and the bridge waits while more than its transmit FIFO's 16 are
// still to leave.
//
// Two floors:
// - streaming: any number of commands queued in the bridge, no adapter and
//   no transmit FIFO: every byte goes as soon as the line is free, the last
//   byte of a command to a part in its cycle just so late that the bridge
//   reaches the part's address as the cycle ends. Nothing a host does can
//   make a byte, a transaction or a cycle shorter, and the order of the list
//   is fixed, so no host is faster.
// - FIFO-safe: the same, but never more bytes in the bridge than its 16-byte
//   receive FIFO holds, counted from the last string whose answer the host
//   has seen in full, on the same link (same adapter). The host may send any
//   byte as soon as that rule lets it, even part of a string, and may add
//   the cheapest string the bridge answers ("I", "P", 2 bytes, 1 answered)
//   after any command. See WireFloor::fifoSafe() for why nothing beats it.
class WireFloor
{
public:
    using Duration = Link::Duration;

    struct Timing
    {
        Duration byteTime;   // one byte on the line at the bridge's rate
        Duration clockPeriod; // one I2C clock period
        Duration start;      // when the host may send the first byte
        Duration adapterOrigin; // when the adapter's latency timer started
        std::optional<UsbAdapter> adapter;
    };

    // One string of a list as the floor sees it.
    struct Step
    {
        QByteArray bytes;
        int answer = 0;
        int clocks = 0;
        qint64 place = -1;       // bus << 8 | address of its first transaction
        QList<qint64> cycles;    // the parts whose write cycle it starts
        QList<Duration> lengths; // and how long each takes
    };

    // The lists' strings, the bus segment followed through the GPIO port
    // writes, each write cycle as the part types' table gives it.
    static std::vector<Step> stepsOf(const std::vector<QList<DeviceCommand*>>& lists,
                                     const QList<Device*>& devices);

    struct Result
    {
        Duration time{0};
        // Every byte sent and when the host handed it to the link, for a
        // replay on the simulator; the confirming reads included.
        QByteArray bytes;
        std::vector<Duration> sendTimes;
        int answerBytes = 0;
        int confirmingReads = 0;
        QString error;
    };

    static Result streaming(const std::vector<Step>& steps, Timing timing);
    static Result fifoSafe(const std::vector<Step>& steps, const Timing& timing);

private:
    class Schedule;
};

#endif // QUELMBENCH_WIREFLOOR_H
