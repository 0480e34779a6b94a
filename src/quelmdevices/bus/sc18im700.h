#ifndef QUELMDEVICES_SC18IM700_H
#define QUELMDEVICES_SC18IM700_H

#include "i2cbuscontroller.h"
#include "sc18im700protocol.h"

// The SC18IM700 UART-to-I2C bridge: encodes every bus transaction in its
// serial protocol (SC18IM700Protocol) and holds its register image.
class QUELMDEVICES_EXPORT SC18IM700 : public I2CBusController
{
    Q_OBJECT

public:
    SC18IM700(const QString& name, QObject* parent = nullptr);

    static QByteArray readExternalDeviceCommands(const unsigned char& address, const unsigned char& count);
    static QByteArray readExternalDeviceCommands(const unsigned char& address, const unsigned char& reg,
                                                 const unsigned char& count);
    static QByteArray readExternalDeviceCommands(const unsigned char& address, const QByteArray& reg,
                                                 const unsigned char& count);
    static QByteArray writeExternalDeviceCommands(const unsigned char& address, const QByteArray& data);
    static QByteArray readGpioCommands();
    static QByteArray writeGpioCommands(const unsigned char& value);
    static QByteArray readInternalRegistersCommand();
    static QByteArray writeInternalRegisterCommand(const QByteArray& bytes);

    QByteArray readExternalDevice(const unsigned char& address, const unsigned char& count) override;
    QByteArray readExternalDevice(const unsigned char& address, const unsigned char& reg,
                                  const unsigned char& count) override;
    QByteArray readExternalDevice(const unsigned char& address, const QByteArray& reg,
                                  const unsigned char& count) override;
    QByteArray writeExternalDevice(const unsigned char& address, const QByteArray& data) override;
    QByteArray writeExternalDevice(const unsigned char& address, const unsigned char& reg,
                                   const QByteArray& data) override;
    QByteArray readGpio() override;
    QByteArray writeGpio(const unsigned char& value) override;
    QByteArray readInternalRegisters() override;
    QByteArray writeInternalRegister(const char* bytes, const int& count) override;
    QByteArray writeInternalRegister(const QByteArray& bytes) override;

    QString partName() const override;
    int readPages() const override;
    int writePages() const override;
    int readPageSize(const int& page) const override;
    int writePageSize(const int& page) const override;
    int readPageAddress(const int& page) const override;
    int writePageAddress(const int& page) const override;
    int memorySize() const override;

    QTextStream& output(QTextStream& stream) const override;
    QTextStream& toHtml(QTextStream& stream) const override;
};

#endif // QUELMDEVICES_SC18IM700_H
