#ifndef QUELMDEVICES_I2CBUSCONTROLLER_H
#define QUELMDEVICES_I2CBUSCONTROLLER_H

#include "device.h"

// The bus master: a device that encodes every kind of bus transaction as a
// command string. It only encodes; the host sends the strings.
class QUELMDEVICES_EXPORT I2CBusController : public Device
{
    Q_OBJECT

public:
    I2CBusController(const QString& name, QObject* parent = nullptr);

    virtual QByteArray readExternalDevice(const unsigned char& address, const unsigned char& count) = 0;
    virtual QByteArray readExternalDevice(const unsigned char& address, const unsigned char& reg,
                                          const unsigned char& count) = 0;
    virtual QByteArray readExternalDevice(const unsigned char& address, const QByteArray& reg,
                                          const unsigned char& count) = 0;
    virtual QByteArray writeExternalDevice(const unsigned char& address, const QByteArray& data) = 0;
    virtual QByteArray writeExternalDevice(const unsigned char& address, const unsigned char& reg,
                                           const QByteArray& data) = 0;
    virtual QByteArray readGpio() = 0;
    virtual QByteArray writeGpio(const unsigned char& value) = 0;
    virtual QByteArray readInternalRegisters() = 0;
    virtual QByteArray writeInternalRegister(const char* bytes, const int& count) = 0;
    virtual QByteArray writeInternalRegister(const QByteArray& bytes) = 0;
};

#endif // QUELMDEVICES_I2CBUSCONTROLLER_H
