#include "quelmcore.h"

// Placeholder bodies; the stand-in fills them in.
QString Quelm::fieldTypeToString(const FieldTypes&) { return {}; }
Quelm::FieldTypes MemoryAddress::fieldType(const QString&) { return Quelm::UndefinedField; }
int MemoryAddress::memoryAddress(const QString&) { return 0; }
int MemoryAddress::memorySize(const QString&) { return 0; }
QuelmModel::QuelmModel(QObject* parent) : QAbstractTableModel(parent) {}
QuelmModel::QuelmModel(int, int, QObject* parent) : QAbstractTableModel(parent) {}
int QuelmModel::rowCount(const QModelIndex&) const { return 0; }
int QuelmModel::columnCount(const QModelIndex&) const { return 0; }
QVariant QuelmModel::data(const QModelIndex&, int) const { return {}; }
bool QuelmModel::setData(const QModelIndex&, const QVariant&, int) { return false; }
QVariant QuelmModel::headerData(int, Qt::Orientation, int) const { return {}; }
bool QuelmModel::setHeaderData(int, Qt::Orientation, const QVariant&, int) { return false; }
bool QuelmModel::insertRows(int, int, const QModelIndex&) { return false; }
bool QuelmModel::insertColumns(int, int, const QModelIndex&) { return false; }
QString QuelmModel::rowText(const int&) const { return {}; }
