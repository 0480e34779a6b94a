#ifndef QUELMDEVICES_DS4520DEVICE_H
#define QUELMDEVICES_DS4520DEVICE_H

#include "pageddevice.h"

// DS4520: 9-bit I/O expander with non-volatile memory. Eight EEPROM pages and
// a register page at 0xF0 that holds the pull-ups (0xF0/0xF1) and the pin
// states (0xF2/0xF3). Pins 0 to 7 are bit n of the "0" register of a pair;
// every pin number above 7 means pin 8, bit 0 of the "1" register. The
// pull-up enables array is the master copy of 0xF0/0xF1: clearing or replacing
// the transmit image writes it back there.
class QUELMDEVICES_EXPORT DS4520Device : public PagedDevice
{
    Q_OBJECT

public:
    DS4520Device(const int& bus, const int& address, const QString& name, QObject* parent = nullptr);

    const DeviceGeometry& geometry() const override;

    int readPageAddress(const int& page) const override;
    int writePageAddress(const int& page) const override;

    bool ioPinState(const int& pin, const int& source) const override;
    bool ioPinPullUpEnable(const int& pin, const int& source) const override;
    unsigned char ioPortValue(const int& port, const int& source) const override;
    void setIoPinState(const int& pin, const bool& state) override;
    void setIoPinPullUpEnable(const int& pin, const bool& enable) override;
    void setIoPortValue(const int& port, const unsigned char& value) override;
    void setPullUpEnables(const QByteArray& enables) override;

    void clearTxData() override;
    using Device::setTxData;
    void setTxData(const QByteArray& bytes) override;

    QTextStream& output(QTextStream& stream) const override;
    QTextStream& toHtml(QTextStream& stream) const override;

private:
    unsigned char registerByte(const int& address, const int& source) const;
    void setTxRegister(const int& address, const unsigned char& value);
    void writePullUpRegisters();
};

#endif // QUELMDEVICES_DS4520DEVICE_H
