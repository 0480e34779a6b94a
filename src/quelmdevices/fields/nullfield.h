#ifndef QUELMDEVICES_NULLFIELD_H
#define QUELMDEVICES_NULLFIELD_H

#include "field.h"

//! Stands in for a field of a model row without moving any value: both mapping
//! directions leave the model and the device alone. Its location comes from
//! the host's address text, and its report row links to the model row and
//! shows a free note.
class QUELMDEVICES_EXPORT NullField : public Field
{
    Q_OBJECT

public:
    //! A field of \a row placed by \a addressText (MemoryAddress), with the
    //! note \a text.
    NullField(QuelmModel* model, const int& row, const QString& addressText, Device* device,
              const QString& text, QObject* parent = nullptr);

    //! The note shown in the report row.
    QString text() const { return m_text; }
    //! Sets the note.
    void setText(const QString& text);
    //! The address text the field was placed by.
    QString addressText() const { return m_addressText; }

    //! Does nothing.
    void mapFromEmbeddedData() override;
    //! Empty: mapToEmbeddedData() writes nothing.
    QByteArray modelEmbeddedValue() const override;
    //! Empty.
    QString embeddedValueToString() const override;
    //! The field type of the address text.
    Quelm::FieldTypes memoryType() const override;
    //! "1 Bit", "1 Byte" or "undefined", by memoryType().
    QString fieldSizeToString() const override;
    //! Four cells: the link to the row, the device, the address text and the
    //! note across the last four columns.
    QTextStream& output(QTextStream& stream) const override;

private:
    QString m_text;
    QString m_addressText;
};

#endif // QUELMDEVICES_NULLFIELD_H
