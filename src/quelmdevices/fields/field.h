#ifndef QUELMDEVICES_FIELD_H
#define QUELMDEVICES_FIELD_H

#include "quelmdevices_global.h"

#include <quelmcore/quelmcore.h>

#include <QtCore/QByteArray>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QVariant>

QT_BEGIN_NAMESPACE
class QTextStream;
QT_END_NAMESPACE

class Device;

// Binds one row of the host's model to a run of bytes in a device's memory.
// Model columns: 6 value, 11 field type, 12 memory address, 13 memory size,
// 14 memory configuration.
//
// The model and the device are not owned and may be null. Without a device a
// field maps nothing and reads empty bytes; without a model it has address 0
// and size 0, maps nothing and its model texts are empty. Its report row then
// says "No device" where the device link would be.
class QUELMDEVICES_EXPORT Field : public QObject
{
    Q_OBJECT

public:
    enum Column {
        ValueColumn = 6,
        TypeColumn = 11,
        AddressColumn = 12,
        SizeColumn = 13,
        ConfigurationColumn = 14
    };

    Field(QuelmModel* model, const int& row, Device* device, QObject* parent = nullptr);

    QuelmModel* model() const { return m_model; }
    int row() const { return m_row; }
    Device* device() const { return m_device; }
    quint8 address() const { return m_address; }
    quint8 size() const { return m_size; }

    virtual void mapToEmbeddedData();
    virtual void mapFromEmbeddedData();
    virtual QByteArray rxEmbeddedValue(const int& offset) const;
    virtual QByteArray txEmbeddedValue(const int& offset) const;
    virtual QByteArray modelEmbeddedValue() const;
    virtual QString embeddedValueToString() const;
    virtual Quelm::FieldTypes memoryType() const;
    virtual QString fieldSizeToString() const;
    virtual QString memoryAddressToString() const;
    virtual QString memoryConfigToString() const;
    virtual QTextStream& output(QTextStream& stream) const;

protected:
    // The device link cell of a row whose field has no device.
    static constexpr const char* NoDeviceCell = "<td>No device</td>";

    // A cell of a model row; an invalid value without a model.
    static QVariant cellData(const QuelmModel* model, const int& row, const int& column,
                             const int& role);
    QVariant cellData(const int& column, const int& role) const;
    // Stores a byte string as the row's value (column 6, edit role).
    static void setCellValue(QuelmModel* model, const int& row, const QByteArray& value);
    void setModelValue(const QByteArray& value);

    // The first byte of the model value; 0 for an empty value.
    unsigned char firstModelByte() const;
    // The type's name, a space and the memory configuration (column 14).
    QString typeAndConfigurationText() const;

    // "<td>" title "<a href='#model-row-R'>R (H)</a></td>": links to the row
    // of the field that writes the anchor.
    static void writeRowLinkCell(QTextStream& stream, const QString& title,
                                 const QuelmModel* model, const int& row);
    // "<td><a href='#bus.address'>name</a></td>", bus and address in decimal.
    void writeDeviceLinkCell(QTextStream& stream) const;

    QuelmModel* m_model;
    int m_row;
    Device* m_device;
    quint8 m_address = 0;
    quint8 m_size = 0;
};

#endif // QUELMDEVICES_FIELD_H
