#ifndef QUELMRUNNER_BRIDGESTATUS_H
#define QUELMRUNNER_BRIDGESTATUS_H

#include "quelmrunner_global.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

class Link;

// The bridge's I2C status register (I2CStat, 0x0A): after every "S"
// transaction it tells whether the part acknowledged.
namespace BridgeStatus {

enum Code : quint8 {
    Ok = 0xF0,
    NackOnAddress = 0xF1,
    NackOnData = 0xF2,
    TimeOut = 0xF8
};

constexpr quint8 Register = 0x0A;

// "R", 0x0A, "P": one byte is answered.
QUELMRUNNER_EXPORT QByteArray readCommand();
// "no acknowledge on the address", ... ; "unknown status" for other values.
QUELMRUNNER_EXPORT QString text(int status);
// "0xF1"
QUELMRUNNER_EXPORT QString hexByte(int value);
// Sends the status read and waits for its byte: the status, or -1 when the
// bridge does not answer.
QUELMRUNNER_EXPORT int read(Link* link, int timeoutMs);

// What a command string does on the bus, found by walking its commands:
// the address of its first "S" transaction (bit 0 cleared, -1 for none) and
// the last value it writes to the GPIO port (-1 for none).
struct QUELMRUNNER_EXPORT CommandShape
{
    int address = -1;
    int gpio = -1;

    static CommandShape of(const QByteArray& command);
};

} // namespace BridgeStatus

#endif // QUELMRUNNER_BRIDGESTATUS_H
