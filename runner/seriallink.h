#ifndef QUELMRUNNER_SERIALLINK_H
#define QUELMRUNNER_SERIALLINK_H

#include "link.h"

#include <QtSerialPort/QSerialPort>

//! A link over a serial port, 8N1 without flow control: a bridge on a real
//! port or the simulator program's pseudo-terminal.
class QUELMRUNNER_EXPORT SerialLink : public Link
{
public:
    //! The bridge's rate at power-on, 9600 baud.
    static constexpr qint32 DefaultBaudRate = SC18IM700Protocol::PowerOnBaudRate;
    //! For open(): the port stays at the rate it has.
    static constexpr qint32 PresentBaudRate = 0;

    //! A link with no port open.
    SerialLink();
    //! Closes the port (close()).
    ~SerialLink() override;

    //! The device a port name opens: "ttyUSB0" is /dev/ttyUSB0.
    static QString devicePath(const QString& portName);

    //! False, with errorString() set, when the port cannot be opened or is
    //! not a serial port ("/tmp/x is not a serial port"). At
    //! PresentBaudRate the port keeps its rate when the bridge can run at
    //! it, and takes DefaultBaudRate otherwise.
    //!
    //! The driver is asked for low latency: to hand on what arrives at once
    //! rather than after a USB adapter's latency timer (16 ms by default).
    //! Pseudo-terminals and many drivers do not take it; that is no error.
    bool open(const QString& portName, qint32 baudRate = PresentBaudRate);
    //! Gives the driver its latency back, then closes the port.
    void close();
    //! Whether a port is open.
    bool isOpen() const { return m_port.isOpen(); }
    //! Whether the driver took the request for low latency.
    bool lowLatency() const { return m_lowLatency; }

    bool write(const QByteArray& bytes) override;
    QByteArray read(int count, int timeoutMs) override;
    void discardInput() override;
    //! Waits until the port's buffer is written, then until the driver has
    //! sent the last byte (tcdrain).
    bool drain() override;
    qint32 baudRate() const override;
    //! Changes the rate of the open port in place: closing and reopening it
    //! would toggle DTR and RTS, which may reset the bridge to 9600 baud.
    bool setBaudRate(qint32 rate) override;

private:
    bool flushWrites();
    QString openError() const;

    QSerialPort m_port;
    QByteArray m_pending;
    bool m_lowLatency = false;
    bool m_lowLatencySet = false; // by this link, to be given back

};

#endif // QUELMRUNNER_SERIALLINK_H
