#include "parttransactions.h"

#include "i2cbuscontroller.h"

namespace {

const PartTransactions registerAddressed = {-1, PartTransactions::registerRead,
                                            PartTransactions::registerWrite};

} // namespace

const PartTransactions& PartTransactions::of(const int& type)
{
    for (const PartTransactions* const line : {&ad5144aTransactions, &x9408Transactions}) {
        if (line->type == type)
            return *line;
    }
    return registerAddressed;
}

QByteArray PartTransactions::registerRead(I2CBusController& bus, const Device& device,
                                          const unsigned char& address, const unsigned char& size)
{
    return bus.readExternalDevice(device.busAddress(), address, size);
}

PartTransactions::Strings PartTransactions::registerWrite(I2CBusController& bus, const Device& device,
                                                          const unsigned char& offset,
                                                          const unsigned char& count)
{
    return {bus.writeExternalDevice(device.busAddress(), offset, device.txData(offset, count))};
}
