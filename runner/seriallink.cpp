#include "seriallink.h"

#include <QtCore/QDeadlineTimer>
#include <QtCore/QFile>

#include <cerrno>
#include <cstring>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr int writeTimeoutMs = 5000;
}

SerialLink::SerialLink() = default;

bool SerialLink::open(const QString& portName, qint32 baudRate)
{
    close();
    m_port.setPortName(portName);
    const bool opened = m_port.open(QIODevice::ReadWrite)
        && m_port.setBaudRate(baudRate)
        && m_port.setDataBits(QSerialPort::Data8)
        && m_port.setParity(QSerialPort::NoParity)
        && m_port.setStopBits(QSerialPort::OneStop)
        && m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!opened) {
        setErrorString(QStringLiteral("cannot open %1: %2").arg(portName, openError()));
        m_port.close();
    }
    return opened;
}

// The port reports a device that another program holds (its lock file or
// its exclusive open) as a permission error: a device this user may open
// is then in use.
QString SerialLink::openError() const
{
    const QByteArray device = m_port.portName().startsWith(QLatin1Char('/'))
        ? QFile::encodeName(m_port.portName())
        : QFile::encodeName(QStringLiteral("/dev/") + m_port.portName());
    if (m_port.error() == QSerialPort::PermissionError && ::access(device.constData(), R_OK | W_OK) == 0)
        return QStringLiteral("it is in use by another program");
    return m_port.errorString();
}

void SerialLink::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_pending.clear();
}

bool SerialLink::write(const QByteArray& bytes)
{
    if (!m_port.isOpen()) {
        setErrorString(QStringLiteral("the port is not open"));
        return false;
    }
    if (m_port.write(bytes) != bytes.size()) {
        setErrorString(m_port.errorString());
        return false;
    }
    return flushWrites();
}

// Hands everything QSerialPort buffered to the driver.
bool SerialLink::flushWrites()
{
    while (m_port.bytesToWrite() > 0) {
        if (!m_port.waitForBytesWritten(writeTimeoutMs)) {
            setErrorString(QStringLiteral("write timed out: %1").arg(m_port.errorString()));
            return false;
        }
    }
    return true;
}

bool SerialLink::drain()
{
    if (!m_port.isOpen()) {
        setErrorString(QStringLiteral("the port is not open"));
        return false;
    }
    if (!flushWrites())
        return false;
    while (tcdrain(int(m_port.handle())) != 0) {
        if (errno != EINTR) {
            setErrorString(QStringLiteral("cannot drain the port: %1").arg(QString::fromLocal8Bit(strerror(errno))));
            return false;
        }
    }
    return true;
}

qint32 SerialLink::baudRate() const
{
    return m_port.isOpen() ? m_port.baudRate() : 0;
}

bool SerialLink::setBaudRate(qint32 rate)
{
    if (!m_port.isOpen()) {
        setErrorString(QStringLiteral("the port is not open"));
        return false;
    }
    if (!m_port.setBaudRate(rate)) {
        setErrorString(QStringLiteral("the port refuses %1 baud: %2").arg(rate).arg(m_port.errorString()));
        return false;
    }
    return true;
}

QByteArray SerialLink::read(int count, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    m_pending.append(m_port.readAll());
    while (m_pending.size() < count && m_port.isOpen()
           && m_port.waitForReadyRead(int(qMax<qint64>(0, deadline.remainingTime()))))
        m_pending.append(m_port.readAll());
    const QByteArray bytes = m_pending.left(qMax(0, count));
    m_pending.remove(0, bytes.size());
    return bytes;
}

void SerialLink::discardInput()
{
    m_pending.clear();
    if (m_port.isOpen()) {
        m_port.clear(QSerialPort::Input);
        m_port.readAll();
    }
}
