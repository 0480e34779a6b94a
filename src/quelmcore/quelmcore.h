#ifndef QUELMCORE_H
#define QUELMCORE_H

//! \file quelmcore.h
//! Stand-in for the host's product core library: the host's table model, its
//! field types and its memory-address text parser. A host links its real
//! quelmcore instead. Include it as <quelmcore/quelmcore.h> and link
//! quelmdevices::quelmcore.

#include <QtCore/QAbstractTableModel>
#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QVector>

#if defined(QUELMCORE_LIBRARY)
#  define QUELMCORE_EXPORT Q_DECL_EXPORT
#else
#  define QUELMCORE_EXPORT Q_DECL_IMPORT
#endif

//! The host's field types and their names.
namespace Quelm {

//! How a model row's value sits in device memory. The model stores the type as
//! a plain integer; the fixed underlying type lets any stored number travel
//! through this enum without leaving its range.
enum FieldTypes : int {
    UndefinedField = 0, //!< no memory location
    ProxyField = 1,     //!< mirrors another field's value into a second location
    ByteField = 2,      //!< one byte
    BitField = 3,       //!< one bit of a byte
    RegisterField = 4,  //!< one byte that is a device register rather than stored data
    ByteArrayField = 5  //!< a run of bytes
};

//! "Undefined", "Identity Proxy", "Byte", "Bit", "Register", "Byte Array";
//! an empty text for a number that is no field type.
QUELMCORE_EXPORT QString fieldTypeToString(const FieldTypes& type);

} // namespace Quelm

//! The host's address texts, which say where a field's value lies. A
//! hexadecimal address with a "0x" or "0X" prefix and one or two digits,
//! nothing around it:
//!
//! | Text     | Field type     | Address | Size |
//! |----------|----------------|---------|------|
//! | `0x1A`   | ByteField      | 0x1A    | 1    |
//! | `0x1A.3` | BitField (bit 3 of the byte; bits 0 to 7) | 0x1A | 1 |
//! | `0x1A:8` | ByteArrayField (a decimal size of at least 1, ending at 0xFF at the latest) | 0x1A | 8 |
//!
//! Every other text (garbage, whitespace, an address above 0xFF, bit 8, size 0,
//! a run past 0xFF) is UndefinedField with address 0 and size 0.
class QUELMCORE_EXPORT MemoryAddress
{
public:
    //! The field type the text denotes.
    static Quelm::FieldTypes fieldType(const QString& text);
    //! The start address, 0 to 0xFF.
    static int memoryAddress(const QString& text);
    //! The size in bytes.
    static int memorySize(const QString& text);
};

//! An in-memory table: every role's value is kept per cell, and the vertical
//! header keeps a text per row.
//!
//! A Qt::DisplayRole read of a cell whose display value was never set shows its
//! Qt::EditRole value as text. A byte string (QByteArray) shows as upper-case
//! hexadecimal, two digits per byte, no separators ("0AFF"), the way the host
//! shows field values; any other value shows as QVariant::toString() gives it.
class QUELMCORE_EXPORT QuelmModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    //! An empty table.
    explicit QuelmModel(QObject* parent = nullptr);
    //! A table of \a rows by \a columns empty cells.
    QuelmModel(int rows, int columns, QObject* parent = nullptr);

    //! The number of rows; 0 under a valid parent.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    //! The number of columns; 0 under a valid parent.
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    //! The cell's value for \a role, as the class says for Qt::DisplayRole.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    //! Keeps \a value for \a role in the cell; false outside the table.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    //! Vertical: the row's text for Qt::DisplayRole and Qt::EditRole (empty
    //! until set). Horizontal headers are those of QAbstractTableModel.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    //! Sets a row's text (vertical, Qt::DisplayRole or Qt::EditRole).
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    //! Inserts \a count empty rows before \a row.
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    //! Inserts \a count empty columns before \a column.
    bool insertColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;

    //! A text the host shows for a row; the stand-in has none.
    virtual QString rowText(const int& row) const;

private:
    using Cell = QHash<int, QVariant>;

    bool holds(const QModelIndex& index) const;

    QVector<QVector<Cell>> m_cells;
    QVector<QString> m_rowHeaders;
    int m_columns = 0;
};

#endif // QUELMCORE_H
