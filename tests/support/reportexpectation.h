#ifndef QUELM_TESTS_REPORTEXPECTATION_H
#define QUELM_TESTS_REPORTEXPECTATION_H

// What a register report should print, spelled out row by row, and the
// helpers that run a report into a string.

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QTextStream>
#include <QtCore/QVector>

#include "device.h"

namespace Expect {

// One HTML row: the whole address cell, then the description and the two data texts.
struct Row
{
    QString addressCell;
    QString description;
    QString rx;
    QString tx;
};

inline QString plain(const QString& address)
{
    return QStringLiteral("<td>") + address + QStringLiteral("</td>");
}

inline QString marked(const QString& address)
{
    return QStringLiteral("<td class='diff'>") + address + QStringLiteral("</td>");
}

inline QString html(const QVector<Row>& rows)
{
    QString text = QStringLiteral("<table class='device-table'>\n"
                                  "<thead><tr>\n"
                                  "<th class='address'>Address</th>\n"
                                  "<th class='description'>Description</th>\n"
                                  "<th class='rxbuffer'>Rx Buffer</th>\n"
                                  "<th class='txbuffer'>Tx Buffer</th>\n"
                                  "</tr></thead>\n");
    for (const Row& row : rows) {
        text += QStringLiteral("<tr>\n%1\n<td>%2</td>\n<td>%3</td>\n<td>%4</td>\n</tr>\n")
                    .arg(row.addressCell, row.description, row.rx, row.tx);
    }
    return text + QStringLiteral("</table>\n");
}

// A text report: each line gets its two leading spaces and its newline here.
inline QString text(const QStringList& rxLines, const QStringList& txLines)
{
    QString report = QStringLiteral("  [Rx Buffer]: \n");
    for (const QString& line : rxLines)
        report += QStringLiteral("  ") + line + QLatin1Char('\n');
    report += QStringLiteral("  [Tx Buffer]: \n");
    for (const QString& line : txLines)
        report += QStringLiteral("  ") + line + QLatin1Char('\n');
    return report;
}

inline QString zeros(const int& bytes)
{
    return QString(bytes * 2, QLatin1Char('0'));
}

// Runs one report on a stream over a string and returns what it wrote.
inline QString runHtml(const Device& device, QTextStream& stream, QString& sink)
{
    sink.clear();
    device.toHtml(stream);
    stream.flush();
    return sink;
}

inline QString runText(const Device& device, QTextStream& stream, QString& sink)
{
    sink.clear();
    device.output(stream);
    stream.flush();
    return sink;
}

inline QString htmlOf(const Device& device)
{
    QString sink;
    QTextStream stream(&sink);
    return runHtml(device, stream, sink);
}

inline QString textOf(const Device& device)
{
    QString sink;
    QTextStream stream(&sink);
    return runText(device, stream, sink);
}

} // namespace Expect

#endif // QUELM_TESTS_REPORTEXPECTATION_H
