#ifndef QUELMDEVICES_PROXYFIELD_H
#define QUELMDEVICES_PROXYFIELD_H

#include "field.h"

//! Mirrors another field, its source, into a second location: its own device,
//! address and size. Writing puts the source's model value there; reading
//! takes the bytes found there back into the source's receive buffer and
//! model row. A proxy has no model of its own (row -1): whatever needs the
//! model goes to the source's.
//!
//! A proxy built without a source logs one Error record. It, like a proxy
//! whose source has no device, maps nothing; its texts are empty and its
//! report row says "No source field" in place of the link to the row.
class QUELMDEVICES_EXPORT IdentityProxyField : public Field
{
    Q_OBJECT

public:
    //! Mirrors \a source (not owned) into \a size bytes from \a address of
    //! \a device.
    IdentityProxyField(Field* source, const int& address, const int& size, Device* device,
                       QObject* parent = nullptr);

    //! The field mirrored; not owned.
    Field* source() const { return m_source; }

    //! Puts the bytes at the proxy's location into the source's receive
    //! buffer and the source's model row.
    void mapFromEmbeddedData() override;
    //! The source's value.
    QByteArray modelEmbeddedValue() const override;
    //! The source's value as text.
    QString embeddedValueToString() const override;
    //! Quelm::ProxyField.
    Quelm::FieldTypes memoryType() const override;
    //! The source's size text.
    QString fieldSizeToString() const override;
    //! The source's address text.
    QString memoryAddressToString() const override;
    //! Writes the proxy's report row. Leaves the stream's integer base at 10.
    QTextStream& output(QTextStream& stream) const override;

private:
    void writeLocationCells(QTextStream& stream) const;

    Field* m_source;
};

#endif // QUELMDEVICES_PROXYFIELD_H
