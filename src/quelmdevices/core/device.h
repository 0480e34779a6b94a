#ifndef QUELMDEVICES_DEVICE_H
#define QUELMDEVICES_DEVICE_H

#include "quelmdevices_global.h"

#include <QtCore/QByteArray>
#include <QtCore/QObject>
#include <QtCore/QString>

QT_BEGIN_NAMESPACE
class QTextStream;
QT_END_NAMESPACE

// A part on the product's I2C bus, the bus master included. It mirrors the
// part's memory twice: what was last read from it (receive buffer) and what
// the product wants it to hold (transmit buffer). Dirty always means that the
// two differ; concrete classes cut the memory into numbered pages.
class QUELMDEVICES_EXPORT Device : public QObject
{
    Q_OBJECT

public:
    enum DeviceTypes {
        SC18IM700 = 0,
        DS4520 = 1,
        ISL22343 = 2,
        X95840 = 3,
        M25P40 = 4,
        CAT24AA02 = 5,
        AD5144A = 6,
        X9408 = 7
    };

    Device(const int& bus, const int& address, const QString& name, QObject* parent = nullptr);

    int deviceType() const { return m_deviceType; }
    QString name() const { return m_name; }
    quint8 busNumber() const { return m_busNumber; }
    quint8 busAddress() const { return m_busAddress; }
    QByteArray pullUpEnables() const { return m_pullUpEnables; }
    const QByteArray& rxBuffer() const { return m_rxBuffer; }
    const QByteArray& txBuffer() const { return m_txBuffer; }

    QString deviceName() const;
    static QString deviceName(const DeviceTypes& type);

    QByteArray rxData(const unsigned char& offset, const unsigned char& count) const;
    QByteArray txData(const unsigned char& offset, const unsigned char& count) const;
    void setRxData(const unsigned char& offset, const QByteArray& bytes);
    void setRxData(const QByteArray& bytes);

    bool isDirty() const;
    bool readPageIsDirty(const int& page) const;
    bool writePageIsDirty(const int& page) const;

    // The pin and port operations have a meaning only for an I/O expander.
    virtual bool ioPinState(const int& pin, const int& source) const;
    virtual bool ioPinPullUpEnable(const int& pin, const int& source) const;
    virtual unsigned char ioPortValue(const int& port, const int& source) const;
    virtual void setIoPinState(const int& pin, const bool& state);
    virtual void setIoPinPullUpEnable(const int& pin, const bool& enable);
    virtual void setIoPortValue(const int& port, const unsigned char& value);
    virtual void setPullUpEnables(const QByteArray& enables);

    virtual void clearRxData();
    virtual void clearTxData();
    virtual void setTxData(const unsigned char& offset, const QByteArray& bytes);
    virtual void setTxData(const QByteArray& bytes);

    virtual QString partName() const;
    virtual int readPages() const = 0;
    virtual int writePages() const = 0;
    virtual int readPageSize(const int& page) const = 0;
    virtual int writePageSize(const int& page) const = 0;
    virtual int readPageAddress(const int& page) const = 0;
    virtual int writePageAddress(const int& page) const = 0;
    virtual int memorySize() const = 0;

    virtual QTextStream& output(QTextStream& stream) const;
    virtual QTextStream& toHtml(QTextStream& stream) const;

protected:
    int m_deviceType = -1;
    QString m_name;
    QByteArray m_rxBuffer;
    QByteArray m_txBuffer;
    quint8 m_busNumber;
    quint8 m_busAddress;
    QByteArray m_pullUpEnables;

private:
    bool rangeDiffers(const int& address, const int& size) const;
};

#endif // QUELMDEVICES_DEVICE_H
