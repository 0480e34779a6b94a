#ifndef QUELMCTL_RENDER_H
#define QUELMCTL_RENDER_H

#include <QtCore/QList>
#include <QtCore/QString>

class LoadedProduct;
class QTextStream;

// The settings as a plain table: NAME, KIND, DEVICE, ADDRESS, VALUE, each
// column as wide as its widest entry plus two spaces, the last unpadded.
void writeSettingsTable(QTextStream& out, const LoadedProduct& product);

// One self-contained HTML page: every device's register table under an
// anchor "bus.address" (decimal), then the settings with the fields' report
// rows, which link to those anchors and carry the "model-row-N" anchors.
void writeHtmlReport(QTextStream& out, const LoadedProduct& product, const QString& title);

// The text register report of the bridge and every device, then the settings table.
void writeTextReport(QTextStream& out, const LoadedProduct& product);

// A part the description places on a bus segment.
struct ExpectedPart
{
    quint8 address; // 8-bit bus address
    QString name;
    QString type;
};

// What a scan of one bus segment found, beside what the description expects.
struct SegmentScan
{
    int bus = -1;                 // -1: the product's only segment, never selected
    QList<ExpectedPart> expected; // ascending addresses
    QList<quint8> answered;       // ascending addresses
    QString error;                // why the scan stopped early, if it did

    QList<ExpectedPart> missing() const;
    QList<quint8> notDescribed() const;
};

// The segment as a grid of 8-bit write addresses, rows 00 to F0 and columns
// 0 to F: "A0" answers as described, "A0+" answers but is not described,
// "A0!" is described but silent, "--" silent, blank not probed (odd
// addresses are read addresses, 00 is the general call).
void writeScanGrid(QTextStream& out, const SegmentScan& scan);
// The line under the grids that explains the marks.
void writeScanLegend(QTextStream& out);
// "bus 1" or "the bus"
QString segmentName(int bus);

// "bus.address" in decimal: the name of a device table's anchor.
QString deviceAnchor(int bus, int address);

#endif // QUELMCTL_RENDER_H
