#include "ad5144adevice.h"

#include <QtCore/QTextStream>

namespace {
// type, memory size, read pages {count, size, stride}, write pages
const DeviceGeometry geometry = {Device::AD5144A, 4, {4, 1, 1}, {4, 1, 1}};
} // namespace

AD5144ADevice::AD5144ADevice(const int& bus, const int& address, const QString& name, QObject* parent)
    : PagedDevice(geometry, bus, address, name, parent)
{
}

QTextStream& AD5144ADevice::output(QTextStream& stream) const
{
    return stream;
}

QTextStream& AD5144ADevice::toHtml(QTextStream& stream) const
{
    return Device::toHtml(stream);
}
