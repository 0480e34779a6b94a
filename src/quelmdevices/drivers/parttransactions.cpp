#include "parttransactions.h"

#include "i2cbuscontroller.h"

const PartTransactions PartTransactions::registerAddressed = {registerRead, registerWrite};

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
