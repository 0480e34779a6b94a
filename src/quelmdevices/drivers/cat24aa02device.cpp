#include "cat24aa02device.h"

#include "registerreport.h"

#include <QtCore/QTextStream>

using namespace RegisterReport;

namespace {
// type, memory size, read pages {count, size, stride}, write pages
const DeviceGeometry partGeometry = {Device::CAT24AA02, 256, {32, 8, 8}, {32, 8, 8}};
} // namespace

CAT24AA02Device::CAT24AA02Device(const int& bus, const int& address, const QString& name, QObject* parent)
    : PagedDevice(bus, address, name, parent)
{
    initialize();
}

const DeviceGeometry& CAT24AA02Device::geometry() const
{
    return partGeometry;
}

// One row per read page; the rows run on from each other, page after page.
QTextStream& CAT24AA02Device::output(QTextStream& stream) const
{
    const int pageSize = readPageSize(0);
    const int pages = readPages();
    return writeSections(stream, *this, [=](QTextStream& section, const QByteArray& buffer) {
        for (int page = 0, first = 0; page < pages; ++page, first += pageSize)
            rangeLine(section, buffer, first, pageSize, "EEPROM");
    });
}

QTextStream& CAT24AA02Device::toHtml(QTextStream& stream) const
{
    const int pageSize = readPageSize(0);
    Device::toHtml(stream);
    for (int page = 0, first = 0; page < readPages(); ++page, first += pageSize)
        rangeRow(stream, rowTexts(*this, first, pageSize), first, first + pageSize - 1, "EEPROM");
    return closeTable(stream);
}
