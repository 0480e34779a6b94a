#include "render.h"

#include "product.h"

#include <busscanner.h>
#include <field.h>
#include <nullfield.h>
#include <sc18im700.h>

#include <QtCore/QFileInfo>
#include <QtCore/QTextStream>

#include <algorithm>

namespace {

const char* const pageStyle =
    "body { font-family: sans-serif; margin: 1em 2em; }\n"
    "table { border-collapse: collapse; margin-bottom: 1.5em; }\n"
    "th, td { border: 1px solid #999; padding: 2px 8px; text-align: left; }\n"
    "td { font-family: monospace; }\n"
    "th { background: #e8e8e8; }\n"
    "td.diff { background: #ffd0d0; color: #900; font-weight: bold; }\n"
    "td.diff::after { content: ' \\2260'; }\n";

const char* const settingsHead[] = {"Row", "Device", "Text", "Address", "Size", "Configuration", "Value"};

void writeDeviceSection(QTextStream& out, const Device* device)
{
    const QString anchor = deviceAnchor(device->busNumber(), device->busAddress());
    out << "<h3><a id='" << anchor << "' name='" << anchor << "'></a>"
        << deviceHeading(device).toHtmlEscaped() << "</h3>\n";
    device->toHtml(out);
}

void writeSettingsSection(QTextStream& out, const LoadedProduct& product)
{
    out << "<h2>Settings</h2>\n<table class='settings-table'>\n<thead><tr>";
    for (const char* head : settingsHead)
        out << "<th>" << head << "</th>";
    out << "</tr></thead>\n";
    for (const Field* field : product.fields()) {
        // Rows print numbers in the stream's base, which reports leave in hex.
        out << Qt::dec;
        // A null field links to its own row, which no other field marks.
        if (qobject_cast<const NullField*>(field))
            out << "<tr id='model-row-" << field->row() << "'>\n";
        else
            out << "<tr>\n";
        field->output(out);
        out << "</tr>\n";
    }
    out << "</table>\n";
}

QString valueText(const LoadedProduct& product, int row)
{
    const Field* field = product.fields().value(row);
    if (const auto* null = qobject_cast<const NullField*>(field))
        return null->text();
    // A write-only part's mirror holds what was last written, or nothing:
    // printing it as the product's would be a guess.
    if (field && memoryMark(field->device(), 0, 0) == MemoryMark::NotReadBack)
        return QStringLiteral("not read back");
    return field ? field->embeddedValueToString() : QString();
}

} // namespace

QString deviceHeading(const Device* device)
{
    return QStringLiteral("%1: %2 at bus %3, address %4")
        .arg(device->name(), device->deviceName()).arg(device->busNumber())
        .arg(SC18IM700Protocol::hexByte(device->busAddress()));
}

QString segmentName(int bus)
{
    return bus < 0 ? QStringLiteral("the bus") : QStringLiteral("bus %1").arg(bus);
}

namespace {

// "A0": a grid cell's address without its "0x".
QString hexDigits(int value)
{
    return SC18IM700Protocol::hexByte(value).mid(2);
}

} // namespace

QString scanCell(const SegmentScan& scan, int address)
{
    if ((address & 1) || address < BusScanner::FirstAddress || !scan.probed(quint8(address)))
        return QStringLiteral("   ");
    const bool described = scan.expectedAt(quint8(address)) != nullptr;
    if (!scan.answered.contains(quint8(address)))
        return described ? hexDigits(address) + QLatin1Char('!') : QStringLiteral("-- ");
    return hexDigits(address) + (described ? QLatin1Char(' ') : QLatin1Char('+'));
}

void writeScanGrid(QTextStream& out, const SegmentScan& scan)
{
    QString heading = segmentName(scan.bus);
    heading[0] = heading.at(0).toUpper();
    out << heading << ", 8-bit write addresses (the 7-bit address shifted left by one):\n";
    QString columns = QStringLiteral("   ");
    for (int column = 0; column < 16; ++column)
        columns += QStringLiteral(" %1  ").arg(QString::number(column, 16).toUpper());
    out << columns.trimmed().prepend(QStringLiteral("    ")) << '\n';
    for (int row = 0; row < 0x100; row += 0x10) {
        QString line = hexDigits(row) + QLatin1Char(':');
        for (int column = 0; column < 16; ++column)
            line += QLatin1Char(' ') + scanCell(scan, row + column);
        // Rows end where their last cell's text does.
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        out << line << '\n';
    }
    for (const ExpectedPart& part : scan.missing())
        out << "missing: " << part.name << " (" << part.type << ") at 0x" << hexDigits(part.address) << '\n';
    for (const quint8 address : scan.notDescribed())
        out << "not described: 0x" << hexDigits(address) << '\n';
    if (!scan.error.isEmpty())
        out << "stopped: " << scan.error << '\n';
}

