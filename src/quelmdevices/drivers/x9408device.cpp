#include "x9408device.h"

#include "i2cbuscontroller.h"
#include "instructions.h"
#include "partdriver.h"

using namespace RegisterReport;

namespace {
const Part& part = *Part::of(Device::X9408);

const Row reportRows[] = {indexRows(0x00, 4, "WCR")};

// The X9408 takes its wiper counter write and the transfer into data
// register 0, which it loads at power-on, as two transactions. A counter
// holds one byte, whatever the count.
PartTransactions::Strings writeWiperCounter(I2CBusController& bus, const Device& device,
                                            const unsigned char& wiper, const unsigned char&)
{
    const unsigned char address = device.busAddress();
    const char transfer = char(wiper | X9408Instruction::TransferToDataRegister);
    return {bus.writeExternalDevice(address, quint8(wiper | X9408Instruction::WriteWiperCounter),
                                    device.txData(wiper, 1)),
            bus.writeExternalDevice(address, QByteArray(1, transfer))};
}
} // namespace

// The product never reads the part (it has no read pages); a read asked for
// anyway goes out register-addressed.
const PartTransactions x9408Transactions = {PartTransactions::registerRead,
                                            writeWiperCounter};

// This part's marked address cell puts its opening tag on a line of its own.
QUELM_PART_DRIVER(X9408Device, part, table(reportRows, Marking::OwnLine))
