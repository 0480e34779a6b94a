#ifndef QUELMCTL_RECORDSCOMMAND_H
#define QUELMCTL_RECORDSCOMMAND_H

#include <unitrecord.h>

#include <QtCore/QJsonObject>
#include <QtCore/QList>

struct Invocation;

// quelmctl records DATABASE: the stored record of every unit, oldest first,
// as a table or, with --json, as one document.
int runRecords(const Invocation& invocation);

// {"records": [...]}: every field of each record, times in UTC ISO 8601.
QJsonObject recordsJson(const QList<UnitRecord>& records);

#endif // QUELMCTL_RECORDSCOMMAND_H
