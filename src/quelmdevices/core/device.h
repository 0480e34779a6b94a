#ifndef QUELMDEVICES_DEVICE_H
#define QUELMDEVICES_DEVICE_H

#include "quelmdevices_global.h"

#include <QtCore/QByteArray>
#include <QtCore/QObject>
#include <QtCore/QString>

QT_BEGIN_NAMESPACE
class QTextStream;
QT_END_NAMESPACE

//! A part on the product's I2C bus, the bus master included: the base of
//! every driver. It mirrors the part's memory twice, both buffers indexed by
//! the part's own memory addresses: the receive buffer holds what was last
//! read from the part, the transmit buffer what the product wants it to
//! hold. Dirty always means that the two differ; there is no other
//! modification flag. A driver cuts the memory into numbered read pages and
//! write pages (readPageAddress(), readPageSize(), ...), which the command
//! lists of ProductInterface read and write one by one; the answer to a read
//! lands in the receive buffer at its page's start.
//!
//! A host makes the drivers with Subassembly::addDevice(), and the bridge
//! (SC18IM700) itself. A change to an EEPROM, before it is written:
//! \code
//! Device* header = board->addDevice(Device::CAT24AA02, 0, 0xA0, QStringLiteral("header"));
//! header->setTxData(0x10, QByteArray::fromHex("51450001"));   // what the product wants
//! header->writePageIsDirty(2);    // true: write page 2 is 0x10 to 0x17
//! header->rxData(0xFC, 8);        // 8 bytes: the buffer's last 4, then 4 zeros
//! \endcode
//!
//! Ownership: a device made by Subassembly::addDevice() has no parent, and
//! nothing in the library deletes it, neither its board nor the product nor
//! the commands and fields that point to it: the host deletes it, once no
//! command or field that names it is used any more. The bus master belongs
//! to the parent the host gives it.
//!
//! Out of range: positions beyond a buffer's end read as zeros (rxData(),
//! txData(), the page tests); a write beyond it grows the buffer, with zeros
//! in any gap. No operation reports an error.
class QUELMDEVICES_EXPORT Device : public QObject
{
    Q_OBJECT

public:
    //! The part types: the numbers Subassembly::addDevice() takes and
    //! deviceType() returns, fixed. deviceName() gives each one's part number.
    enum DeviceTypes {
        SC18IM700 = 0, //!< the bridge, the bus master: SC18IM700, which the host makes itself
        DS4520 = 1,    //!< the I/O expander: DS4520Device
        ISL22343 = 2,  //!< a quad digital potentiometer: ISL22343Device
        X95840 = 3,    //!< a quad digital potentiometer: X95840Device
        M25P40 = 4,    //!< named only: no driver, Subassembly::addDevice() makes nothing
        CAT24AA02 = 5, //!< the 256-byte EEPROM: CAT24AA02Device
        AD5144A = 6,   //!< a quad digital potentiometer: AD5144ADevice
        X9408 = 7      //!< a quad digital potentiometer that is only written: X9408Device
    };

    //! A device on bus segment \a bus at the 8-bit bus address \a address
    //! (the I2C address shifted left, bit 0 clear), both kept in 8 bits,
    //! named \a name and owned by \a parent. Its type is -1 and both buffers
    //! and the pull-up enables are empty: a driver's constructor sets the
    //! type and clears the buffers to memorySize() zero bytes (the bus
    //! master its receive buffer only).
    Device(const int& bus, const int& address, const QString& name, QObject* parent = nullptr);

    //! The part type, a DeviceTypes value; -1 until a driver sets it.
    int deviceType() const { return m_deviceType; }
    //! The name the host gave the device; nothing in the library reads it.
    QString name() const { return m_name; }
    //! The bus segment the part sits on; the device order and the bus-select
    //! commands go by it.
    quint8 busNumber() const { return m_busNumber; }
    //! The part's 8-bit bus address, bit 0 clear; the bus master sets bit 0
    //! for a read.
    quint8 busAddress() const { return m_busAddress; }
    //! The pull-up enables: empty, except on the DS4520, whose two bytes are
    //! the values of its registers 0xF0 and 0xF1.
    QByteArray pullUpEnables() const { return m_pullUpEnables; }
    //! What was last read from the part, at its memory addresses.
    const QByteArray& rxBuffer() const { return m_rxBuffer; }
    //! What the product wants the part to hold, at its memory addresses.
    const QByteArray& txBuffer() const { return m_txBuffer; }

    //! The part number of the device's type, such as "CAT24AA02";
    //! "Device name not specified in device!!!" for a type outside
    //! DeviceTypes (-1 included).
    QString deviceName() const;
    //! The part number of \a type; for a value outside the table, the
    //! fallback text of deviceName().
    static QString deviceName(const DeviceTypes& type);

    //! Exactly \a count bytes of the receive buffer from \a offset on; a
    //! position at or beyond the buffer's end reads as 0, so rxData(250, 10)
    //! of a 256-byte buffer ends in four zeros.
    QByteArray rxData(const unsigned char& offset, const unsigned char& count) const;
    //! The same over the transmit buffer.
    QByteArray txData(const unsigned char& offset, const unsigned char& count) const;
    //! Writes \a bytes into the receive buffer from \a offset on; a buffer
    //! too short first grows to end with them, zeros in any gap. Empty
    //! \a bytes change nothing.
    void setRxData(const unsigned char& offset, const QByteArray& bytes);
    //! Replaces the whole receive buffer by \a bytes, whatever their length.
    void setRxData(const QByteArray& bytes);

