#include "settingstablemodel.h"

#include "studiosession.h"

#include <field.h>
#include <nullfield.h>
#include <proxyfield.h>

#include <QtGui/QBrush>
#include <QtGui/QColor>
#include <QtGui/QFont>

namespace {

const char* const columnTitles[] = {"Name", "Kind", "Device", "Address", "Value", "Product holds"};

} // namespace

SettingsTableModel::SettingsTableModel(StudioSession* session, QObject* parent)
    : QAbstractTableModel(parent)
    , m_session(session)
{
    connect(session, &StudioSession::opened, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(session, &StudioSession::productReplaced, this, &SettingsTableModel::refresh);
    connect(session, &StudioSession::valuesChanged, this, &SettingsTableModel::refresh);
    connect(session, &StudioSession::busyChanged, this, &SettingsTableModel::refresh);
}

void SettingsTableModel::refresh()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

int SettingsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_session->isOpen() ? 0 : m_session->description().settings.size();
}

int SettingsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString SettingsTableModel::valueText(int row) const
{
    const SettingDescription& setting = m_session->description().settings.at(row);
    switch (setting.kind) {
    case SettingKind::Null:
        return setting.text;
    case SettingKind::Proxy:
        return QStringLiteral("= %1").arg(setting.source);
    default:
        return hexBytes(setting.value);
    }
}

// The row's field once the product was read; none for a null setting.
const Field* SettingsTableModel::heldField(int row) const
{
    if (!m_session->hasBeenRead())
        return nullptr;
    const Field* field = m_session->product()->fields().value(row);
    return field && field->device() && !qobject_cast<const NullField*>(field) ? field : nullptr;
}

QString SettingsTableModel::heldText(int row) const
{
    const Field* field = heldField(row);
    if (!field)
        return QString();
    if (isWriteOnly(row))
        return tr("not read back");
    if (!m_session->readTime(field->device()->name()).isValid())
        return tr("not read");
    return field->embeddedValueToString();
}

bool SettingsTableModel::isWriteOnly(int row) const
{
    const Device* device = m_session->product()->device(m_session->description().settings.at(row).device);
    return device && memoryMark(device, 0, 0) == MemoryMark::NotReadBack;
}

// Where the setting's bytes lie on its device, a proxy's included, as the
// device's register table marks them.
bool SettingsTableModel::differs(int row) const
{
    const Field* field = heldField(row);
    return field && m_session->readTime(field->device()->name()).isValid()
        && memoryMark(field->device(), field->address(), qMax(1, int(field->size()))) == MemoryMark::Differs;
}

bool SettingsTableModel::isOlder(int row) const
{
    const Field* field = heldField(row);
    return field && m_session->isOlder(field->device()->name());
}

QString SettingsTableModel::displayText(int row, int column) const
{
    const SettingDescription& setting = m_session->description().settings.at(row);
    switch (column) {
    case NameColumn:
        return setting.name;
    case KindColumn:
        return settingKindName(setting.kind);
    case DeviceColumn:
        return setting.device;
    case AddressColumn:
        return m_session->product()->model()->index(row, Field::AddressColumn).data().toString();
    case ValueColumn:
        return valueText(row);
    case HeldColumn:
        return heldText(row);
    }
    return QString();
}

QVariant SettingsTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return displayText(row, index.column());
    case Qt::BackgroundRole:
        if (differs(row) && index.column() >= ValueColumn)
            return QBrush(QColor(0xff, 0xd0, 0xd0));
        break;
    case Qt::ForegroundRole:
        if (index.column() == HeldColumn && (isOlder(row) || isWriteOnly(row)))
            return QBrush(QColor(0x80, 0x80, 0x80));
        break;
    case Qt::FontRole:
        if (m_session->isUnsaved(row)) {
            QFont font;
            font.setBold(true);
            return font;
        }
        break;
    case Qt::ToolTipRole:
        if (index.column() == HeldColumn && isOlder(row))
            return tr("from the read at %1")
                .arg(m_session->readTime(heldField(row)->device()->name()).toString(QStringLiteral("HH:mm:ss")));
        if (differs(row))
            return tr("The product holds %1; writing makes it %2.").arg(heldText(row), valueText(row));
        if (m_session->isUnsaved(row))
            return tr("Changed since the file was saved.");
        if (isWriteOnly(row))
            return tr("%1 can only be written: it cannot be read back, and is not verified.")
                .arg(m_session->description().settings.at(row).device);
        break;
    }
    return QVariant();
}

QVariant SettingsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return tr(columnTitles[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags SettingsTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == ValueColumn && !m_session->isBusy()
        && settingTakesValue(m_session->description().settings.at(index.row()).kind))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool SettingsTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    QString error;
    if (m_session->setValue(index.row(), value.toString(), &error))
        return true;
    emit valueRejected(error);
    return false;
}
