#include "isl22343device.h"

#include <QtCore/QTextStream>

namespace {
// type, memory size, read pages {count, size, stride}, write pages
const DeviceGeometry geometry = {Device::ISL22343, 15, {1, 15, 0}, {15, 1, 1}};
} // namespace

ISL22343Device::ISL22343Device(const int& bus, const int& address, const QString& name, QObject* parent)
    : PagedDevice(geometry, bus, address, name, parent)
{
}

QTextStream& ISL22343Device::output(QTextStream& stream) const
{
    return stream;
}

QTextStream& ISL22343Device::toHtml(QTextStream& stream) const
{
    return Device::toHtml(stream);
}
