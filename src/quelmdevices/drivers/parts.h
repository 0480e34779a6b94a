#ifndef QUELMDEVICES_PARTS_H
#define QUELMDEVICES_PARTS_H

#include "pageddevice.h"
#include "parttransactions.h"
#include "writecycle.h"

#include <QtCore/QVector>
#include <QtCore/QString>

#include <optional>

// What the library knows about a part type apart from its driver's code, one
// line per type in parts.cpp, in Device::DeviceTypes order: the part number,
// the driver that models it, the driver's memory and pages, how its pages go
// on the bus and its non-volatile write cycle. The type names, the factory
// (Subassembly::addDevice), the drivers' geometry(), PartTransactions::of,
// WriteCycle::of and the tools' description reader all read it. Adding a
// part is adding its line, plus what its driver does that no line can say.
//
// Internal to the library, not installed; the tools and the simulator read
// it through of() and table().
struct QUELMDEVICES_EXPORT Part
{
    using Factory = Device* (*)(const int& bus, const int& address, const QString& name);

    Device::DeviceTypes type;
    QString name;                  // the part number, Device::deviceName()
    Factory create;                // a new driver with a null parent; null: no driver
    DeviceGeometry geometry;       // the driver's memory and pages
    PartTransactions transactions; // the strings that read a page and write a range
    std::optional<WriteCycle> writeCycle;

    // The line of a type; null for a number outside the table.
    static const Part* of(int type);
    // Every line, in type order.
    static const QVector<Part>& table();
};

#endif // QUELMDEVICES_PARTS_H
