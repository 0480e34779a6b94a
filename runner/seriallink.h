#ifndef QUELMRUNNER_SERIALLINK_H
#define QUELMRUNNER_SERIALLINK_H

#include "link.h"

#include <QtSerialPort/QSerialPort>

// A link over a serial port, 8N1 without flow control: a bridge on a real
// port or the simulator program's pseudo-terminal.
class QUELMRUNNER_EXPORT SerialLink : public Link
{
public:
    static constexpr qint32 DefaultBaudRate = SC18IM700Protocol::PowerOnBaudRate;

    SerialLink();

    // False, with errorString() set, when the port cannot be opened.
    bool open(const QString& portName, qint32 baudRate = DefaultBaudRate);
    void close();
    bool isOpen() const { return m_port.isOpen(); }

    bool write(const QByteArray& bytes) override;
    QByteArray read(int count, int timeoutMs) override;
    void discardInput() override;
    // Waits until the port's buffer is written, then until the driver has
    // sent the last byte (tcdrain).
    bool drain() override;
    qint32 baudRate() const override;
    // Changes the rate of the open port in place: closing and reopening it
    // would toggle DTR and RTS, which may reset the bridge to 9600 baud.
    bool setBaudRate(qint32 rate) override;

private:
    bool flushWrites();
    QString openError() const;

    QSerialPort m_port;
    QByteArray m_pending;
};

#endif // QUELMRUNNER_SERIALLINK_H