void writeScanLegend(QTextStream& out)
{
    out << "A0 answers as described, A0+ answers but is not described, A0! is described but silent, "
           "-- silent\n";
}

QString deviceAnchor(int bus, int address)
{
    return QStringLiteral("%1.%2").arg(bus).arg(address);
}

void writeSettingsTable(QTextStream& out, const LoadedProduct& product)
{
    QList<QStringList> rows = {{QStringLiteral("NAME"), QStringLiteral("KIND"), QStringLiteral("DEVICE"),
                                QStringLiteral("ADDRESS"), QStringLiteral("VALUE")}};
    const QList<SettingDescription>& settings = product.description().settings;
    for (int row = 0; row < settings.size(); ++row) {
        const SettingDescription& setting = settings.at(row);
        const QString address = product.model()->index(row, Field::AddressColumn).data().toString();
        rows.append({setting.name, settingKindName(setting.kind), setting.device, address,
                     valueText(product, row)});
    }
    writePlainTable(out, rows);
}

void writePlainTable(QTextStream& out, const QList<QStringList>& rows)
{
    if (rows.isEmpty())
        return;
    QVector<int> widths(rows.constFirst().size() - 1, 0);
    for (const QStringList& row : rows) {
        for (int column = 0; column < widths.size(); ++column)
            widths[column] = qMax(widths.at(column), row.at(column).size());
    }
    for (const QStringList& row : rows) {
        QString line;
        for (int column = 0; column < widths.size(); ++column)
            line += row.at(column).leftJustified(widths.at(column) + 2);
        out << (line + row.constLast()).trimmed() << '\n';
    }
}

QString htmlReportStyle()
{
    return QString::fromLatin1(pageStyle);
}

void writeHtmlReport(QTextStream& out, const LoadedProduct& product, const QString& title)
{
    out << "<!DOCTYPE html>\n<html>\n<head>\n<meta charset='utf-8'>\n<title>"
        << title.toHtmlEscaped() << "</title>\n<style>\n" << pageStyle << "</style>\n</head>\n<body>\n"
        << "<h1>" << title.toHtmlEscaped() << "</h1>\n";
    for (const Subassembly* board : product.product()->subassemblies()) {
        out << "<h2>" << board->title().toHtmlEscaped() << "</h2>\n";
        if (board->busController())
            writeDeviceSection(out, board->busController());
        QList<Device*> devices = board->devices();
        std::sort(devices.begin(), devices.end(), ProductInterface::deviceLessThan);
        for (const Device* device : qAsConst(devices))
            writeDeviceSection(out, device);
    }
    writeSettingsSection(out, product);
    out << "</body>\n</html>\n";
    out.flush();
}

void writeTextReport(QTextStream& out, const LoadedProduct& product)
{
    QList<const Device*> devices = {product.bridge()};
    for (const Device* device : product.product()->devices())
        devices.append(device);
    for (const Device* device : qAsConst(devices)) {
        out << Qt::dec << "== " << deviceHeading(device) << " ==\n";
        device->output(out);
        out << '\n';
    }
    out << Qt::dec;
    writeSettingsTable(out, product);
    out.flush();
}

QString reportTitle(const QString& descriptionFile)
{
    return QStringLiteral("Product report: %1").arg(QFileInfo(descriptionFile).fileName());
}

void writeReport(QTextStream& out, const LoadedProduct& product, ReportFormat format, const QString& title)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    out.setEncoding(QStringConverter::Utf8);
#else
    out.setCodec("UTF-8");
#endif
    if (format == ReportFormat::Text)
        writeTextReport(out, product);
    else
        writeHtmlReport(out, product, title);
    out.flush();
}

QString reportText(const LoadedProduct& product, ReportFormat format, const QString& title)
{
    QString report;
    QTextStream stream(&report);
    writeReport(stream, product, format, title);
    return report;
}
