#include "isl22343device.h"

#include "parts.h"
#include "registerreport.h"

#include <QtCore/QTextStream>

using namespace RegisterReport;

namespace {
const DeviceGeometry& partGeometry = Part::of(Device::ISL22343)->geometry;
// The wipers IVR0 to IVR3, then the general-purpose EEPROM.
const Row reportRows[] = {indexRows(0x00, 4, "IVR"),
                          fixedRow(0x04, 11, "4-E:", "04-0E: ", "EEPROM")};
} // namespace

ISL22343Device::ISL22343Device(const int& bus, const int& address, const QString& name, QObject* parent)
    : PagedDevice(bus, address, name, parent)
{
    initialize();
}

const DeviceGeometry& ISL22343Device::geometry() const
{
    return partGeometry;
}

QTextStream& ISL22343Device::output(QTextStream& stream) const
{
    return write(stream, *this, reportRows, Form::Text);
}

QTextStream& ISL22343Device::toHtml(QTextStream& stream) const
{
    return write(stream, *this, reportRows, Form::Html);
}
