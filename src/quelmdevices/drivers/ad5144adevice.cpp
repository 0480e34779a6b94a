#include "ad5144adevice.h"

#include "i2cbuscontroller.h"
#include "instructions.h"
#include "partdriver.h"

using namespace RegisterReport;

namespace {
const Part& part = *Part::of(Device::AD5144A);

// One wiper channel per byte, 0x00 to 0x03. The text lines carry no address.
const Row reportRows[] = {fixedRow(0x00, 1, "00:", "Data     : ", "RDAC1 DATA", "RDAC1"),
                          fixedRow(0x01, 1, "01:", "Data     : ", "RDAC2 DATA", "RDAC2"),
                          fixedRow(0x02, 1, "02:", "Data     : ", "RDAC3 DATA", "RDAC3"),
                          fixedRow(0x03, 1, "03:", "Data     : ", "RDAC4 DATA", "RDAC4")};

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
// The instruction byte is no register pointer: both go to the bus master as
// plain data, the instruction first, through its two-argument write.
PartTransactions::Strings writeWiper(I2CBusController& bus, const Device& device,
                                     const unsigned char& channel, const unsigned char& count)
{
    const QByteArray wiper =
        char(channel | AD5144AInstruction::WriteWiper) + device.txData(channel, count);
    const char copy[] = {char(channel | AD5144AInstruction::CopyWiperToMemory),
                         char(AD5144AInstruction::CopyArgument)};
    const unsigned char address = device.busAddress();
    return {bus.writeExternalDevice(address, wiper),
            bus.writeExternalDevice(address, QByteArray(copy, 2))};
}
} // namespace

const PartTransactions ad5144aTransactions = {readWiper, writeWiper};

// The text report leaves the stream in hexadecimal, as it always has, though
// its addresses are fixed texts.
QUELM_PART_DRIVER(AD5144ADevice, part, table(reportRows, Marking::WhereDiffering, TextBase::Hex))
