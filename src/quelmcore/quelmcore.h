#ifndef QUELMCORE_H
#define QUELMCORE_H

// Stand-in for the host's product core library: the host's table model, its
// field types and its memory-address text parser. A host links its real
// quelmcore instead.

#include <QtCore/QAbstractTableModel>
#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QVector>

#if defined(QUELMCORE_LIBRARY)
#  define QUELMCORE_EXPORT Q_DECL_EXPORT
#else
#  define QUELMCORE_EXPORT Q_DECL_IMPORT
#endif

namespace Quelm {

// How a model row's value sits in device memory.
enum FieldTypes {
    UndefinedField = 0,     // no memory location
    IdentityProxyField = 1, // mirrors another field's value into a second location
    ByteField = 2,          // one byte
    BitField = 3,           // one bit of a byte
    RegisterField = 4,      // one byte that is a device register rather than stored data
    ByteArrayField = 5      // a run of bytes
};

QUELMCORE_EXPORT QString fieldTypeToString(const FieldTypes& type);

} // namespace Quelm

// Address texts: "0x1A" is a byte at 0x1A; "0x1A.3" is bit 3 of byte 0x1A;
// "0x1A:8" is 8 bytes from 0x1A. Anything else is undefined (type 0,
// address 0, size 0).
class QUELMCORE_EXPORT MemoryAddress
{
public:
    static Quelm::FieldTypes fieldType(const QString& text);
    static int memoryAddress(const QString& text);
    static int memorySize(const QString& text);
};

// An in-memory table: every role's value is kept per cell, and the vertical
// header keeps a text per row.
class QUELMCORE_EXPORT QuelmModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit QuelmModel(QObject* parent = nullptr);
    QuelmModel(int rows, int columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool insertColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;

    // A text the host shows for a row; the stand-in has none.
    virtual QString rowText(const int& row) const;

private:
    using Cell = QHash<int, QVariant>;
    QVector<QVector<Cell>> m_cells;
    QVector<QString> m_rowHeaders;
    int m_columns = 0;
};

#endif // QUELMCORE_H
