#ifndef QUELMDEVICES_PARTDRIVER_H
#define QUELMDEVICES_PARTDRIVER_H

#include "parts.h"
#include "registerreport.h"

#include <QtCore/QTextStream>

// The members that every driver class declares alike, defined from its
// part's line (parts.cpp) and its report table, so that a driver's source
// holds only what is its part's own. They stay members of each class, as
// its header declares them beside its meta-object: a host's class derived
// from a driver overrides and reaches the same functions as ever.
//
// The constructor passes its arguments to PagedDevice; initialize() then
// takes the type from geometry() and clears both buffers through the
// driver's own clears. A part that needs more before the clears (the
// DS4520's pull-ups) writes its constructor itself.
#define QUELM_PART_CONSTRUCTOR(Driver)                                                     \
    Driver::Driver(const int& bus, const int& address, const QString& name, QObject* parent) \
        : PagedDevice(bus, address, name, parent)                                          \
    {                                                                                      \
        initialize();                                                                      \
    }

// geometry(): the driver's line, a reference the driver's source keeps.
#define QUELM_PART_GEOMETRY(Driver, part)          \
    const DeviceGeometry& Driver::geometry() const \
    {                                              \
        return (part).geometry;                    \
    }

// output() and toHtml(): the report table in the frame every report shares.
#define QUELM_PART_REPORTS(Driver, report)                                                \
    QTextStream& Driver::output(QTextStream& stream) const                                \
    {                                                                                     \
        return RegisterReport::write(stream, *this, report, RegisterReport::Form::Text); \
    }                                                                                     \
    QTextStream& Driver::toHtml(QTextStream& stream) const                                \
    {                                                                                     \
        return RegisterReport::write(stream, *this, report, RegisterReport::Form::Html); \
    }

#define QUELM_PART_DRIVER(Driver, part, report) \
    QUELM_PART_CONSTRUCTOR(Driver)              \
    QUELM_PART_GEOMETRY(Driver, part)           \
    QUELM_PART_REPORTS(Driver, report)

#endif // QUELMDEVICES_PARTDRIVER_H
