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

// How a model row's value sits in device memory. The model stores the type as
// a plain integer; the fixed underlying type lets any stored number travel
// through this enum without leaving its range.
enum FieldTypes : int {
    UndefinedField = 0, // no memory location
    ProxyField = 1,     // mirrors another field's value into a second location
    ByteField = 2,      // one byte
    BitField = 3,       // one bit of a byte
    RegisterField = 4,  // one byte that is a device register rather than stored data
    ByteArrayField = 5  // a run of bytes
};

// "Undefined", "Identity Proxy", "Byte", "Bit", "Register", "Byte Array";
// an empty text for a number that is no field type.
QUELMCORE_EXPORT QString fieldTypeToString(const FieldTypes& type);

} // namespace Quelm

// Address texts, hexadecimal address with a "0x" or "0X" prefix and one or two
// digits, nothing around it:
//   "0x1A"    one byte at 0x1A: ByteField, size 1
//   "0x1A.3"  bit 3 of byte 0x1A: BitField, size 1; bit numbers 0 to 7
//   "0x1A:8"  8 bytes from 0x1A: ByteArrayField; the decimal size is at least 1
//             and the run ends at 0xFF at the latest
// Every other text (garbage, whitespace, an address above 0xFF, bit 8, size 0,
// a run past 0xFF) is UndefinedField with address 0 and size 0.
class QUELMCORE_EXPORT MemoryAddress
{
public:
    static Quelm::FieldTypes fieldType(const QString& text);
    static int memoryAddress(const QString& text);
    static int memorySize(const QString& text);
};

// An in-memory table: every role's value is kept per cell, and the vertical
// header keeps a text per row.
//
// A Qt::DisplayRole read of a cell whose display value was never set shows its
// Qt::EditRole value as text. A byte string (QByteArray) shows as upper-case
// hexadecimal, two digits per byte, no separators ("0AFF"), the way the host
// shows field values; any other value shows as QVariant::toString() gives it.
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
    // Vertical: the row's text for Qt::DisplayRole and Qt::EditRole (empty
    // until set). Horizontal headers are those of QAbstractTableModel.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool insertColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;

    // A text the host shows for a row; the stand-in has none.
    virtual QString rowText(const int& row) const;

private:
    using Cell = QHash<int, QVariant>;

    bool holds(const QModelIndex& index) const;

    QVector<QVector<Cell>> m_cells;
    QVector<QString> m_rowHeaders;
    int m_columns = 0;
};

#endif // QUELMCORE_H
