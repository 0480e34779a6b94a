#include "subassembly.h"

#include "ad5144adevice.h"
#include "cat24aa02device.h"
#include "ds4520device.h"
#include "isl22343device.h"
#include "x9408device.h"
#include "x95840device.h"

#include <iterator>

namespace {

using DeviceFactory = Device* (*)(const int& bus, const int& address, const QString& name);

template<typename DeviceClass>
Device* create(const int& bus, const int& address, const QString& name)
{
    return new DeviceClass(bus, address, name, nullptr);
}

// Indexed by Device::DeviceTypes; null where no driver models the type.
const DeviceFactory factories[] = {
    nullptr,                   // SC18IM700: the host creates the bus master itself
    create<DS4520Device>,
    create<ISL22343Device>,
    create<X95840Device>,
    nullptr,                   // M25P40: named, without a driver
    create<CAT24AA02Device>,
    create<AD5144ADevice>,
    create<X9408Device>,
};

} // namespace

Subassembly::Subassembly(QObject* parent)
    : QObject(parent)
{
}

QString Subassembly::schematicLabel(const int& bus, const int& address, const int& item,
                                    const Quelm::FieldTypes& type) const
{
    Q_UNUSED(bus)
    Q_UNUSED(address)
    Q_UNUSED(item)
    Q_UNUSED(type)
    return QString();
}

Device* Subassembly::addDevice(Device::DeviceTypes type, const int& bus, const int& address,
                               const QString& name)
{
    const int index = type;
    if (index < 0 || index >= int(std::size(factories)) || !factories[index])
        return nullptr;
    Device* const device = factories[index](bus, address, name);
    m_devices.append(device);
    return device;
}

Device* Subassembly::device(const int& bus, const int& address) const
{
    for (Device* const candidate : m_devices) {
        if (candidate->busNumber() == bus && candidate->busAddress() == address)
            return candidate;
    }
    return nullptr;
}
