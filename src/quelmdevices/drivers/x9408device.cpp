#include "x9408device.h"

#include "i2cbuscontroller.h"
#include "instructions.h"
#include "partdriver.h"
#include "sc18im700protocol.h"

using namespace RegisterReport;

namespace {
const Part& part = *Part::of(Device::X9408);

const Row reportRows[] = {indexRows(0x00, 4, "WCR")};

// The X9408 takes its wiper counter write and the transfer into data
// register 0, which it loads at power-on, as two transactions. They are its
// own strings, built here byte by byte and not by the bus master's write
// encoder, so a host's bus master that replaces that encoder neither sees
// nor changes them. The byte after the address counts the bytes that follow
// it before the stop. A counter holds one byte, whatever the count.
PartTransactions::Strings writeWiperCounter(I2CBusController&, const Device& device,
                                            const unsigned char& wiper, const unsigned char&)
{
    using namespace SC18IM700Protocol;
    const char address = char(device.busAddress());
    const char write[] = {Start, address, 0x02, char(wiper | X9408Instruction::WriteWiperCounter),
                          device.txData(wiper, 1).at(0), Stop};
    const char transfer[] = {Start, address, 0x01,
                             char(wiper | X9408Instruction::TransferToDataRegister), Stop};
    return {QByteArray(write, int(sizeof write)), QByteArray(transfer, int(sizeof transfer))};
}
} // namespace

// The product never reads the part (it has no read pages); a read asked for
// anyway goes out register-addressed.
const PartTransactions x9408Transactions = {PartTransactions::registerRead,
                                            writeWiperCounter};

// This part's marked address cell puts its opening tag on a line of its own.
QUELM_PART_DRIVER(X9408Device, part, table(reportRows, Marking::OwnLine))
