#include "simulatedproduct.h"

std::unique_ptr<BridgeSimulator> SimulatedProduct::of(const ProductDescription& description, QString* error)
{
    auto simulator = std::make_unique<BridgeSimulator>(description.gpioBusSelect ? BridgeSimulator::BusSelect::Gpio
                                                                                 : BridgeSimulator::BusSelect::None);
    for (const BoardDescription& board : description.boards) {
        for (const DeviceDescription& device : board.devices) {
            // The reader refuses two devices in one place, so only a type
            // without a simulated part is left to refuse here.
            if (!simulator->addPart(device.type, device.bus, quint8(device.address))) {
                *error = QStringLiteral("device \"%1\": the simulator has no %2 part")
                             .arg(device.name, Device::deviceName(device.type));
                return nullptr;
            }
        }
    }
    return simulator;
}

std::unique_ptr<BridgeSimulator> SimulatedProduct::fromFile(const QString& fileName, QString* error)
{
    const std::optional<ProductDescription> description = ProductDescription::load(fileName, error);
    return description ? of(*description, error) : nullptr;
}
