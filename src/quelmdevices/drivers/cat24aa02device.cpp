#include "cat24aa02device.h"

#include <QtCore/QTextStream>

namespace {
// type, memory size, read pages {count, size, stride}, write pages
const DeviceGeometry geometry = {Device::CAT24AA02, 256, {32, 8, 8}, {32, 8, 8}};
} // namespace

CAT24AA02Device::CAT24AA02Device(const int& bus, const int& address, const QString& name, QObject* parent)
    : PagedDevice(geometry, bus, address, name, parent)
{
}

QTextStream& CAT24AA02Device::output(QTextStream& stream) const
{
    return stream;
}

QTextStream& CAT24AA02Device::toHtml(QTextStream& stream) const
{
    return Device::toHtml(stream);
}
