#ifndef QUELMRUNNER_BRIDGESTATUS_H
#define QUELMRUNNER_BRIDGESTATUS_H

#include "quelmrunner_global.h"

#include <sc18im700protocol.h>

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QString>

class Link;

// Talking to the bridge about its state: its I2C status register (I2CStat,
// 0x0A), which after every "S" transaction tells whether the part
// acknowledged, and its power-on announcement. The status codes, their
// texts and the status read itself are SC18IM700Protocol's.
namespace BridgeStatus {

// Sends the status read and waits for its byte: the status, or -1 when the
// bridge does not answer.
QUELMRUNNER_EXPORT int read(Link* link, int timeoutMs);
// After power-on or a reset the bridge says "OK" at 9600 baud: waits that
// long for it. True when those two bytes came; whatever came is read.
QUELMRUNNER_EXPORT bool readAnnouncement(Link* link, int timeoutMs);
// The two bytes of the announcement follow each other on the line; a USB
// adapter's latency timer (16 ms by default) may hand them over apart.
constexpr int AnnouncementGapMs = 20;
// Whether a byte read as an answer was the start of the announcement: it is
// 'O' and 'K' follows within the gap (then read).
QUELMRUNNER_EXPORT bool announcementStarted(Link* link, int answer);

// What a command string does on the bus, found by walking its commands:
// the address of its first "S" transaction (bit 0 cleared, -1 for none) and
// the last value it writes to the GPIO port (-1 for none), every write
// phase with the bytes it sends after the address, and the I2C clock
// periods of its transactions.
struct QUELMRUNNER_EXPORT CommandShape
{
    struct Write
    {
        int address;
        QByteArray bytes;
    };

    int address = -1;
    int gpio = -1;
    QList<Write> writes;
    int i2cClocks = 0;

    static CommandShape of(const QByteArray& command);
};

} // namespace BridgeStatus

#endif // QUELMRUNNER_BRIDGESTATUS_H
