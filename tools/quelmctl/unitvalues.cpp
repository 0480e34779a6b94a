#include "unitvalues.h"

#include <QtCore/QFile>
#include <QtCore/QRegularExpression>
#include <QtCore/QSet>

#include <utility>

namespace {

// The setting's row for a value given per unit; -1, with the reason, for a
// name the description lacks or a setting that holds no value of its own.
int valueSetting(const ProductDescription& description, const QString& name, QString* error)
{
    const int index = description.settingIndex(name);
    if (index < 0) {
        *error = QStringLiteral("no setting is named \"%1\"").arg(name);
        return -1;
    }
    if (!settingTakesValue(description.settings.at(index).kind)) {
        *error = QStringLiteral("setting \"%1\" holds no value of its own").arg(name);
        return -1;
    }
    return index;
}

// start + count in decimal, worked on the digits themselves so that a
// serial number of any length counts; empty when the sum needs more digits
// than start has.
QString countedDigits(const QString& start, int count)
{
    QString digits = start;
    int carry = count;
    for (int position = int(digits.size()) - 1; position >= 0 && carry > 0; --position) {
        const int sum = digits.at(position).digitValue() + carry;
        digits[position] = QLatin1Char(char('0' + sum % 10));
        carry = sum / 10;
    }
    return carry > 0 ? QString() : digits;
}

// "serial=51450001+" gives units counted values; each is checked as the
// description's own value would be.
bool addCounted(const ProductDescription& description, const QString& rule, QList<UnitValues>& units,
                QString* error)
{
    static const QRegularExpression counted(QStringLiteral("^([^=]+)=([0-9]+)\\+$"));
    const QRegularExpressionMatch match = counted.match(rule);
    if (!match.hasMatch()) {
        *error = QStringLiteral("--each takes NAME=START+, a start in decimal digits that counts up, "
                                "not \"%1\"").arg(rule);
        return false;
    }
    const QString start = match.captured(2);
    QString reason;
    const int setting = valueSetting(description, match.captured(1), &reason);
    if (setting < 0) {
        *error = QStringLiteral("--each %1: %2").arg(rule, reason);
        return false;
    }
    for (int unit = 0; unit < units.size(); ++unit) {
        const QString digits = countedDigits(start, unit);
        if (digits.isEmpty()) {
            *error = QStringLiteral("--each %1: unit %2 would need more digits than the start has")
                         .arg(rule).arg(unit + 1);
            return false;
        }
        const std::optional<QByteArray> value = settingValue(description.settings.at(setting), digits, &reason);
        if (!value) {
            *error = QStringLiteral("--each %1: %2").arg(rule, reason);
            return false;
        }
        units[unit].append({setting, *value});
    }
    return true;
}

// One line of a CSV file of hex values and setting names: no quoting is
// needed, and spaces around a cell are not part of it.
QStringList cells(const QByteArray& line)
{
    QStringList cells = QString::fromUtf8(line).split(QLatin1Char(','));
    for (QString& cell : cells)
        cell = cell.trimmed();
    return cells;
}

bool addFromFile(const ProductDescription& description, const QString& fileName, QList<UnitValues>& units,
                 QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return false;
    }
    QList<int> settings;
    bool named = false; // the header row was read
    QList<QStringList> rows;
    QList<int> lineNumbers;
    int lineNumber = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        ++lineNumber;
        if (line.isEmpty())
            continue;
        if (std::exchange(named, true)) {
            rows.append(cells(line));
            lineNumbers.append(lineNumber);
            continue;
        }
        for (const QString& name : cells(line)) {
            QString reason;
            settings.append(valueSetting(description, name, &reason));
            if (settings.constLast() < 0) {
                *error = QStringLiteral("%1:%2: %3").arg(fileName).arg(lineNumber).arg(reason);
                return false;
            }
        }
    }
    if (rows.size() != units.size()) {
        *error = QStringLiteral("%1 has %2 rows of values for %3 products").arg(fileName).arg(rows.size())
                     .arg(units.size());
        return false;
    }
    for (int unit = 0; unit < units.size(); ++unit) {
        const QString where = QStringLiteral("%1:%2").arg(fileName).arg(lineNumbers.at(unit));
        if (rows.at(unit).size() != settings.size()) {
            *error = QStringLiteral("%1: %2 values for %3 settings").arg(where).arg(rows.at(unit).size())
                         .arg(settings.size());
            return false;
        }
        for (int column = 0; column < settings.size(); ++column) {
            QString reason;
            const SettingDescription& setting = description.settings.at(settings.at(column));
            const std::optional<QByteArray> value = settingValue(setting, rows.at(unit).at(column), &reason);
            if (!value) {
                *error = QStringLiteral("%1: %2").arg(where, reason);
                return false;
            }
            units[unit].append({settings.at(column), *value});
        }
    }
    return true;
}

} // namespace

std::optional<QList<UnitValues>> unitValues(const ProductDescription& description, const QStringList& each,
                                            const QString& eachFile, int units, QString* error)
{
    QList<UnitValues> values;
    for (int unit = 0; unit < units; ++unit)
        values.append(UnitValues());
    if (units < 1)
        return values;
    for (const QString& rule : each) {
        if (!addCounted(description, rule, values, error))
            return std::nullopt;
    }
    if (!eachFile.isEmpty() && !addFromFile(description, eachFile, values, error))
        return std::nullopt;
    // A setting given twice would leave the unit with whichever came last.
    QSet<int> given;
    for (const UnitValue& value : values.constFirst()) {
        if (given.contains(value.setting)) {
            *error = QStringLiteral("setting \"%1\" is given per unit twice")
                         .arg(description.settings.at(value.setting).name);
            return std::nullopt;
        }
        given.insert(value.setting);
    }
    return values;
}

ProductDescription withUnitValues(ProductDescription description, const UnitValues& values)
{
    for (const UnitValue& value : values)
        description.settings[value.setting].value = value.value;
    return description;
}
