#include "isl22343device.h"

#include "registerreport.h"

#include <QtCore/QTextStream>

using namespace RegisterReport;

namespace {
// type, memory size, read pages {count, size, stride}, write pages
const DeviceGeometry partGeometry = {Device::ISL22343, 15, {1, 15, 0}, {15, 1, 1}};
constexpr int wipers = 4;         // IVR0 to IVR3 at 0x00 to 0x03
constexpr int eepromOffset = 4;   // general-purpose EEPROM, 0x04 to 0x0E
constexpr int eepromSize = 11;
} // namespace

ISL22343Device::ISL22343Device(const int& bus, const int& address, const QString& name, QObject* parent)
    : PagedDevice(bus, address, name, parent)
{
    initialize();
}

const DeviceGeometry& ISL22343Device::geometry() const
{
    return partGeometry;
}

QTextStream& ISL22343Device::output(QTextStream& stream) const
{
    return writeSections(stream, *this, [](QTextStream& section, const QByteArray& buffer) {
        for (int wiper = 0; wiper < wipers; ++wiper)
            indexedLine(section, buffer, wiper, "IVR");
        literalLine(section, buffer, "04-0E: ", eepromOffset, eepromSize, "EEPROM");
    });
}

QTextStream& ISL22343Device::toHtml(QTextStream& stream) const
{
    Device::toHtml(stream);
    for (int wiper = 0; wiper < wipers; ++wiper)
        indexedRow(stream, rowTexts(*this, wiper, 1), wiper, "IVR");
    literalRow(stream, rowTexts(*this, eepromOffset, eepromSize), "4-E:", "EEPROM");
    return closeTable(stream);
}
