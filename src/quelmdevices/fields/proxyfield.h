#ifndef QUELMDEVICES_PROXYFIELD_H
#define QUELMDEVICES_PROXYFIELD_H

#include "field.h"

// Mirrors another field, its source, into a second location: its own device,
// address and size. Writing puts the source's model value there; reading
// takes the bytes found there back into the source's receive buffer and
// model row. A proxy has no model of its own (row -1): whatever needs the
// model goes to the source's.
//
// A proxy built without a source logs one Error record. It, like a proxy
// whose source has no device, maps nothing; its texts are empty and its
// report row says "No source field" in place of the link to the row.
class QUELMDEVICES_EXPORT IdentityProxyField : public Field
{
    Q_OBJECT

public:
    IdentityProxyField(Field* source, const int& address, const int& size, Device* device,
                       QObject* parent = nullptr);

    Field* source() const { return m_source; }

    void mapFromEmbeddedData() override;
    QByteArray modelEmbeddedValue() const override;
    QString embeddedValueToString() const override;
    Quelm::FieldTypes memoryType() const override;
    QString fieldSizeToString() const override;
    QString memoryAddressToString() const override;
    QTextStream& output(QTextStream& stream) const override;

private:
    void writeLocationCells(QTextStream& stream) const;

    Field* m_source;
};

#endif // QUELMDEVICES_PROXYFIELD_H
