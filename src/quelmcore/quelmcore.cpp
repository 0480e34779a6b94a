#include "quelmcore.h"

#include <QtCore/QRegularExpression>

#include <iterator>

namespace {

// Indexed by Quelm::FieldTypes.
const char* const fieldTypeNames[] = {
    "Undefined", "Identity Proxy", "Byte", "Bit", "Register", "Byte Array"
};

constexpr int memoryEnd = 0x100; // one past the last 8-bit address

struct ParsedAddress
{
    Quelm::FieldTypes type = Quelm::UndefinedField;
    int address = 0;
    int size = 0;
};

ParsedAddress parseAddress(const QString& text)
{
    // Captures: 1 address, 2 bit number, 3 byte count.
    static const QRegularExpression syntax(
        QStringLiteral("^0[xX]([0-9A-Fa-f]{1,2})(?:\\.([0-7])|:([0-9]{1,3}))?$"));
    const QRegularExpressionMatch match = syntax.match(text);
    if (!match.hasMatch())
        return {};

    const int address = match.captured(1).toInt(nullptr, 16);
    if (match.lastCapturedIndex() < 2)
        return {Quelm::ByteField, address, 1};
    if (!match.captured(2).isEmpty())
        return {Quelm::BitField, address, 1};
    const int size = match.captured(3).toInt();
    if (size < 1 || address + size > memoryEnd)
        return {};
    return {Quelm::ByteArrayField, address, size};
}

// The host shows byte strings as hexadecimal, everything else as Qt converts it.
QVariant displayText(const QVariant& value)
{
    if (!value.isValid())
        return QVariant();
    if (value.userType() == QMetaType::QByteArray)
        return QString::fromLatin1(value.toByteArray().toHex().toUpper());
    return value.toString();
}

} // namespace

QString Quelm::fieldTypeToString(const FieldTypes& type)
{
    if (type < 0 || type >= int(std::size(fieldTypeNames)))
        return QString();
    return QString::fromLatin1(fieldTypeNames[type]);
}

Quelm::FieldTypes MemoryAddress::fieldType(const QString& text)
{
    return parseAddress(text).type;
}

int MemoryAddress::memoryAddress(const QString& text)
{
    return parseAddress(text).address;
}

int MemoryAddress::memorySize(const QString& text)
{
    return parseAddress(text).size;
}

QuelmModel::QuelmModel(QObject* parent)
    : QuelmModel(0, 0, parent)
{
}

QuelmModel::QuelmModel(int rows, int columns, QObject* parent)
    : QAbstractTableModel(parent)
    , m_cells(qMax(0, rows), QVector<Cell>(qMax(0, columns)))
    , m_rowHeaders(qMax(0, rows))
    , m_columns(qMax(0, columns))
{
}

int QuelmModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_cells.size();
}

int QuelmModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

bool QuelmModel::holds(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this && !index.parent().isValid()
        && index.row() < m_cells.size() && index.column() < m_columns;
}

QVariant QuelmModel::data(const QModelIndex& index, int role) const
{
    if (!holds(index))
        return QVariant();
    const Cell& cell = m_cells.at(index.row()).at(index.column());
    if (role == Qt::DisplayRole && !cell.contains(Qt::DisplayRole))
        return displayText(cell.value(Qt::EditRole));
    return cell.value(role);
}

bool QuelmModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!holds(index))
        return false;
    m_cells[index.row()][index.column()].insert(role, value);
    // A new edit value can change what a cell without a display value shows.
    QVector<int> roles{role};
    if (role == Qt::EditRole)
        roles.append(Qt::DisplayRole);
    emit dataChanged(index, index, roles);
    return true;
}

QVariant QuelmModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if ((role != Qt::DisplayRole && role != Qt::EditRole) || section < 0
        || section >= m_rowHeaders.size())
        return QVariant();
    return m_rowHeaders.at(section);
}

bool QuelmModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                               int role)
{
    if (orientation != Qt::Vertical || (role != Qt::DisplayRole && role != Qt::EditRole)
        || section < 0 || section >= m_rowHeaders.size())
        return false;
    m_rowHeaders[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

bool QuelmModel::insertRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || row < 0 || row > m_cells.size() || count < 1)
        return false;
    beginInsertRows(parent, row, row + count - 1);
    m_cells.insert(row, count, QVector<Cell>(m_columns));
    m_rowHeaders.insert(row, count, QString());
    endInsertRows();
    return true;
}

bool QuelmModel::insertColumns(int column, int count, const QModelIndex& parent)
{
    if (parent.isValid() || column < 0 || column > m_columns || count < 1)
        return false;
    beginInsertColumns(parent, column, column + count - 1);
    for (QVector<Cell>& cells : m_cells)
        cells.insert(column, count, Cell());
    m_columns += count;
    endInsertColumns();
    return true;
}

QString QuelmModel::rowText(const int& row) const
{
    Q_UNUSED(row)
    return QString();
}
