#ifndef QUELMSTUDIO_SETTINGSTABLEMODEL_H
#define QUELMSTUDIO_SETTINGSTABLEMODEL_H

#include <QtCore/QAbstractTableModel>

class Field;
class StudioSession;

// The settings of the open product, a row each: what the description wants
// and what the product held when it was last read. Values are edited in
// place as hex, taken as typed or refused with the reason; a row whose
// wanted value differs from what was read is marked, and one that differs
// from the file is bold until it is saved.
class SettingsTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { NameColumn, KindColumn, DeviceColumn, AddressColumn, ValueColumn, HeldColumn, ColumnCount };

    explicit SettingsTableModel(StudioSession* session, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // What the product held at the last read; empty before one, "not
    // read back" for a part that cannot be, "not read" for a part no read
    // has reached.
    QString heldText(int row) const;
    // Whether the setting lives on a part that cannot be read back.
    bool isWriteOnly(int row) const;
    // Whether the setting's bytes on its device differ from what was read.
    bool differs(int row) const;
    // Whether what it shows comes from a read before the last one, which
    // stopped before its device.
    bool isOlder(int row) const;

signals:
    // A value text that was not taken, and why.
    void valueRejected(const QString& reason);

private:
    QString valueText(int row) const;
    const Field* heldField(int row) const;
    QString displayText(int row, int column) const;
    void refresh();

    StudioSession* m_session;
};

#endif // QUELMSTUDIO_SETTINGSTABLEMODEL_H
