#ifndef QUELMHOST_UNITRECORD_H
#define QUELMHOST_UNITRECORD_H

#include <QtCore/QDateTime>
#include <QtCore/QList>
#include <QtCore/QPair>
#include <QtCore/QString>

// How long one phase of a product's run took: "read", "write", "verify"...
struct PhaseTime
{
    QString phase;
    qint64 milliseconds = 0;
};

// What a production station keeps of one product's run: one row per product
// and run in the record store.
struct UnitRecord
{
    QDateTime time;               // when the product's run started (UTC)
    QString station;              // QSysInfo::machineHostName()
    QString port;                 // the port (or "sim:1" ...) the product was on
    QString description;          // the description's name
    QString descriptionHash;      // sha256 hex of its devices (type, bus, address, name, in order)
    QString serialBefore;         // the serial number setting as read before the write, empty if unknown
    QString serialAfter;          // as read back after
    QList<QPair<QString, QString>> settings;  // the settings written: name, hex value
    bool verified = false;        // the write read back and verified
    QString error;                // the one-line error text; empty when it passed
    QList<PhaseTime> phases;

    // The product passed: written, read back and verified, with no error.
    bool passed() const { return verified && error.isEmpty(); }
};

#endif // QUELMHOST_UNITRECORD_H
