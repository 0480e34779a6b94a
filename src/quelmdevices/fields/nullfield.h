#ifndef QUELMDEVICES_NULLFIELD_H
#define QUELMDEVICES_NULLFIELD_H

#include "field.h"

// Stands in for a field of a model row without moving any value: both mapping
// directions leave the model and the device alone. Its location comes from
// the host's address text, and its report row links to the model row and
// shows a free note.
class QUELMDEVICES_EXPORT NullField : public Field
{
    Q_OBJECT

public:
    NullField(QuelmModel* model, const int& row, const QString& addressText, Device* device,
              const QString& text, QObject* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    QString addressText() const { return m_addressText; }

    void mapFromEmbeddedData() override;
    QByteArray modelEmbeddedValue() const override;
    QString embeddedValueToString() const override;
    Quelm::FieldTypes memoryType() const override;
    QString fieldSizeToString() const override;
    QTextStream& output(QTextStream& stream) const override;

private:
    QString m_text;
    QString m_addressText;
};

#endif // QUELMDEVICES_NULLFIELD_H
