#include "ad5144adevice.h"

#include "i2cbuscontroller.h"
#include "instructions.h"
#include "parttransactions.h"
#include "registerreport.h"

#include <QtCore/QTextStream>

using namespace RegisterReport;

namespace {
// type, memory size, read pages {count, size, stride}, write pages
const DeviceGeometry partGeometry = {Device::AD5144A, 4, {4, 1, 1}, {4, 1, 1}};

// One wiper channel per byte, 0x00 to 0x03, RDAC1 to RDAC4.
struct ChannelRow
{
    const char* address;
    const char* description;
    const char* label;
};
const ChannelRow channelRows[] = {{"00:", "RDAC1 DATA", "RDAC1"},
                                  {"01:", "RDAC2 DATA", "RDAC2"},
                                  {"02:", "RDAC3 DATA", "RDAC3"},
                                  {"03:", "RDAC4 DATA", "RDAC4"}};

// The read-back instruction selects the wiper of the channel; the read phase
// that follows answers it.
QByteArray readWiper(I2CBusController& bus, const Device& device, const unsigned char& channel,
                     const unsigned char& size)
{
    const char readBack[] = {char(channel | AD5144AInstruction::ReadBack),
                             char(AD5144AInstruction::WiperRegister)};
    return bus.readExternalDevice(device.busAddress(), QByteArray(readBack, 2), size);
}

// The wiper write, then the copy that keeps it in EEPROM over a power cycle.
PartTransactions::Strings writeWiper(I2CBusController& bus, const Device& device,
                                     const unsigned char& channel, const unsigned char& count)
{
    const char copy[] = {char(channel | AD5144AInstruction::CopyWiperToMemory),
                         char(AD5144AInstruction::CopyArgument)};
    const unsigned char address = device.busAddress();
    return {bus.writeExternalDevice(address, quint8(channel | AD5144AInstruction::WriteWiper),
                                    device.txData(channel, count)),
            bus.writeExternalDevice(address, QByteArray(copy, 2))};
}
} // namespace

const PartTransactions ad5144aTransactions = {Device::AD5144A, readWiper, writeWiper};

AD5144ADevice::AD5144ADevice(const int& bus, const int& address, const QString& name, QObject* parent)
    : PagedDevice(bus, address, name, parent)
{
    initialize();
}

const DeviceGeometry& AD5144ADevice::geometry() const
{
    return partGeometry;
}

QTextStream& AD5144ADevice::output(QTextStream& stream) const
{
    return writeSections(stream, *this, [](QTextStream& section, const QByteArray& buffer) {
        int channel = 0;
        for (const ChannelRow& row : channelRows) {
            // The lines carry no address; hex comes before the byte text, which
            // is already text, so only the base left behind changes.
            section << "  Data     : " << Qt::hex << byteText(buffer, channel++, 1) << " "
                    << row.label << "\n";
        }
    });
}

QTextStream& AD5144ADevice::toHtml(QTextStream& stream) const
{
    Device::toHtml(stream);
    int channel = 0;
    for (const ChannelRow& row : channelRows)
        literalRow(stream, rowTexts(*this, channel++, 1), row.address, row.description);
    return closeTable(stream);
}
