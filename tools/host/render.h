#ifndef QUELMHOST_RENDER_H
#define QUELMHOST_RENDER_H

#include "scanmodel.h"

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

class Device;
class LoadedProduct;
class QTextStream;

// The settings as a plain table: NAME, KIND, DEVICE, ADDRESS, VALUE, each
// column as wide as its widest entry plus two spaces, the last unpadded.
void writeSettingsTable(QTextStream& out, const LoadedProduct& product);
// Rows of equally many texts, the first the heading, in the same columns.
void writePlainTable(QTextStream& out, const QList<QStringList>& rows);

// "trim: ISL22343 at bus 1, address 0x50": a device's heading in the reports.
QString deviceHeading(const Device* device);

// The style sheet of the HTML page: tables, and differing rows marked.
QString htmlReportStyle();

// One self-contained HTML page: every device's register table under an
// anchor "bus.address" (decimal), then the settings with the fields' report
// rows, which link to those anchors and carry the "model-row-N" anchors.
void writeHtmlReport(QTextStream& out, const LoadedProduct& product, const QString& title);

// The text register report of the bridge and every device, then the settings table.
void writeTextReport(QTextStream& out, const LoadedProduct& product);

enum class ReportFormat { Html, Text };
// "Product report: demo.json": the HTML page's title.
QString reportTitle(const QString& descriptionFile);
// The report in the format asked for, on out in UTF-8.
void writeReport(QTextStream& out, const LoadedProduct& product, ReportFormat format, const QString& title);
// The same, whole, for a file.
QString reportText(const LoadedProduct& product, ReportFormat format, const QString& title);

// The segment as a grid of 8-bit write addresses, rows 00 to F0 and columns
// 0 to F: "A0" answers as described, "A0+" answers but is not described,
// "A0!" is described but silent, "--" silent, blank not probed (odd
// addresses are read addresses, 00 is the general call).
void writeScanGrid(QTextStream& out, const SegmentScan& scan);
// One cell of the grid, three characters: the address or "--", then the mark.
QString scanCell(const SegmentScan& scan, int address);
// The line under the grids that explains the marks.
void writeScanLegend(QTextStream& out);
// "bus 1" or "the bus"
QString segmentName(int bus);

// "bus.address" in decimal: the name of a device table's anchor.
QString deviceAnchor(int bus, int address);

#endif // QUELMHOST_RENDER_H
