#include "x95840device.h"

#include "registerreport.h"

#include <QtCore/QTextStream>

using namespace RegisterReport;

namespace {
// type, memory size, read pages {count, size, stride}, write pages
const DeviceGeometry partGeometry = {Device::X95840, 4, {1, 4, 0}, {4, 1, 1}};

// The wiper registers 0x00 to 0x03; their addresses are fixed texts, so these
// reports never switch the stream to hexadecimal.
struct WiperRow
{
    const char* htmlAddress;
    const char* textAddress;
    const char* label;
};
const WiperRow wiperRows[] = {{"00:", "00   : ", "IVR0"},
                              {"01:", "01   : ", "IVR1"},
                              {"02:", "02   : ", "IVR2"},
                              {"03:", "03   : ", "IVR3"}};
} // namespace

X95840Device::X95840Device(const int& bus, const int& address, const QString& name, QObject* parent)
    : PagedDevice(bus, address, name, parent)
{
    initialize();
}

const DeviceGeometry& X95840Device::geometry() const
{
    return partGeometry;
}

QTextStream& X95840Device::output(QTextStream& stream) const
{
    return writeSections(stream, *this, [](QTextStream& section, const QByteArray& buffer) {
        int wiper = 0;
        for (const WiperRow& row : wiperRows)
            literalLine(section, buffer, row.textAddress, wiper++, 1, row.label);
        // The part's registers 0x04 to 0x07 are not modelled; the line is fixed.
        section << "  04-07: XX Not Used\n";
    });
}

QTextStream& X95840Device::toHtml(QTextStream& stream) const
{
    Device::toHtml(stream);
    int wiper = 0;
    for (const WiperRow& row : wiperRows) {
        const RowTexts texts = rowTexts(*this, wiper, 1);
        openRow(stream, texts) << row.htmlAddress << "</td>" << Qt::endl
                               << "<td>IVR" << wiper << "</td>" << Qt::endl;
        closeRow(stream, texts);
        ++wiper;
    }
    return closeTable(stream);
}
