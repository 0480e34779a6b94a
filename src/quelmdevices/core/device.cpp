#include "device.h"

#include "parts.h"
#include "registerreport.h"

#include <QtCore/QTextStream>

#include <algorithm>
#include <cstring>

namespace {

// The part number of the type's line.
QString typeName(const int type)
{
    const Part* const part = Part::of(type);
    return part ? part->name : QStringLiteral("Device name not specified in device!!!");
}

// Positions outside a buffer read as zero, on either side.
char byteAt(const QByteArray& buffer, const int position)
{
    return position >= 0 && position < buffer.size() ? buffer.at(position) : char(0);
}

QByteArray zeroPaddedRange(const QByteArray& buffer, const int offset, const int count)
{
    QByteArray bytes(count, '\0');
    const int available = qBound(0, buffer.size() - offset, count);
    if (available > 0)
        memcpy(bytes.data(), buffer.constData() + offset, size_t(available));
    return bytes;
}

// Writes bytes from offset on, growing the buffer with zeros where needed.
void writeRange(QByteArray& buffer, const int offset, const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    const int end = offset + bytes.size();
    if (end > buffer.size())
        buffer.append(QByteArray(end - buffer.size(), '\0'));
    memcpy(buffer.data() + offset, bytes.constData(), size_t(bytes.size()));
}

} // namespace

Device::Device(const int& bus, const int& address, const QString& name, QObject* parent)
    : QObject(parent)
    , m_name(name)
    , m_busNumber(quint8(bus))
    , m_busAddress(quint8(address))
{
}

QString Device::deviceName() const
{
    return typeName(m_deviceType);
}

QString Device::deviceName(const DeviceTypes& type)
{
    return typeName(type);
}

QByteArray Device::rxData(const unsigned char& offset, const unsigned char& count) const
{
    return zeroPaddedRange(m_rxBuffer, offset, count);
}

QByteArray Device::txData(const unsigned char& offset, const unsigned char& count) const
{
    return zeroPaddedRange(m_txBuffer, offset, count);
}

void Device::setRxData(const unsigned char& offset, const QByteArray& bytes)
{
    writeRange(m_rxBuffer, offset, bytes);
}

void Device::setRxData(const QByteArray& bytes)
{
    m_rxBuffer = bytes;
}

bool Device::isDirty() const
{
    return m_rxBuffer != m_txBuffer;
}

// Positions outside a buffer read as zero, so only the part of the range that
// both buffers hold is compared in one block; past the shorter buffer the
// longer one's bytes are compared with zero.
bool Device::rangeDiffers(const int& address, const int& size) const
{
    const qint64 end = qint64(address) + qMax(size, 0); // no int overflow for huge pages
    const int common = qMin(m_rxBuffer.size(), m_txBuffer.size());
    const int longest = qMax(m_rxBuffer.size(), m_txBuffer.size());
    const int sharedBegin = int(std::clamp<qint64>(address, 0, common));
    const int sharedEnd = int(std::clamp<qint64>(end, 0, common));
    if (sharedBegin < sharedEnd
        && memcmp(m_rxBuffer.constData() + sharedBegin, m_txBuffer.constData() + sharedBegin,
                  size_t(sharedEnd - sharedBegin)) != 0)
        return true;
    const int tailEnd = int(std::clamp<qint64>(end, 0, longest));
    for (int position = qMax(address, common); position < tailEnd; ++position) {
        if (byteAt(m_txBuffer, position) != byteAt(m_rxBuffer, position))
            return true;
    }
    return false;
}

bool Device::readPageIsDirty(const int& page) const
{
    return rangeDiffers(readPageAddress(page), readPageSize(page));
}

bool Device::writePageIsDirty(const int& page) const
{
    return rangeDiffers(writePageAddress(page), writePageSize(page));
}

bool Device::ioPinState(const int&, const int&) const
{
    return false;
}

bool Device::ioPinPullUpEnable(const int&, const int&) const
{
    return false;
}

unsigned char Device::ioPortValue(const int&, const int&) const
{
    return 0;
}

void Device::setIoPinState(const int&, const bool&) {}

void Device::setIoPinPullUpEnable(const int&, const bool&) {}

void Device::setIoPortValue(const int&, const unsigned char&) {}

void Device::setPullUpEnables(const QByteArray&) {}

// Zeros in place: the full read and the erase clear every device, and a
// buffer of the right size that nobody shares needs no new allocation.
void Device::clearRxData()
{
    m_rxBuffer.fill('\0', qMax(0, memorySize()));
}

void Device::clearTxData()
{
    m_txBuffer.fill('\0', qMax(0, memorySize()));
}

void Device::setTxData(const unsigned char& offset, const QByteArray& bytes)
{
    writeRange(m_txBuffer, offset, bytes);
}

void Device::setTxData(const QByteArray& bytes)
{
    m_txBuffer = bytes;
}

QString Device::partName() const
{
    return QString();
}

QTextStream& Device::output(QTextStream& stream) const
{
    return stream;
}

// A device without rows of its own shows the head of the table only.
QTextStream& Device::toHtml(QTextStream& stream) const
{
    return RegisterReport::openTable(stream);
}
