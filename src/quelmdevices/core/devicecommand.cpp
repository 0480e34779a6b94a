#include "devicecommand.h"

#include "device.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QTextStream>

namespace {

// The payload of a register write starts after "S", address, count, register.
constexpr int payloadIndex = 4;

QByteArray hexText(const QByteArray& bytes)
{
    return bytes.toHex().toUpper();
}

// Characters outside Latin-1 become question marks.
QString latin1Text(const QString& text)
{
    return QString::fromLatin1(text.toLatin1());
}

} // namespace

DeviceCommand::DeviceCommand(const QString& description, const QByteArray& bytes, QObject* parent)
    : QObject(parent)
    , m_bytes(bytes)
    , m_description(description)
{
}

DeviceCommand::DeviceCommand(const QString& description, Device* device, const int& page,
                             const QByteArray& bytes, QObject* parent)
    : QObject(parent)
    , m_bytes(bytes)
    , m_device(device)
    , m_page(quint8(page))
    , m_description(description)
{
}

int DeviceCommand::responseBytes() const
{
    if (!m_device)
        return 0;
    if (m_responseLength > 0)
        return m_responseLength;
    return m_device->readPageSize(m_page);
}

void DeviceCommand::setRxData(QByteArray& bytes)
{
    if (m_device)
        m_device->setRxData(quint8(m_device->readPageAddress(m_page)), bytes);
}

void DeviceCommand::setTxData(QByteArray bytes)
{
    if (m_bytes.size() >= payloadIndex)
        m_bytes.replace(payloadIndex, bytes.size(), bytes);
}

QByteArray DeviceCommand::data() const
{
    if (!m_device)
        return QByteArray();
    const int address = m_device->readPageAddress(m_page);
    const int size = m_device->readPageSize(m_page);
    if (address < 0 || size <= 0)
        return QByteArray();
    return m_device->rxBuffer().mid(address, size);
}

QTextStream& operator<<(QTextStream& stream, DeviceCommand* command)
{
    if (!command)
        return stream;
    stream << latin1Text(command->description()) << "\n";
    stream << "  Tx Command: " << Qt::hex << hexText(command->bytes()) << "\n";
    const QByteArray data = command->data();
    if (!data.isEmpty())
        stream << "        Data: " << Qt::hex << hexText(data) << "\n";
    return stream;
}

QDebug operator<<(QDebug debug, DeviceCommand* command)
{
    if (!command)
        return debug;
    // Plain text items, so that the caller's spacing applies but no quotes.
    const QDebugStateSaver saver(debug);
    debug.noquote() << latin1Text(command->description()) << " Tx:"
                    << QString::fromLatin1(hexText(command->bytes()));
    const QByteArray data = command->data();
    if (!data.isEmpty())
        debug << " Rx:" << QString::fromLatin1(hexText(data));
    return debug;
}

void commandsListDump(const QList<DeviceCommand*>& list, const QString& fileName)
{
    QFile file(QStringLiteral("%1/tmp/%2").arg(QCoreApplication::applicationDirPath(), fileName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QTextStream stream(&file);
    for (DeviceCommand* command : list)
        stream << command;
}
