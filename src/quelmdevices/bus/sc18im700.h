#ifndef QUELMDEVICES_SC18IM700_H
#define QUELMDEVICES_SC18IM700_H

#include "i2cbuscontroller.h"
#include "sc18im700protocol.h"

//! The SC18IM700 UART-to-I2C bridge: encodes every bus transaction in its
//! serial protocol (SC18IM700Protocol) and holds its register image.
//!
//! The host creates the bridge and gives it to the board that carries it;
//! the board's parent owns it. The static encoders need no object:
//! \code
//! auto* bridge = new SC18IM700(QStringLiteral("bridge"), mainBoard);
//! mainBoard->setBusController(bridge);
//!
//! // Read 8 bytes from register 0x08 of the EEPROM at 0xA0:
//! // "S" A0 01 08 "S" A1 08 "P", that is 53 A0 01 08 53 A1 08 50.
//! const QByteArray read = SC18IM700::readExternalDeviceCommands(0xA0, 0x08, 8);
//! \endcode
//! Its receive buffer is the register image: read page 0 is the 11 internal
//! registers from 0, every other read page the GPIO port's byte at 12. It has
//! no write pages.
class QUELMDEVICES_EXPORT SC18IM700 : public I2CBusController
{
    Q_OBJECT

public:
    //! A bridge named \a name, owned by \a parent; its receive buffer cleared.
    SC18IM700(const QString& name, QObject* parent = nullptr);

    //! "S", address with bit 0 set, count, "P": reads \a count bytes.
    static QByteArray readExternalDeviceCommands(const unsigned char& address, const unsigned char& count);
    //! "S", address, 1, reg, "S", address with bit 0 set, count, "P": reads
    //! \a count bytes from register \a reg.
    static QByteArray readExternalDeviceCommands(const unsigned char& address, const unsigned char& reg,
                                                 const unsigned char& count);
    //! "S", address, the number of register bytes, the register bytes, "S",
    //! address with bit 0 set, count, "P".
    static QByteArray readExternalDeviceCommands(const unsigned char& address, const QByteArray& reg,
                                                 const unsigned char& count);
    //! "S", address, the number of data bytes, the data, "P".
    static QByteArray writeExternalDeviceCommands(const unsigned char& address, const QByteArray& data);
    //! "I", "P": the bridge answers the GPIO port's byte.
    static QByteArray readGpioCommands();
    //! "O", value, "P": sets the GPIO port.
    static QByteArray writeGpioCommands(const unsigned char& value);
    //! "R", registers 0x00 to 0x0A, "P": the bridge answers 11 bytes.
    static QByteArray readInternalRegistersCommand();
    //! "W", the register number and value pairs, "P".
    static QByteArray writeInternalRegisterCommand(const QByteArray& bytes);

    //! readExternalDeviceCommands(address, count).
    QByteArray readExternalDevice(const unsigned char& address, const unsigned char& count) override;
    //! readExternalDeviceCommands(address, reg, count).
    QByteArray readExternalDevice(const unsigned char& address, const unsigned char& reg,
                                  const unsigned char& count) override;
    //! readExternalDeviceCommands(address, reg, count) with register bytes.
    QByteArray readExternalDevice(const unsigned char& address, const QByteArray& reg,
                                  const unsigned char& count) override;
    //! writeExternalDeviceCommands(address, data).
    QByteArray writeExternalDevice(const unsigned char& address, const QByteArray& data) override;
    //! "S", address, the number of data bytes plus one, reg, the data, "P".
    QByteArray writeExternalDevice(const unsigned char& address, const unsigned char& reg,
                                   const QByteArray& data) override;
    //! readGpioCommands().
    QByteArray readGpio() override;
    //! writeGpioCommands(value).
    QByteArray writeGpio(const unsigned char& value) override;
    //! readInternalRegistersCommand().
    QByteArray readInternalRegisters() override;
    //! writeInternalRegisterCommand() of \a count bytes from \a bytes (a
    //! negative count: up to the terminating zero).
    QByteArray writeInternalRegister(const char* bytes, const int& count) override;
    //! writeInternalRegisterCommand(bytes).
    QByteArray writeInternalRegister(const QByteArray& bytes) override;

    //! "SC18IM700".
    QString partName() const override;
    //! 2: the register image and the GPIO byte.
    int readPages() const override;
    //! 0: nothing is written to the bridge through pages.
    int writePages() const override;
    //! 11 for page 0, else 1.
    int readPageSize(const int& page) const override;
    //! 0.
    int writePageSize(const int& page) const override;
    //! 0 for page 0, else 12.
    int readPageAddress(const int& page) const override;
    //! 0.
    int writePageAddress(const int& page) const override;
    //! 12.
    int memorySize() const override;

    //! The text register report: the registers and the GPIO byte, received
    //! and wanted.
    QTextStream& output(QTextStream& stream) const override;
    //! The HTML register report; its rows are never marked as differing.
    QTextStream& toHtml(QTextStream& stream) const override;
};

#endif // QUELMDEVICES_SC18IM700_H
