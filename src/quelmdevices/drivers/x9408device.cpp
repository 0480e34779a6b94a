#include "x9408device.h"

#include <QtCore/QTextStream>

namespace {
// type, memory size, read pages {count, size, stride}, write pages
const DeviceGeometry geometry = {Device::X9408, 4, {0, 0, 0}, {4, 1, 1}};
} // namespace

X9408Device::X9408Device(const int& bus, const int& address, const QString& name, QObject* parent)
    : PagedDevice(geometry, bus, address, name, parent)
{
}

QTextStream& X9408Device::output(QTextStream& stream) const
{
    return stream;
}

QTextStream& X9408Device::toHtml(QTextStream& stream) const
{
    return Device::toHtml(stream);
}
