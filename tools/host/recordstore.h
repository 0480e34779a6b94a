#ifndef QUELMHOST_RECORDSTORE_H
#define QUELMHOST_RECORDSTORE_H

#include "unitrecord.h"

#include <QtCore/QList>
#include <QtCore/QString>

// The record of every unit a station ran, in a database that a whole line
// of stations may share: a SQLite file for one station, a PostgreSQL
// database for several writing at once.
class RecordStore
{
public:
    RecordStore();
    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // "stations.sqlite" (a file path: SQLite) or "postgresql://user@host/db?..." (PostgreSQL).
    // Opens it, creates or upgrades the schema; false with a one-line reason.
    // Each RecordStore uses its own QSqlDatabase connection name, so several
    // can be open at once in one process, from several threads (one store per thread).
    bool open(const QString& database, QString* error);
    // True for a SQLite file, false for a PostgreSQL connection.
    static bool isFile(const QString& database);
    // One transaction: all of the record or nothing.
    bool store(const UnitRecord& record, QString* error);
    struct Filter
    {
        QString serial;
        bool failedOnly = false;
    };
    QList<UnitRecord> records(const Filter& filter, QString* error) const;

private:
    QString m_connectionName;
};

#endif // QUELMHOST_RECORDSTORE_H
