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

//! Binds one row of the host's model to a run of bytes in a device's memory.
//!
//! The field reads the row's memory address (column 12) and size (column 13)
//! once, when it is built, as numbers (Qt::EditRole): fill the row first. A
//! cell holding an address text such as "0x10:4" reads as 0, so parse texts
//! with MemoryAddress and store the numbers; the text can go in the same
//! cell's Qt::DisplayRole for the reports. The value (column 6, Qt::EditRole)
//! is a QByteArray of the bytes themselves: a QString such as "CAFE" would be
//! written as its four ASCII bytes.
//! From the quick start (examples/quickstart/main.cpp):
//! \snippet quickstart/main.cpp model-row
//! \snippet quickstart/main.cpp fields
//! After a read, Field::mapFromEmbeddedData() brings the received bytes into
//! the model; after a change, Field::mapToEmbeddedData() puts the value into
//! the transmit buffer.
//!
//! The model and the device are not owned and may be null; the QObject
//! parent owns the field. Without a device a field maps nothing and reads
//! empty bytes; without a model it has address 0 and size 0, maps nothing
//! and its model texts are empty. Its report row then says "No device" where
//! the device link would be.
class QUELMDEVICES_EXPORT Field : public QObject
{
    Q_OBJECT

public:
    //! The model columns a field reads and writes.
    enum Column {
        ValueColumn = 6,        //!< the value: a QByteArray (Qt::EditRole), its text (Qt::DisplayRole)
        TypeColumn = 11,        //!< the field type, a Quelm::FieldTypes number
        AddressColumn = 12,     //!< the memory address as a number; its text for Qt::DisplayRole
        SizeColumn = 13,        //!< the size in bytes as a number; its text for Qt::DisplayRole
        ConfigurationColumn = 14 //!< pin and port fields: pull-ups and polarity
    };

    //! Binds \a row of \a model to \a device; reads the row's address and
    //! size now, in 8 bits, 0 for a cell that is no number.
    Field(QuelmModel* model, const int& row, Device* device, QObject* parent = nullptr);

    //! The model; not owned.
    QuelmModel* model() const { return m_model; }
    //! The model row.
    int row() const { return m_row; }
    //! The device; not owned, may be null.
    Device* device() const { return m_device; }
    //! The first byte's offset in the device's memory, as read at construction.
    quint8 address() const { return m_address; }
    //! The number of bytes, as read at construction.
    quint8 size() const { return m_size; }

    //! Writes every byte of modelEmbeddedValue() into the device's transmit
    //! buffer from address() on; the size does not limit it.
    virtual void mapToEmbeddedData();
    //! Writes size() received bytes from address() on into the value column.
    virtual void mapFromEmbeddedData();
    //! size() bytes of the receive buffer from address() + \a offset (the
    //! start wraps at 256); empty without a device.
    virtual QByteArray rxEmbeddedValue(const int& offset) const;
    //! The same from the transmit buffer.
    virtual QByteArray txEmbeddedValue(const int& offset) const;
    //! The value column's bytes (Qt::EditRole, QVariant::toByteArray()).
    virtual QByteArray modelEmbeddedValue() const;
    //! The value column's text (Qt::DisplayRole).
    virtual QString embeddedValueToString() const;
    //! The type column as a field type.
    virtual Quelm::FieldTypes memoryType() const;
    //! The size column's text (Qt::DisplayRole).
    virtual QString fieldSizeToString() const;
    //! The address column's text (Qt::DisplayRole).
    virtual QString memoryAddressToString() const;
    //! The name of memoryType(), as Quelm::fieldTypeToString() gives it.
    virtual QString memoryConfigToString() const;
    //! Writes the field's HTML report row: seven cells, without the `tr`
    //! element around them, which is the caller's.
    virtual QTextStream& output(QTextStream& stream) const;

protected:
    //! The device link cell of a row whose field has no device.
    static constexpr const char* NoDeviceCell = "<td>No device</td>";

    //! A cell of a model row; an invalid value without a model.
    static QVariant cellData(const QuelmModel* model, const int& row, const int& column,
                             const int& role);
    //! A cell of the field's row.
    QVariant cellData(const int& column, const int& role) const;
    //! Stores a byte string as the row's value (column 6, edit role).
    static void setCellValue(QuelmModel* model, const int& row, const QByteArray& value);
    //! Stores a byte string as the field's value.
    void setModelValue(const QByteArray& value);

    //! The first byte of the model value; 0 for an empty value.
    unsigned char firstModelByte() const;
    //! The type's name, a space and the memory configuration (column 14).
    QString typeAndConfigurationText() const;

    //! Writes a cell that links to the row of the field that writes its
    //! anchor: the title, then R (H) for row R with header text H.
    static void writeRowLinkCell(QTextStream& stream, const QString& title,
                                 const QuelmModel* model, const int& row);
    //! Writes a cell that links to the device's register table, bus and
    //! address in decimal.
    void writeDeviceLinkCell(QTextStream& stream) const;

    QuelmModel* m_model;    //!< the model; not owned
    int m_row;              //!< the model row
    Device* m_device;       //!< the device; not owned
    quint8 m_address = 0;   //!< the first byte's offset, or the pin or port number
    quint8 m_size = 0;      //!< the number of bytes
};

#endif // QUELMDEVICES_FIELD_H
