#include "parttransactions.h"

#include "i2cbuscontroller.h"
#include "parts.h"

const PartTransactions PartTransactions::registerAddressed = {registerRead, registerWrite};

const PartTransactions& PartTransactions::of(const int& type)
{
    const Part* const part = Part::of(type);
    return part ? part->transactions : registerAddressed;
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