    //! Whether the two buffers differ, in length or in any byte.
    bool isDirty() const;
    //! Whether the buffers differ anywhere in read page \a page
    //! (readPageSize() bytes from readPageAddress()); a position beyond
    //! either buffer's end reads as 0 there. False for a page of size 0.
    bool readPageIsDirty(const int& page) const;
    //! The same over write page \a page.
    bool writePageIsDirty(const int& page) const;

    //! \name I/O pins and ports
    //! The pin and port operations mean something only on the I/O expander
    //! (DS4520Device). \a source chooses the buffer a getter reads: 0 the
    //! receive buffer, any other value the transmit buffer. Setters change
    //! the transmit buffer only. Here, on every other part, the getters answer
    //! false or 0 and the setters do nothing.
    //! @{

    //! The state of pin \a pin in the buffer \a source selects: true when its
    //! bit is set.
    virtual bool ioPinState(const int& pin, const int& source) const;
    //! Whether pin \a pin's pull-up is enabled in the buffer \a source selects.
    virtual bool ioPinPullUpEnable(const int& pin, const int& source) const;
    //! The value of port \a port in the buffer \a source selects.
    virtual unsigned char ioPortValue(const int& port, const int& source) const;
    //! Sets or clears pin \a pin's state bit in the transmit buffer.
    virtual void setIoPinState(const int& pin, const bool& state);
    //! Enables or disables pin \a pin's pull-up.
    virtual void setIoPinPullUpEnable(const int& pin, const bool& enable);
    //! Sets port \a port to \a value in the transmit buffer.
    virtual void setIoPortValue(const int& port, const unsigned char& value);
    //! Replaces the pull-up enables, pullUpEnables(), and writes them into
    //! the registers that hold them.
    virtual void setPullUpEnables(const QByteArray& enables);
    //! @}

    //! Makes the receive buffer memorySize() zero bytes, whatever its length
    //! was. ProductInterface::readCommands() clears every device's when it
    //! builds the read list.
    virtual void clearRxData();
    //! Makes the transmit buffer memorySize() zero bytes, whatever its length
    //! was (the DS4520 keeps its pull-up registers).
    //! ProductInterface::eraseDeviceCommands() clears it before it writes.
    virtual void clearTxData();
    //! Writes \a bytes into the transmit buffer from \a offset on, growing it
    //! as setRxData(offset, bytes) does.
    virtual void setTxData(const unsigned char& offset, const QByteArray& bytes);
    //! Replaces the whole transmit buffer by \a bytes, whatever their length.
    virtual void setTxData(const QByteArray& bytes);

    //! The part number, such as "DS4520"; empty here.
    virtual QString partName() const;
    //! \name Pages
    //! How the memory is cut for reads and for writes. Pages are numbered from
    //! 0; no page number is refused, and a number past the last follows the
    //! driver's rule (a CAT24AA02's page 32 starts at 256, past its memory).
    //! Addresses and sizes are kept in 8 bits on their way to the encoder.
    //! @{

    //! The number of read pages.
    virtual int readPages() const = 0;
    //! The number of write pages.
    virtual int writePages() const = 0;
    //! The size of read page \a page, in bytes.
    virtual int readPageSize(const int& page) const = 0;
    //! The size of write page \a page, in bytes.
    virtual int writePageSize(const int& page) const = 0;
    //! The memory address where read page \a page starts.
    virtual int readPageAddress(const int& page) const = 0;
    //! The memory address where write page \a page starts.
    virtual int writePageAddress(const int& page) const = 0;
    //! The size of the part's memory image, in bytes: the length of both
    //! buffers after a clear.
    virtual int memorySize() const = 0;
    //! @}

    //! Writes the text register report, the receive buffer's section
    //! "[Rx Buffer]:" and then the transmit buffer's "[Tx Buffer]:", a line
    //! per register or range, bytes in upper-case hex; nothing here. Returns
    //! \a stream. A report does not restore the stream: a text report sets
    //! the number flags to QTextStream::UppercaseDigits alone, and most
    //! reports leave the integer base at 16, so the caller's later integers
    //! come out in hex until it sets Qt::dec.
    virtual QTextStream& output(QTextStream& stream) const;
    //! Writes the HTML register report, a table of class `device-table` with
    //! the columns Address, Description, Rx Buffer and Tx Buffer, and
    //! returns \a stream. Here only the table's head; a driver writes its
    //! rows after it and closes the table. A row whose received and wanted
    //! bytes differ has its address cell of class `diff` (never on the bus
    //! master). The number flags are left as they are, so hex addresses take
    //! the stream's digit case; like output(), a report whose addresses are
    //! numbers leaves the integer base at 16.
    virtual QTextStream& toHtml(QTextStream& stream) const;

protected:
    int m_deviceType = -1;     //!< the DeviceTypes value; set by the driver's constructor
    QString m_name;            //!< the host's name for the device
    QByteArray m_rxBuffer;     //!< the receive buffer
    QByteArray m_txBuffer;     //!< the transmit buffer
    quint8 m_busNumber;        //!< the bus segment
    quint8 m_busAddress;       //!< the 8-bit bus address
    QByteArray m_pullUpEnables; //!< the pull-up enables; only the DS4520 uses them

private:
    bool rangeDiffers(const int& address, const int& size) const;
};

#endif // QUELMDEVICES_DEVICE_H
