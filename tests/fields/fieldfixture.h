#ifndef FIELDFIXTURE_H
#define FIELDFIXTURE_H

#include <device.h>
#include <field.h>

#include <QtCore/QByteArray>
#include <QtCore/QMap>
#include <QtCore/QVariant>

// A 256-byte device in one page that records what the pin and port fields ask
// of it and answers their reads from values the test sets.
class RecordingDevice : public Device
{
public:
    RecordingDevice(const int& bus = 1, const int& address = 0x50)
        : Device(bus, address, QStringLiteral("recorder"))
    {
        m_deviceType = Device::CAT24AA02;
        clearRxData();
        clearTxData();
    }

    int readPages() const override { return 1; }
    int writePages() const override { return 1; }
    int readPageSize(const int&) const override { return 256; }
    int writePageSize(const int&) const override { return 256; }
    int readPageAddress(const int&) const override { return 0; }
    int writePageAddress(const int&) const override { return 0; }
    int memorySize() const override { return 256; }

    bool ioPinState(const int& pin, const int& source) const override
    {
        return (source == 0 ? receivedPins : transmitPins).value(pin);
    }
    unsigned char ioPortValue(const int& port, const int& source) const override
    {
        return source == 0 ? receivedPorts.value(port) : 0;
    }
    void setIoPinState(const int& pin, const bool& state) override { transmitPins[pin] = state; }
    void setIoPinPullUpEnable(const int& pin, const bool& enable) override { pullUps[pin] = enable; }
    void setIoPortValue(const int& port, const unsigned char& value) override { ports[port] = value; }
    void setPullUpEnables(const QByteArray& enables) override { m_pullUpEnables = enables; }

    void setPullUpBytes(const QByteArray& enables) { m_pullUpEnables = enables; }

    QMap<int, bool> receivedPins;
    QMap<int, bool> transmitPins;
    QMap<int, bool> pullUps;
    QMap<int, unsigned char> receivedPorts;
    QMap<int, unsigned char> ports;
};

// One model row as the host fills it for a field.
struct FieldRow
{
    QVariant value;         // column 6, edit role
    int type = 0;           // column 11
    QVariant address;       // column 12
    QVariant size;          // column 13
    QVariant configuration; // column 14
};

inline void fillRow(QuelmModel& model, const int& row, const FieldRow& cells)
{
    const auto set = [&](const int& column, const QVariant& value) {
        if (value.isValid())
            model.setData(model.index(row, column), value, Qt::EditRole);
    };
    set(Field::ValueColumn, cells.value);
    set(Field::TypeColumn, cells.type);
    set(Field::AddressColumn, cells.address);
    set(Field::SizeColumn, cells.size);
    set(Field::ConfigurationColumn, cells.configuration);
}

inline QByteArray modelValue(const QuelmModel& model, const int& row)
{
    return model.data(model.index(row, Field::ValueColumn), Qt::EditRole).toByteArray();
}

#endif // FIELDFIXTURE_H
