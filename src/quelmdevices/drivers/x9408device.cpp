#include "x9408device.h"

#include "i2cbuscontroller.h"
#include "instructions.h"
#include "parts.h"
#include "parttransactions.h"
#include "registerreport.h"

#include <QtCore/QTextStream>

using namespace RegisterReport;

namespace {
const DeviceGeometry& partGeometry = Part::of(Device::X9408)->geometry;
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

X9408Device::X9408Device(const int& bus, const int& address, const QString& name, QObject* parent)
    : PagedDevice(bus, address, name, parent)
{
    initialize();
}

const DeviceGeometry& X9408Device::geometry() const
{
    return partGeometry;
}

QTextStream& X9408Device::output(QTextStream& stream) const
{
    return write(stream, *this, reportRows, Form::Text);
}

// This part's marked address cell puts its opening tag on a line of its own.
QTextStream& X9408Device::toHtml(QTextStream& stream) const
{
    return write(stream, *this, reportRows, Form::Html, Marking::OwnLine);
}
