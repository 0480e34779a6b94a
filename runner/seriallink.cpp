#include "seriallink.h"

#include <QtCore/QDeadlineTimer>
#include <QtCore/QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <optional>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#if defined(Q_OS_LINUX)
#include <linux/serial.h>
#endif

namespace {

constexpr int writeTimeoutMs = 5000;

// The termios codes of the rates the bridge runs at exactly.
struct SpeedCode
{
    speed_t code;
    qint32 rate;
};
constexpr SpeedCode bridgeSpeeds[] = {
    {B9600, 9600}, {B19200, 19200}, {B38400, 38400}, {B57600, 57600},
    {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
};
static_assert(std::size(bridgeSpeeds) == std::size(SC18IM700Protocol::StandardBaudRates),
              "a termios code for every rate the bridge runs at exactly");

qint32 rateOf(speed_t code)
{
    for (const SpeedCode& speed : bridgeSpeeds) {
        if (speed.code == code)
            return speed.rate;
    }
    return SerialLink::DefaultBaudRate;
}

// Whether the driver runs the port at low latency; nothing for a driver
// without the setting (a pseudo-terminal, most drivers that are not for a
// USB adapter).
std::optional<bool> lowLatencyOf(int fd)
{
#if defined(Q_OS_LINUX)
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0)
        return std::nullopt;
    return bool(serial.flags & ASYNC_LOW_LATENCY);
#else
    Q_UNUSED(fd);
    return std::nullopt;
#endif
}

// True once the driver says it took the setting.
bool setLowLatency(int fd, bool on)
{
#if defined(Q_OS_LINUX)
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0)
        return false;
    serial.flags = on ? serial.flags | ASYNC_LOW_LATENCY : serial.flags & ~ASYNC_LOW_LATENCY;
    return ioctl(fd, TIOCSSERIAL, &serial) == 0 && lowLatencyOf(fd) == on;
#else
    Q_UNUSED(fd);
    Q_UNUSED(on);
    return false;
#endif
}

// A descriptor closed with its owner.
struct Descriptor
{
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

SerialLink::SerialLink() = default;

QString SerialLink::devicePath(const QString& portName)
{
    return portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
}

SerialLink::~SerialLink()
{
    close();
}

bool SerialLink::open(const QString& portName, qint32 baudRate)
{
    close();
    const QByteArray device = QFile::encodeName(devicePath(portName));
    const QString notSerial = QStringLiteral("%1 is not a serial port").arg(portName);
    struct stat info;
    if (::stat(device.constData(), &info) == 0 && !S_ISCHR(info.st_mode)) {
        setErrorString(notSerial);
        return false;
    }
    // Held until the port is open: the last close of a terminal drops DTR,
    // which may reset the bridge. A device that cannot be opened here (gone,
    // held by another program) is left for the port to explain.
    const Descriptor held{::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)};
    termios settings;
    if (held.fd >= 0 && tcgetattr(held.fd, &settings) != 0) {
        setErrorString(notSerial);
        return false;
    }
    if (baudRate == PresentBaudRate)
        baudRate = held.fd >= 0 ? rateOf(cfgetospeed(&settings)) : DefaultBaudRate;
    m_port.setPortName(portName);
    const bool opened = m_port.setBaudRate(baudRate)
        && m_port.open(QIODevice::ReadWrite)
        && m_port.setDataBits(QSerialPort::Data8)
        && m_port.setParity(QSerialPort::NoParity)
        && m_port.setStopBits(QSerialPort::OneStop)
        && m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!opened) {
        setErrorString(QStringLiteral("cannot open %1: %2").arg(portName, openError()));
        m_port.close();
        return false;
    }
    const int fd = int(m_port.handle());
    const std::optional<bool> before = lowLatencyOf(fd);
    m_lowLatencySet = before.has_value() && !*before && setLowLatency(fd, true);
    m_lowLatency = before.value_or(false) || m_lowLatencySet;
    return true;
}

// The port reports a device that another program holds (its lock file or
// its exclusive open) as a permission error: a device this user may open
// is then in use.
QString SerialLink::openError() const
{
    const QByteArray device = QFile::encodeName(devicePath(m_port.portName()));
    if (m_port.error() == QSerialPort::PermissionError && ::access(device.constData(), R_OK | W_OK) == 0)
        return QStringLiteral("it is in use by another program");
    return m_port.errorString();
}

void SerialLink::close()
{
    if (m_port.isOpen()) {
        if (m_lowLatencySet)
            setLowLatency(int(m_port.handle()), false);
        m_port.close();
    }
    m_lowLatency = false;
    m_lowLatencySet = false;
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
