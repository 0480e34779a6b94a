#ifndef QUELMDEVICES_I2CBUSCONTROLLER_H
#define QUELMDEVICES_I2CBUSCONTROLLER_H

#include "device.h"

//! The bus master: a device that encodes every kind of bus transaction as a
//! command string. It only encodes; the host sends the strings.
//!
//! SC18IM700 is the one this library has. Addresses are 8-bit bus
//! addresses (the 7-bit I2C address shifted left, bit 0 clear); a read sets
//! bit 0 itself.
class QUELMDEVICES_EXPORT I2CBusController : public Device
{
    Q_OBJECT

public:
    //! A bus master named \a name, owned by \a parent.
    I2CBusController(const QString& name, QObject* parent = nullptr);

    //! Reads \a count bytes from the part at \a address without a register.
    virtual QByteArray readExternalDevice(const unsigned char& address, const unsigned char& count) = 0;
    //! Writes register \a reg to the part, then reads \a count bytes.
    virtual QByteArray readExternalDevice(const unsigned char& address, const unsigned char& reg,
                                          const unsigned char& count) = 0;
    //! Writes the register bytes \a reg to the part, then reads \a count bytes.
    virtual QByteArray readExternalDevice(const unsigned char& address, const QByteArray& reg,
                                          const unsigned char& count) = 0;
    //! Writes \a data to the part as it is.
    virtual QByteArray writeExternalDevice(const unsigned char& address, const QByteArray& data) = 0;
    //! Writes register \a reg, then \a data, to the part.
    virtual QByteArray writeExternalDevice(const unsigned char& address, const unsigned char& reg,
                                           const QByteArray& data) = 0;
    //! Reads the bus master's GPIO port.
    virtual QByteArray readGpio() = 0;
    //! Sets the bus master's GPIO port to \a value.
    virtual QByteArray writeGpio(const unsigned char& value) = 0;
    //! Reads every internal register of the bus master.
    virtual QByteArray readInternalRegisters() = 0;
    //! Writes register number and value pairs, \a count bytes from \a bytes
    //! (a negative count: up to the terminating zero).
    virtual QByteArray writeInternalRegister(const char* bytes, const int& count) = 0;
    //! Writes the register number and value pairs of \a bytes.
    virtual QByteArray writeInternalRegister(const QByteArray& bytes) = 0;
};

#endif // QUELMDEVICES_I2CBUSCONTROLLER_H
