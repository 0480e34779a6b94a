// Creates a bridge, an EEPROM and an I/O expander, encodes a few bridge
// transactions and prints what each device holds.

#include <quelmdevices/quelmdevices.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QTextStream>

#include <memory>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    SC18IM700 bridge(QStringLiteral("bridge"));
    CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
    DS4520Device expander(0, 0x90, QStringLiteral("expander"));

    eeprom.setTxData(0x08, QByteArray::fromHex("0102030405060708"));
    expander.setIoPinState(3, true);

    const QList<std::shared_ptr<DeviceCommand>> commands = {
        std::make_shared<DeviceCommand>(QStringLiteral("Read EEPROM page 1"), &eeprom, 1,
                                        bridge.readExternalDevice(eeprom.busAddress(), 0x08, 8)),
        std::make_shared<DeviceCommand>(QStringLiteral("Write EEPROM page 1"),
                                        bridge.writeExternalDevice(eeprom.busAddress(), 0x08,
                                                                   eeprom.txData(0x08, 8))),
        std::make_shared<DeviceCommand>(QStringLiteral("Read GPIO"), &bridge, 12, bridge.readGpio()),
        std::make_shared<DeviceCommand>(QStringLiteral("Set GPIO to 0x5A"), bridge.writeGpio(0x5A)),
    };

    out << "Bridge transactions:" << Qt::endl;
    for (const auto& command : commands)
        out << command.get();
    out << Qt::endl;

    for (const Device* device : {static_cast<const Device*>(&bridge), static_cast<const Device*>(&eeprom),
                                 static_cast<const Device*>(&expander)}) {
        out << "== " << device->deviceName() << " (" << device->name() << ") ==" << Qt::endl;
        device->output(out);
        device->toHtml(out);
        out << Qt::dec << Qt::endl;
    }
    return 0;
}
