#ifndef QUELM_TESTS_DRIVERFACTORY_H
#define QUELM_TESTS_DRIVERFACTORY_H

#include <quelmdevices/quelmdevices.h>

#include <memory>

// A fresh driver of the type at the given bus and address, made by the
// library's own factory (Subassembly::addDevice), so that the tests see the
// drivers a host gets. Null for a type without a driver.
inline std::unique_ptr<Device> createDevice(const int& type, const int& bus = 0, const int& address = 0x50)
{
    // A board only to reach the factory: it deletes none of its devices.
    class FactoryBoard : public Subassembly
    {
    public:
        QString title() const override { return QStringLiteral("factory"); }
    };
    const QString name = type == Device::DS4520      ? QStringLiteral("io")
                       : type == Device::CAT24AA02 ? QStringLiteral("eeprom")
                                                    : QStringLiteral("pot");
    FactoryBoard board;
    return std::unique_ptr<Device>(board.addDevice(Device::DeviceTypes(type), bus, address, name));
}

#endif // QUELM_TESTS_DRIVERFACTORY_H
