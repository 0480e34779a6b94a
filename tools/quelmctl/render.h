#ifndef QUELMCTL_RENDER_H
#define QUELMCTL_RENDER_H

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

// "bus.address" in decimal: the name of a device table's anchor.
QString deviceAnchor(int bus, int address);

#endif // QUELMCTL_RENDER_H
