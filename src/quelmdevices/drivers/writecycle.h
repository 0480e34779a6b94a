#ifndef QUELMDEVICES_WRITECYCLE_H
#define QUELMDEVICES_WRITECYCLE_H

#include "device.h"
#include "sc18im700protocol.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>

//! A part's non-volatile write: which writes start one and how long it
//! takes. A write that stores into non-volatile memory starts the part's
//! internal write cycle at its stop; until the cycle is over the part does
//! not acknowledge its address. Each part type with a driver has a line in
//! the library's part table, with the data sheet's times and where they
//! come from. The bridge simulator takes the typical time; the command
//! runner waits for the data sheet's maximum at most.
//! \code
//! const WriteCycle* cycle = WriteCycle::of(Device::CAT24AA02);   // 5 ms, typical and maximum
//! cycle->startsWith(QByteArray::fromHex("08A1A2"));   // true: two bytes from register 0x08
//! cycle->startsWith(QByteArray::fromHex("08"));       // false: the pointer of a read alone
//! \endcode
struct QUELMDEVICES_EXPORT WriteCycle
{
    //! Time as the bridge's facts count it.
    using Duration = SC18IM700Protocol::Duration;

    //! An inclusive run of register addresses or instruction bytes.
    struct Range
    {
        quint8 first; //!< the first in the run
        quint8 last;  //!< the last in the run, included

        //! Whether \a value lies from first to last.
        bool contains(int value) const { return value >= first && value <= last; }
    };

    //! How the first byte of a write is read.
    enum class Addressing {
        Register,   //!< a register pointer; the data bytes follow it
        Instruction //!< an instruction byte; its operands follow it
    };

    Device::DeviceTypes type; //!< the part type
    Duration typical;         //!< the typical cycle time; the maximum where the data sheet gives no typical
    Duration maximum;         //!< the data sheet's maximum cycle time
    Addressing addressing;    //!< what the first byte written is
    //! Register: the addresses whose write programs memory. Instruction: the
    //! instruction bytes that program memory, with `operand` the value their
    //! first operand must have.
    QList<Range> programs;
    int operand; //!< the first operand a programming instruction needs; -1: any, none needed
    //! Register: addresses that are non-volatile only while the part shadows
    //! them in EEPROM (the DS4520's SEE bit clear, its power-on setting).
    QList<Range> shadowed;
    const char* source; //!< where the numbers come from: the data sheet and its table

    //! The line of a type; null for a type that has none (the bridge, the
    //! M25P40, a number outside Device::DeviceTypes). Every type with a driver
    //! has one.
    static const WriteCycle* of(int type);
    //! Every line, in type order.
    static const QList<WriteCycle>& table();

    //! Whether a write phase, the bytes after the address byte, starts a
    //! cycle. Register: a data byte lands at an address that programs (the
    //! pointer wraps at 0xFF), or at a shadowed one while \a shadowing.
    //! Instruction: the first byte programs and its operand is the one
    //! needed. Empty bytes start none.
    bool startsWith(const QByteArray& written, bool shadowing = true) const;
};

#endif // QUELMDEVICES_WRITECYCLE_H
