#ifndef QUELMDEVICES_SC18IM700_H
#define QUELMDEVICES_SC18IM700_H

#include "i2cbuscontroller.h"

// The bridge's serial protocol: each command character and the facts of its
// register image. Every command string ends with Stop.
namespace SC18IM700Protocol {
constexpr char Start = 'S';            // I2C start, or repeated start inside a string
constexpr char Stop = 'P';             // ends every command string
constexpr char ReadRegisters = 'R';    // read internal registers: register numbers follow
constexpr char WriteRegisters = 'W';   // write internal registers: number/value pairs follow
constexpr char ReadGpio = 'I';         // read the GPIO port: one byte is answered
constexpr char WriteGpio = 'O';        // write the GPIO port: the value follows
constexpr unsigned char ReadBit = 0x01; // set in the address byte of a read phase
constexpr int InternalRegisterCount = 11; // registers 0x00 to 0x0A
constexpr int GpioImageIndex = 12;     // where the GPIO answer lands in the receive buffer
}

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
