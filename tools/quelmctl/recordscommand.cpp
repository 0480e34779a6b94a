#include "recordscommand.h"

#include "subcommands.h"

#include <recordstore.h>
#include <render.h>

#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QTextStream>

namespace {

QString orDash(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QString resultText(const UnitRecord& record)
{
    if (record.passed())
        return QStringLiteral("passed");
    return QStringLiteral("failed: ")
        + (record.error.isEmpty() ? QStringLiteral("the write did not verify") : record.error);
}

void writeRecordsTable(QTextStream& out, const QList<UnitRecord>& records)
{
    if (records.isEmpty()) {
        out << "No records.\n";
        return;
    }
    QList<QStringList> rows = {{QStringLiteral("TIME (UTC)"), QStringLiteral("STATION"), QStringLiteral("PORT"),
                                QStringLiteral("DESCRIPTION"), QStringLiteral("SERIAL BEFORE"),
                                QStringLiteral("SERIAL AFTER"), QStringLiteral("RESULT")}};
    for (const UnitRecord& record : records) {
        rows.append({record.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), orDash(record.station),
                     orDash(record.port), orDash(record.description), orDash(record.serialBefore),
                     orDash(record.serialAfter), resultText(record)});
    }
    writePlainTable(out, rows);
}

QJsonObject recordJson(const UnitRecord& record)
{
    QJsonArray settings;
    for (const auto& setting : record.settings)
        settings.append(QJsonObject{{QStringLiteral("name"), setting.first}, {QStringLiteral("value"), setting.second}});
    QJsonArray phases;
    for (const PhaseTime& phase : record.phases)
        phases.append(QJsonObject{{QStringLiteral("phase"), phase.phase},
                                  {QStringLiteral("milliseconds"), phase.milliseconds}});
    return {{QStringLiteral("time"), record.time.toString(Qt::ISODateWithMs)},
            {QStringLiteral("station"), record.station},
            {QStringLiteral("port"), record.port},
            {QStringLiteral("description"), record.description},
            {QStringLiteral("descriptionHash"), record.descriptionHash},
            {QStringLiteral("serialBefore"), record.serialBefore},
            {QStringLiteral("serialAfter"), record.serialAfter},
            {QStringLiteral("settings"), settings},
            {QStringLiteral("verified"), record.verified},
            {QStringLiteral("error"), record.error},
            {QStringLiteral("passed"), record.passed()},
            {QStringLiteral("phases"), phases}};
}

} // namespace

QJsonObject recordsJson(const QList<UnitRecord>& records)
{
    QJsonArray array;
    for (const UnitRecord& record : records)
        array.append(recordJson(record));
    return {{QStringLiteral("records"), array}};
}

int runRecords(const Invocation& invocation)
{
    QTextStream& err = *invocation.err;
    const QString& database = invocation.descriptionFile;
    // Opening a SQLite file that is not there would make an empty one.
    if (RecordStore::isFile(database) && !QFileInfo::exists(database)) {
        err << "quelmctl: records: " << database << " does not exist" << Qt::endl;
        return 1;
    }
    RecordStore store;
    QString error;
    QList<UnitRecord> records;
    if (store.open(database, &error))
        records = store.records({invocation.serial, invocation.failedOnly}, &error);
    if (!error.isEmpty()) {
        err << "quelmctl: records: " << error << Qt::endl;
        return 1;
    }
    QTextStream& out = *invocation.out;
    if (invocation.json)
        out << QJsonDocument(recordsJson(records)).toJson(QJsonDocument::Indented);
    else
        writeRecordsTable(out, records);
    out << Qt::flush;
    return 0;
}
