#ifndef QUELMDEVICES_WRITECYCLE_H
#define QUELMDEVICES_WRITECYCLE_H

#include "device.h"
#include "sc18im700protocol.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>

// A part's non-volatile write: which writes start one and how long it takes.
// A write that stores into non-volatile memory starts the part's internal
// write cycle at its stop; until the cycle is over the part does not
// acknowledge its address. Each part's line (parts.cpp) holds its cycle, used by
// the simulator (which takes the typical time) and by the command runner
// (which waits for the data sheet's maximum at most).
struct QUELMDEVICES_EXPORT WriteCycle
{
    using Duration = SC18IM700Protocol::Duration;

    // An inclusive run of register addresses or instruction bytes.
    struct Range
    {
        quint8 first;
        quint8 last;

        bool contains(int value) const { return value >= first && value <= last; }
    };

    // How the first byte of a write is read.
    enum class Addressing {
        Register,   // a register pointer; the data bytes follow it
        Instruction // an instruction byte; its operands follow it
    };

    Device::DeviceTypes type;
    Duration typical;
    Duration maximum;
    Addressing addressing;
    // Register: the addresses whose write programs memory. Instruction: the
    // instruction bytes that program memory, with `operand` the value their
    // first operand must have (-1: any, none needed).
    QList<Range> programs;
    int operand;
    // Register: addresses that are non-volatile only while the part shadows
    // them in EEPROM (the DS4520's SEE bit clear, its power-on setting).
    QList<Range> shadowed;
    const char* source; // where the numbers come from

    // The line of a type; null for a type that has none (the bridge, the
    // M25P40). Every type with a driver has one.
    static const WriteCycle* of(int type);
    static const QList<WriteCycle>& table();

    // Whether a write phase, the bytes after the address byte, starts a
    // cycle. Shadowed registers count while shadowing is on.
    bool startsWith(const QByteArray& written, bool shadowing = true) const;
};

#endif // QUELMDEVICES_WRITECYCLE_H
