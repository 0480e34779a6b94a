#ifndef QUELMDEVICES_FIELD_H
#define QUELMDEVICES_FIELD_H

#include "quelmdevices_global.h"

#include <quelmcore/quelmcore.h>

#include <QtCore/QByteArray>
#include <QtCore/QObject>
#include <QtCore/QString>

QT_BEGIN_NAMESPACE
class QTextStream;
QT_END_NAMESPACE

class Device;

// Binds one row of the host's model to a run of bytes in a device's memory.
// Model columns: 6 value, 11 field type, 12 memory address, 13 memory size,
// 14 memory configuration.
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
    QuelmModel* m_model;
    int m_row;
    Device* m_device;
    quint8 m_address = 0;
    quint8 m_size = 0;
};

#endif // QUELMDEVICES_FIELD_H
