#include "field.h"

#include "cellnumber.h"
#include "device.h"

#include <QtCore/QTextStream>

namespace {

QString headerText(const QuelmModel* model, const int& row)
{
    return model ? model->headerData(row, Qt::Vertical, Qt::DisplayRole).toString() : QString();
}

} // namespace

Field::Field(QuelmModel* model, const int& row, Device* device, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_row(row)
    , m_device(device)
{
    if (!m_model)
        return;
    m_address = quint8(cellNumber(cellData(AddressColumn, Qt::EditRole)));
    m_size = quint8(cellNumber(cellData(SizeColumn, Qt::EditRole)));
}

QVariant Field::cellData(const QuelmModel* model, const int& row, const int& column,
                         const int& role)
{
    return model ? model->data(model->index(row, column, QModelIndex()), role) : QVariant();
}

QVariant Field::cellData(const int& column, const int& role) const
{
    return cellData(m_model, m_row, column, role);
}

void Field::setCellValue(QuelmModel* model, const int& row, const QByteArray& value)
{
    if (model)
        model->setData(model->index(row, ValueColumn, QModelIndex()), QVariant(value), Qt::EditRole);
}

void Field::setModelValue(const QByteArray& value)
{
    setCellValue(m_model, m_row, value);
}

unsigned char Field::firstModelByte() const
{
    const QByteArray value = modelEmbeddedValue();
    return value.isEmpty() ? 0 : static_cast<unsigned char>(value.at(0));
}

QString Field::typeAndConfigurationText() const
{
    if (!m_model)
        return QString();
    return Quelm::fieldTypeToString(memoryType()) + QLatin1Char(' ')
        + cellData(ConfigurationColumn, Qt::DisplayRole).toString();
}

void Field::mapToEmbeddedData()
{
    if (m_device)
        m_device->setTxData(m_address, modelEmbeddedValue());
}

void Field::mapFromEmbeddedData()
{
    if (m_device)
        setModelValue(rxEmbeddedValue(0));
}

// The start wraps within the 8-bit memory space; the run after it does not.
QByteArray Field::rxEmbeddedValue(const int& offset) const
{
    return m_device ? m_device->rxData(quint8(m_address + offset), m_size) : QByteArray();
}

QByteArray Field::txEmbeddedValue(const int& offset) const
{
    return m_device ? m_device->txData(quint8(m_address + offset), m_size) : QByteArray();
}

QByteArray Field::modelEmbeddedValue() const
{
    return cellData(ValueColumn, Qt::EditRole).toByteArray();
}

QString Field::embeddedValueToString() const
{
    return cellData(ValueColumn, Qt::DisplayRole).toString();
}

Quelm::FieldTypes Field::memoryType() const
{
    return Quelm::FieldTypes(cellNumber(cellData(TypeColumn, Qt::EditRole)));
}

QString Field::fieldSizeToString() const
{
    return cellData(SizeColumn, Qt::DisplayRole).toString();
}

QString Field::memoryAddressToString() const
{
    return cellData(AddressColumn, Qt::DisplayRole).toString();
}

QString Field::memoryConfigToString() const
{
    return Quelm::fieldTypeToString(memoryType());
}

void Field::writeRowLinkCell(QTextStream& stream, const QString& title, const QuelmModel* model,
                             const int& row)
{
    const QString number = QString::number(row);
    stream << "<td>" << title << "<a href='#model-row-" << number << "'>" << number << " ("
           << headerText(model, row) << ")</a></td>" << Qt::endl;
}

void Field::writeDeviceLinkCell(QTextStream& stream) const
{
    if (!m_device) {
        stream << NoDeviceCell << Qt::endl;
        return;
    }
    const QString link = QStringLiteral("%1.%2").arg(m_device->busNumber()).arg(m_device->busAddress());
    stream << "<td><a href='#" << link << "'>" << m_device->deviceName() << "</a></td>" << Qt::endl;
}

// The anchor of cell 1 is the target of null and proxy rows; the device
// anchor of cell 2 follows the stream's number base and, like the row anchor,
// is left open.
QTextStream& Field::output(QTextStream& stream) const
{
    const QString number = QString::number(m_row);
    stream << "<td><a name='model-row-" << number << "'>" << number << " ("
           << headerText(m_model, m_row) << ")</td>" << Qt::endl;
    if (m_device) {
        stream << "<td><a href='#" << int(m_device->busNumber()) << '.'
               << int(m_device->busAddress()) << "'>" << m_device->deviceName() << "</td>"
               << Qt::endl;
    } else {
        stream << NoDeviceCell << Qt::endl;
    }
    const QString rowText = m_model ? m_model->rowText(m_row) : QString();
    stream << "<td>" << rowText << "</td>" << Qt::endl
           << "<td>" << memoryAddressToString() << "</td>" << Qt::endl
           << "<td>" << fieldSizeToString() << "</td>" << Qt::endl
           << "<td>" << memoryConfigToString() << "</td>" << Qt::endl
           << "<td><span style='word-wrap: break-word;'>" << embeddedValueToString()
           << "</span></td>" << Qt::endl;
    return stream;
}
