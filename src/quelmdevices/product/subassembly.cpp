#include "subassembly.h"

#include "parts.h"

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
    const Part* const part = Part::of(type);
    if (!part || !part->create)
        return nullptr;
    Device* const device = part->create(bus, address, name);
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
