#include "x95840device.h"

#include <QtCore/QTextStream>

namespace {
// type, memory size, read pages {count, size, stride}, write pages
const DeviceGeometry geometry = {Device::X95840, 4, {1, 4, 0}, {4, 1, 1}};
} // namespace

X95840Device::X95840Device(const int& bus, const int& address, const QString& name, QObject* parent)
    : PagedDevice(geometry, bus, address, name, parent)
{
}

QTextStream& X95840Device::output(QTextStream& stream) const
{
    return stream;
}

QTextStream& X95840Device::toHtml(QTextStream& stream) const
{
    return Device::toHtml(stream);
}
