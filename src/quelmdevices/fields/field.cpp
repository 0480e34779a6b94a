#include "field.h"

#include <QtCore/QTextStream>

// Placeholder bodies; the field mapping fills them in.
Field::Field(QuelmModel* model, const int& row, Device* device, QObject* parent)
    : QObject(parent), m_model(model), m_row(row), m_device(device) {}
void Field::mapToEmbeddedData() {}
void Field::mapFromEmbeddedData() {}
QByteArray Field::rxEmbeddedValue(const int&) const { return {}; }
QByteArray Field::txEmbeddedValue(const int&) const { return {}; }
QByteArray Field::modelEmbeddedValue() const { return {}; }
QString Field::embeddedValueToString() const { return {}; }
Quelm::FieldTypes Field::memoryType() const { return Quelm::UndefinedField; }
QString Field::fieldSizeToString() const { return {}; }
QString Field::memoryAddressToString() const { return {}; }
QString Field::memoryConfigToString() const { return {}; }
QTextStream& Field::output(QTextStream& stream) const { return stream; }
