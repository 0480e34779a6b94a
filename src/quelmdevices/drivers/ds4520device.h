#ifndef QUELMDEVICES_DS4520DEVICE_H
#define QUELMDEVICES_DS4520DEVICE_H

#include "pageddevice.h"

//! DS4520: 9-bit I/O expander with non-volatile memory (Device::DS4520),
//! 248 bytes read and written in nine pages of 8. Eight EEPROM pages, 0x00
//! to 0x3F, and a register page at 0xF0 that holds the pull-ups (0xF0/0xF1)
//! and the pin states (0xF2/0xF3), the configuration (0xF4) and three user
//! EEPROM bytes (0xF5 to 0xF7); 0x40 to 0xEF are kept in the buffers, but
//! no page covers them. DS4520Register names the addresses.
//!
//! Pins 0 to 7 are bit n of the "0" register of a pair; every pin number
//! above 7 means pin 8, bit 0 of the "1" register. The one port is pins 0
//! to 7, the byte at 0xF2, whatever port number is asked for. The pull-up
//! enables array (pullUpEnables(), 0xFF 0x01 when new: every pull-up on) is
//! the master copy of 0xF0/0xF1: clearing or replacing the transmit image
//! writes it back there. So a new DS4520 is dirty in page 8, where its
//! receive buffer holds zeros, until that page is written and read back.
//! IoPinField and IoPortField drive its pins and port.
class QUELMDEVICES_EXPORT DS4520Device : public PagedDevice
{
    Q_OBJECT

public:
    //! A DS4520 on \a bus at \a address, named \a name: every pull-up
    //! enabled, the receive buffer 248 zero bytes, the transmit buffer the
    //! same but for 0xFF and 0x01 at 0xF0 and 0xF1.
    DS4520Device(const int& bus, const int& address, const QString& name, QObject* parent = nullptr);

    //! 248 bytes; nine read and nine write pages of 8 bytes.
    const DeviceGeometry& geometry() const override;

    //! 8 * \a page, except page 8, the registers, at 0xF0.
    int readPageAddress(const int& page) const override;
    //! 8 * \a page, except page 8, the registers, at 0xF0.
    int writePageAddress(const int& page) const override;

    //! Bit \a pin of 0xF2 (above 7: bit 0 of 0xF3) in the buffer \a source
    //! selects; false for a negative pin.
    bool ioPinState(const int& pin, const int& source) const override;
    //! Bit \a pin of 0xF0 (above 7: bit 0 of 0xF1) in the buffer \a source
    //! selects; false for a negative pin.
    bool ioPinPullUpEnable(const int& pin, const int& source) const override;
    //! The byte at 0xF2 in the buffer \a source selects; \a port is not read.
    unsigned char ioPortValue(const int& port, const int& source) const override;
    //! Sets or clears bit \a pin of 0xF2 (above 7: bit 0 of 0xF3) in the
    //! transmit buffer; a negative pin changes nothing.
    void setIoPinState(const int& pin, const bool& state) override;
    //! Sets or clears the pin's bit in the pull-up enables, then copies that
    //! byte to 0xF0 (above 7: 0xF1) of the transmit buffer: the byte comes from
    //! the enables, not from the buffer, so the enables win over whatever
    //! else was written there. A negative pin changes nothing.
    void setIoPinPullUpEnable(const int& pin, const bool& enable) override;
    //! Sets the byte at 0xF2 of the transmit buffer; \a port is not read.
    void setIoPortValue(const int& port, const unsigned char& value) override;
    //! Replaces the pull-up enables and writes their two bytes to 0xF0 and
    //! 0xF1 of the transmit buffer; a byte missing from \a enables writes 0.
    void setPullUpEnables(const QByteArray& enables) override;

    //! 248 zero bytes, then the pull-up enables at 0xF0 and 0xF1: an erase
    //! keeps the pull-ups.
    void clearTxData() override;
    using Device::setTxData;
    //! Replaces the transmit buffer by \a bytes, then writes the pull-up
    //! enables to 0xF0 and 0xF1: a whole image never changes the pull-ups.
    //! setTxData() with an offset writes 0xF0 and 0xF1 like any other byte,
    //! and the pull-up enables stay as they are.
    void setTxData(const QByteArray& bytes) override;

    //! The text report: the eight EEPROM pages (0-7 to 38-3F), the reserved
    //! range and the registers 0xF0 to 0xF7. It leaves the stream in hex.
    QTextStream& output(QTextStream& stream) const override;
    //! The HTML report: the rows of output(), then 0xF8, 0xF9 and 0xFA to
    //! 0xFF, which lie outside the memory image, with empty data cells.
    QTextStream& toHtml(QTextStream& stream) const override;

private:
    unsigned char registerByte(const int& address, const int& source) const;
    void setTxRegister(const int& address, const unsigned char& value);
    void writePullUpRegisters();
};

#endif // QUELMDEVICES_DS4520DEVICE_H
