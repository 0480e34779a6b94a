#include "cat24aa02device.h"

#include "parts.h"
#include "registerreport.h"

#include <QtCore/QTextStream>

using namespace RegisterReport;

namespace {
const DeviceGeometry& partGeometry = Part::of(Device::CAT24AA02)->geometry;

// One row per read page.
const Row reportRows[] = {rangeRows(0x00, partGeometry.read.size, partGeometry.read.pages, "EEPROM")};
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

QTextStream& CAT24AA02Device::output(QTextStream& stream) const
{
    return write(stream, *this, reportRows, Form::Text);
}

QTextStream& CAT24AA02Device::toHtml(QTextStream& stream) const
{
    return write(stream, *this, reportRows, Form::Html);
}
