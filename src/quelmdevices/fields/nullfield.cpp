#include "nullfield.h"

#include <QtCore/QTextStream>

NullField::NullField(QuelmModel* model, const int& row, const QString& addressText,
                     Device* device, const QString& text, QObject* parent)
    : Field(model, row, device, parent)
    , m_text(text)
    , m_addressText(addressText)
{
    // The address text, not the model, places a null field.
    m_address = quint8(MemoryAddress::memoryAddress(addressText));
    m_size = quint8(MemoryAddress::memorySize(addressText));
}

void NullField::setText(const QString& text)
{
    m_text = text;
}

void NullField::mapFromEmbeddedData() {}

// Empty, so that the inherited mapToEmbeddedData writes nothing.
QByteArray NullField::modelEmbeddedValue() const
{
    return QByteArray();
}

QString NullField::embeddedValueToString() const
{
    return QString();
}

Quelm::FieldTypes NullField::memoryType() const
{
    return MemoryAddress::fieldType(m_addressText);
}

QString NullField::fieldSizeToString() const
{
    switch (memoryType()) {
    case Quelm::BitField:
        return QStringLiteral("1 Bit");
    case Quelm::ByteField:
    case Quelm::RegisterField:
        return QStringLiteral("1 Byte");
    default:
        return QStringLiteral("undefined");
    }
}

// Four cells; the last spans the four value columns of an ordinary field row.
QTextStream& NullField::output(QTextStream& stream) const
{
    writeRowLinkCell(stream, QStringLiteral("Null Field for: "), m_model, m_row);
    writeDeviceLinkCell(stream);
    stream << "<td>" << m_addressText << "</td>" << Qt::endl
           << "<td colspan='4'>" << m_text << "</td>" << Qt::endl;
    return stream;
}
