#include "proxyfield.h"

#include "device.h"

#include <varncore/logger.h>

#include <QtCore/QTextStream>

namespace {
const char* const rowTitle = "Proxy Field for Write Only: ";
} // namespace

// A proxy reads no model of its own; its arguments place it.
// The record of a missing source names line 24 of this file: keep the logger
// on that line (the proxy tests check it).
IdentityProxyField::IdentityProxyField(Field* source, const int& address, const int& size,
                                       Device* device, QObject* parent)
    : Field(nullptr, -1, device, parent)
    , m_source(source)
{
    m_address = quint8(address);
    m_size = quint8(size);
    if (!source)
        CuteMessageLogger(cuteLoggerInstance(), Logger::Error, __FILE__, __LINE__, Q_FUNC_INFO)
            .write() << "IdentityProxyField::IdentityProxyField() NULL Source Field addr=" << address;
}

// The bytes at the proxy's location go both to the source's receive buffer and
// to the source's model row, so that the source reads as what was written.
void IdentityProxyField::mapFromEmbeddedData()
{
    if (!m_device || !m_source || !m_source->device())
        return;
    const QByteArray bytes = rxEmbeddedValue(0);
    m_source->device()->setRxData(m_source->address(), bytes);
    setCellValue(m_source->model(), m_source->row(), bytes);
}

QByteArray IdentityProxyField::modelEmbeddedValue() const
{
    if (!m_source)
        return QByteArray();
    return cellData(m_source->model(), m_source->row(), ValueColumn, Qt::EditRole).toByteArray();
}

QString IdentityProxyField::embeddedValueToString() const
{
    if (!m_source)
        return QString();
    return cellData(m_source->model(), m_source->row(), ValueColumn, Qt::DisplayRole).toString();
}

Quelm::FieldTypes IdentityProxyField::memoryType() const
{
    return Quelm::ProxyField;
}

QString IdentityProxyField::fieldSizeToString() const
{
    return m_source ? m_source->fieldSizeToString() : QString();
}

QString IdentityProxyField::memoryAddressToString() const
{
    return m_source ? m_source->memoryAddressToString() : QString();
}

// Cell 3 starts in the caller's number base (the bus number) and switches to
// hexadecimal for the bus address and the proxy's address; cell 4 stays
// hexadecimal; cell 5 returns the stream to decimal for good.
void IdentityProxyField::writeLocationCells(QTextStream& stream) const
{
    stream << "<td>";
    if (m_device)
        stream << "B:" << int(m_device->busNumber()) << '.' << Qt::hex
               << int(m_device->busAddress()) << '.' << int(m_address);
    stream << Qt::hex << "</td>" << Qt::endl
           << "<td>" << int(m_address) << "</td>" << Qt::endl
           << "<td>" << Qt::dec << int(m_size) << " Byte" << (m_size > 1 ? "s" : "") << "</td>"
           << Qt::endl;
}

QTextStream& IdentityProxyField::output(QTextStream& stream) const
{
    if (m_source)
        writeRowLinkCell(stream, QLatin1String(rowTitle), m_source->model(), m_source->row());
    else
        stream << "<td>" << rowTitle << "No source field</td>" << Qt::endl;
    writeDeviceLinkCell(stream);
    writeLocationCells(stream);
    stream << "<td>EEPROM</td>" << Qt::endl
           << "<td><span style='word-wrap: break-word;'>" << embeddedValueToString()
           << "</span></td>" << Qt::endl;
    return stream;
}
