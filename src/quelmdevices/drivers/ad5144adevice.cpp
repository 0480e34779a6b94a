#include "ad5144adevice.h"

#include "registerreport.h"

#include <QtCore/QTextStream>

using namespace RegisterReport;

namespace {
// type, memory size, read pages {count, size, stride}, write pages
const DeviceGeometry partGeometry = {Device::AD5144A, 4, {4, 1, 1}, {4, 1, 1}};

// One wiper channel per byte, 0x00 to 0x03, RDAC1 to RDAC4.
struct ChannelRow
{
    const char* address;
    const char* description;
    const char* label;
};
const ChannelRow channelRows[] = {{"00:", "RDAC1 DATA", "RDAC1"},
                                  {"01:", "RDAC2 DATA", "RDAC2"},
                                  {"02:", "RDAC3 DATA", "RDAC3"},
                                  {"03:", "RDAC4 DATA", "RDAC4"}};
} // namespace

AD5144ADevice::AD5144ADevice(const int& bus, const int& address, const QString& name, QObject* parent)
    : PagedDevice(bus, address, name, parent)
{
    initialize();
}

const DeviceGeometry& AD5144ADevice::geometry() const
{
    return partGeometry;
}

QTextStream& AD5144ADevice::output(QTextStream& stream) const
{
    return writeSections(stream, *this, [](QTextStream& section, const QByteArray& buffer) {
        int channel = 0;
        for (const ChannelRow& row : channelRows) {
            // The lines carry no address; hex comes before the byte text, which
            // is already text, so only the base left behind changes.
            section << "  Data     : " << Qt::hex << byteText(buffer, channel++, 1) << " "
                    << row.label << "\n";
        }
    });
}

QTextStream& AD5144ADevice::toHtml(QTextStream& stream) const
{
    Device::toHtml(stream);
    int channel = 0;
    for (const ChannelRow& row : channelRows)
        literalRow(stream, rowTexts(*this, channel++, 1), row.address, row.description);
    return closeTable(stream);
}
