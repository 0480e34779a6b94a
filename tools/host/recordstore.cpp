#include "recordstore.h"

#include <QtCore/QAtomicInteger>
#include <QtCore/QHash>
#include <QtCore/QUrl>
#include <QtCore/QUrlQuery>
#include <QtCore/QVariant>
#include <QtSql/QSqlDatabase>
#include <QtSql/QSqlError>
#include <QtSql/QSqlQuery>

namespace {

// The newest schema this tool writes and reads. A database that an older
// tool made is brought up to it; one that a newer tool made is refused,
// since this tool cannot know what its rows mean.
constexpr int SchemaVersion = 1;

// What differs between the two kinds of database.
struct Dialect
{
    QString driver;
    // Takes the write lock at once, so that two stations queue instead of
    // both reading and then failing to write.
    QString begin;
    QString idColumn;
    QString timeType;
    QString boolType;
    // Held to the end of the transaction that creates or upgrades the
    // schema, so that two stations starting on an empty database at once
    // do not both create it.
    QString schemaLock;
};

const Dialect& sqliteDialect()
{
    static const Dialect dialect{QStringLiteral("QSQLITE"), QStringLiteral("BEGIN IMMEDIATE"),
                                 QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"), QStringLiteral("TEXT"),
                                 QStringLiteral("INTEGER"), QString()};
    return dialect;
}

const Dialect& postgresDialect()
{
    static const Dialect dialect{QStringLiteral("QPSQL"), QStringLiteral("BEGIN"),
                                 QStringLiteral("BIGSERIAL PRIMARY KEY"), QStringLiteral("TIMESTAMPTZ"),
                                 QStringLiteral("BOOLEAN"), QStringLiteral("SELECT pg_advisory_xact_lock(7175656)")};
    return dialect;
}

const Dialect& dialectOf(const QSqlDatabase& db)
{
    return db.driverName() == sqliteDialect().driver ? sqliteDialect() : postgresDialect();
}

// Step N brings a database from schema version N to N + 1. Every column is
// NOT NULL: an unknown serial number is an empty text, not a missing one.
QList<QStringList> schemaSteps(const Dialect& dialect)
{
    return {{
        QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"),
        QStringLiteral("CREATE TABLE units (id %1, started_at %2 NOT NULL, station TEXT NOT NULL, "
                       "port TEXT NOT NULL, description TEXT NOT NULL, description_hash TEXT NOT NULL, "
                       "serial_before TEXT NOT NULL, serial_after TEXT NOT NULL, verified %3 NOT NULL, "
                       "error TEXT NOT NULL)")
            .arg(dialect.idColumn, dialect.timeType, dialect.boolType),
        QStringLiteral("CREATE INDEX units_serial_before ON units (serial_before)"),
        QStringLiteral("CREATE INDEX units_serial_after ON units (serial_after)"),
        QStringLiteral("CREATE TABLE unit_settings (unit_id BIGINT NOT NULL REFERENCES units (id), "
                       "ordinal INTEGER NOT NULL, name TEXT NOT NULL CHECK (name <> ''), value TEXT NOT NULL, "
                       "PRIMARY KEY (unit_id, ordinal))"),
        QStringLiteral("CREATE TABLE unit_phases (unit_id BIGINT NOT NULL REFERENCES units (id), "
                       "ordinal INTEGER NOT NULL, phase TEXT NOT NULL CHECK (phase <> ''), "
                       "milliseconds BIGINT NOT NULL, PRIMARY KEY (unit_id, ordinal))"),
    }};
}

bool isPostgresUrl(const QString& database)
{
    return database.startsWith(QLatin1String("postgresql://")) || database.startsWith(QLatin1String("postgres://"));
}

// libpq's keywords that the URL's parts already name.
bool isUrlPart(const QString& key)
{
    static const QStringList parts = {QStringLiteral("host"), QStringLiteral("port"), QStringLiteral("user"),
                                      QStringLiteral("dbname")};
    return parts.contains(key);
}

// A URL QPSQL can take: valid, and without a password, which a command
// line, a log or a record would show. libpq reads PGPASSWORD or the
// password file when none is given, as PostgreSQL's own tools do.
bool checkPostgresUrl(const QUrl& url, QString* error)
{
    if (!url.isValid()) {
        *error = QStringLiteral("the PostgreSQL connection is not a valid URL (postgresql://USER@HOST:PORT/DATABASE)");
        return false;
    }
    bool passwordInQuery = false;
    for (const auto& item : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
        passwordInQuery = passwordInQuery || item.first.compare(QLatin1String("password"), Qt::CaseInsensitive) == 0;
    if (!url.password().isEmpty() || passwordInQuery) {
        *error = QStringLiteral("the PostgreSQL connection holds a password: put it in PGPASSWORD or in the "
                                "password file (~/.pgpass or PGPASSFILE), never in the connection");
        return false;
    }
    return true;
}

// The URL's user, host, port and database; its query's "host" (a socket
// folder) and "port" win, its other items go to libpq as they are.
void configurePostgres(QSqlDatabase& db, const QUrl& url)
{
    const QUrlQuery query(url);
    db.setUserName(url.userName(QUrl::FullyDecoded));
    db.setHostName(query.hasQueryItem(QStringLiteral("host"))
                       ? query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded)
                       : url.host(QUrl::FullyDecoded));
    db.setPort(query.hasQueryItem(QStringLiteral("port")) ? query.queryItemValue(QStringLiteral("port")).toInt()
                                                          : url.port(-1));
    db.setDatabaseName(url.path(QUrl::FullyDecoded).mid(1));
    // Without a bound, libpq waits for an unreachable server for ever.
    QStringList options = {QStringLiteral("connect_timeout=10")};
    for (const auto& item : query.queryItems(QUrl::FullyDecoded)) {
        if (!isUrlPart(item.first))
            options.append(item.first + QLatin1Char('=') + item.second);
    }
    db.setConnectOptions(options.join(QLatin1Char(';')));
}

QString driverPackage(const QString& driver)
{
    const QString kind = driver == QLatin1String("QPSQL") ? QStringLiteral("psql") : QStringLiteral("sqlite");
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QStringLiteral("libqt6sql6-") + kind;
#else
    return QStringLiteral("libqt5sql5-") + kind;
#endif
}

// The database's own words, their first line: PostgreSQL adds the
// statement and a caret under it.
QString reason(const QSqlError& error)
{
    const QString text = error.databaseText().trimmed().isEmpty() ? error.text() : error.databaseText();
    return text.trimmed().section(QLatin1Char('\n'), 0, 0).simplified();
}

bool run(QSqlQuery& query, const QString& statement, QString* error)
{
    if (query.exec(statement))
        return true;
    *error = reason(query.lastError());
    return false;
}

bool execute(QSqlQuery& query, QString* error)
{
    if (query.exec())
        return true;
    *error = reason(query.lastError());
    return false;
}

// 0 when the database holds no records yet.
bool readSchemaVersion(QSqlDatabase& db, int* version, QString* error)
{
    *version = 0;
    if (!db.tables().contains(QLatin1String("schema_version")))
        return true;
    QSqlQuery query(db);
    if (!run(query, QStringLiteral("SELECT MAX(version) FROM schema_version"), error))
        return false;
    if (query.next())
        *version = query.value(0).toInt();
    return true;
}

// Runs body between the dialect's BEGIN and COMMIT; rolls back when it fails.
template<typename Body>
bool inTransaction(QSqlDatabase& db, QString* error, Body body)
{
    QSqlQuery query(db);
    if (!run(query, dialectOf(db).begin, error))
        return false;
    if (body() && run(query, QStringLiteral("COMMIT"), error))
        return true;
    QString ignored;
    run(query, QStringLiteral("ROLLBACK"), &ignored);
    return false;
}

// Brings the schema up to this tool's version, unless another station did
// so meanwhile; *version is what the database holds afterwards.
bool upgradeSchema(QSqlDatabase& db, int* version, QString* error)
{
    const Dialect& dialect = dialectOf(db);
    return inTransaction(db, error, [&] {
        QSqlQuery query(db);
        if ((!dialect.schemaLock.isEmpty() && !run(query, dialect.schemaLock, error))
            || !readSchemaVersion(db, version, error))
            return false;
        if (*version >= SchemaVersion)
            return true;
        const QList<QStringList> steps = schemaSteps(dialect);
        for (int step = *version; step < steps.size(); ++step) {
            for (const QString& statement : steps.at(step)) {
                if (!run(query, statement, error))
                    return false;
            }
        }
        *version = SchemaVersion;
        return run(query, QStringLiteral("DELETE FROM schema_version"), error)
            && run(query, QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(SchemaVersion),
                   error);
    });
}

bool prepareSchema(QSqlDatabase& db, QString* error)
{
    int version = 0;
    if (!readSchemaVersion(db, &version, error))
        return false;
    if (version < SchemaVersion && !upgradeSchema(db, &version, error)) {
        error->prepend(QStringLiteral("cannot create the record tables "
                                      "(run quelmctl records once as the database's owner): "));
        return false;
    }
    if (version > SchemaVersion) {
        *error = QStringLiteral("its records are in schema version %1, newer than this tool's %2; use a newer quelmctl")
                     .arg(version)
                     .arg(SchemaVersion);
        return false;
    }
    return true;
}

QString nonNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

bool insertUnit(QSqlQuery& query, const UnitRecord& record, qint64* id, QString* error)
{
    query.prepare(QStringLiteral("INSERT INTO units (started_at, station, port, description, description_hash, "
                                 "serial_before, serial_after, verified, error) "
                                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"));
    for (const QString& text : {record.time.toUTC().toString(Qt::ISODateWithMs), record.station, record.port,
                                record.description, record.descriptionHash, record.serialBefore,
                                record.serialAfter})
        query.addBindValue(nonNull(text));
    query.addBindValue(record.verified);
    query.addBindValue(nonNull(record.error));
    if (!execute(query, error))
        return false;
    if (!query.next()) {
        *error = QStringLiteral("the database gave no number for the new record");
        return false;
    }
    *id = query.value(0).toLongLong();
    // SQLite commits nothing while a statement is still being read.
    query.finish();
    return true;
}

// One row per pair, in the record's order.
template<typename Pairs, typename First, typename Second>
bool insertRows(QSqlQuery& query, const QString& statement, qint64 id, const Pairs& pairs, First first,
                Second second, QString* error)
{
    query.prepare(statement);
    for (int ordinal = 0; ordinal < pairs.size(); ++ordinal) {
        query.addBindValue(id);
        query.addBindValue(ordinal);
        query.addBindValue(first(pairs.at(ordinal)));
        query.addBindValue(second(pairs.at(ordinal)));
        if (!execute(query, error))
            return false;
    }
    return true;
}

// The units a filter selects, as a WHERE clause over the units table, and
// the values it binds in order.
QString whereClause(const RecordStore::Filter& filter, QVariantList* values)
{
    QStringList conditions;
    if (!filter.serial.isEmpty()) {
        conditions.append(QStringLiteral("(units.serial_before = ? OR units.serial_after = ?)"));
        *values = {filter.serial, filter.serial};
    }
    if (filter.failedOnly)
        conditions.append(QStringLiteral("(NOT units.verified OR units.error <> '')"));
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

bool select(QSqlQuery& query, const QString& statement, const QVariantList& values, QString* error)
{
    query.setForwardOnly(true);
    query.prepare(statement);
    for (const QVariant& value : values)
        query.addBindValue(value);
    return execute(query, error);
}

QDateTime utcTime(const QVariant& value)
{
    const QDateTime time = value.userType() == QMetaType::QString
        ? QDateTime::fromString(value.toString(), Qt::ISODateWithMs)
        : value.toDateTime();
    return time.toUTC();
}

QAtomicInteger<quint32> nextConnection;

} // namespace

RecordStore::RecordStore()
    : m_connectionName(QStringLiteral("quelm-records-%1").arg(nextConnection.fetchAndAddRelaxed(1)))
{
}

RecordStore::~RecordStore()
{
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

bool RecordStore::isFile(const QString& database)
{
    return !isPostgresUrl(database);
}

bool RecordStore::open(const QString& database, QString* error)
{
    const bool postgres = isPostgresUrl(database);
    const QUrl url(postgres ? database : QString(), QUrl::StrictMode);
    if (postgres && !checkPostgresUrl(url, error))
        return false;
    const QString driver = (postgres ? postgresDialect() : sqliteDialect()).driver;
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        *error = QStringLiteral("Qt SQL's %1 driver is not installed (Debian: %2)")
                     .arg(postgres ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite"), driverPackage(driver));
        return false;
    }
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_connectionName);
    if (postgres) {
        configurePostgres(db, url);
    } else {
        db.setDatabaseName(database);
        // Stations sharing one file take turns at the write lock.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
    }
    QString reasonText;
    if (!db.open()) {
        reasonText = reason(db.lastError());
    } else if (postgres) {
        QSqlQuery query(db);
        run(query, QStringLiteral("SET TIME ZONE 'UTC'"), &reasonText);
    }
    if (reasonText.isEmpty())
        prepareSchema(db, &reasonText);
    if (reasonText.isEmpty())
        return true;
    db.close();
    // Named without the query, which may hold libpq's options.
    *error = QStringLiteral("%1: %2").arg(postgres ? url.toString(QUrl::RemoveQuery) : database, reasonText);
    return false;
}

bool RecordStore::store(const UnitRecord& record, QString* error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.isOpen()) {
        *error = QStringLiteral("no record database is open");
        return false;
    }
    if (!record.time.isValid()) {
        *error = QStringLiteral("a record needs the time its run started");
        return false;
    }
    // The statements outlive the transaction: PostgreSQL refuses to free
    // a prepared statement inside one that failed, before its rollback.
    QSqlQuery unit(db);
    QSqlQuery setting(db);
    QSqlQuery phase(db);
    QString reasonText;
    const bool stored = inTransaction(db, &reasonText, [&] {
        qint64 id = 0;
        using Setting = QPair<QString, QString>;
        return insertUnit(unit, record, &id, &reasonText)
            && insertRows(setting, QStringLiteral("INSERT INTO unit_settings (unit_id, ordinal, name, value) "
                                                  "VALUES (?, ?, ?, ?)"),
                          id, record.settings, [](const Setting& s) { return nonNull(s.first); },
                          [](const Setting& s) { return nonNull(s.second); }, &reasonText)
            && insertRows(phase, QStringLiteral("INSERT INTO unit_phases (unit_id, ordinal, phase, milliseconds) "
                                                "VALUES (?, ?, ?, ?)"),
                          id, record.phases, [](const PhaseTime& p) { return nonNull(p.phase); },
                          [](const PhaseTime& p) { return p.milliseconds; }, &reasonText);
    });
    if (!stored)
        *error = QStringLiteral("the record of %1 was not stored: %2").arg(nonNull(record.port), reasonText);
    return stored;
}

QList<UnitRecord> RecordStore::records(const Filter& filter, QString* error) const
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.isOpen()) {
        *error = QStringLiteral("no record database is open");
        return {};
    }
    QVariantList values;
    const QString where = whereClause(filter, &values);
    QList<UnitRecord> records;
    QHash<qint64, int> rowOfId;
    QSqlQuery query(db);
    if (!select(query, QStringLiteral("SELECT id, started_at, station, port, description, description_hash, "
                                      "serial_before, serial_after, verified, error FROM units%1 "
                                      "ORDER BY started_at, id").arg(where), values, error))
        return {};
    while (query.next()) {
        rowOfId.insert(query.value(0).toLongLong(), records.size());
        UnitRecord record;
        record.time = utcTime(query.value(1));
        record.station = query.value(2).toString();
        record.port = query.value(3).toString();
        record.description = query.value(4).toString();
        record.descriptionHash = query.value(5).toString();
        record.serialBefore = query.value(6).toString();
        record.serialAfter = query.value(7).toString();
        record.verified = query.value(8).toBool();
        record.error = query.value(9).toString();
        records.append(record);
    }
    // A station storing meanwhile may add units the first query did not
    // see; their rows are passed over.
    if (!select(query, QStringLiteral("SELECT unit_id, name, value FROM unit_settings JOIN units ON units.id = unit_id%1 "
                                      "ORDER BY unit_id, ordinal").arg(where), values, error))
        return {};
    while (query.next()) {
        const int row = rowOfId.value(query.value(0).toLongLong(), -1);
        if (row >= 0)
            records[row].settings.append({query.value(1).toString(), query.value(2).toString()});
    }
    if (!select(query, QStringLiteral("SELECT unit_id, phase, milliseconds FROM unit_phases JOIN units ON units.id = unit_id%1 "
                                      "ORDER BY unit_id, ordinal").arg(where), values, error))
        return {};
    while (query.next()) {
        const int row = rowOfId.value(query.value(0).toLongLong(), -1);
        if (row >= 0)
            records[row].phases.append({query.value(1).toString(), query.value(2).toLongLong()});
    }
    return records;
}
