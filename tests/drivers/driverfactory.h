#ifndef QUELM_TESTS_DRIVERFACTORY_H
#define QUELM_TESTS_DRIVERFACTORY_H

#include "ad5144adevice.h"
#include "cat24aa02device.h"
#include "ds4520device.h"
#include "isl22343device.h"
#include "x9408device.h"
#include "x95840device.h"

#include <memory>

// A fresh driver of the type at the given bus and address.
inline std::unique_ptr<Device> createDevice(const int& type, const int& bus = 0,
                                            const int& address = 0x50)
{
    switch (type) {
    case Device::DS4520: return std::make_unique<DS4520Device>(bus, address, QStringLiteral("io"));
    case Device::ISL22343: return std::make_unique<ISL22343Device>(bus, address, QStringLiteral("pot"));
    case Device::X95840: return std::make_unique<X95840Device>(bus, address, QStringLiteral("pot"));
    case Device::CAT24AA02: return std::make_unique<CAT24AA02Device>(bus, address, QStringLiteral("eeprom"));
    case Device::AD5144A: return std::make_unique<AD5144ADevice>(bus, address, QStringLiteral("pot"));
    case Device::X9408: return std::make_unique<X9408Device>(bus, address, QStringLiteral("pot"));
    }
    return nullptr;
}

#endif // QUELM_TESTS_DRIVERFACTORY_H
