#ifndef QUELMDEVICES_SUBASSEMBLY_H
#define QUELMDEVICES_SUBASSEMBLY_H

#include "device.h"

#include <quelmcore/quelmcore.h>

#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QString>

class I2CBusController;

// One board of the product: the devices mounted on it and, on the board that
// carries it, the bus master. Concrete boards are host classes that name
// themselves and label their parts as the schematic does.
//
// Devices made by addDevice() have no parent and are never deleted here: the
// host decides when they go.
class QUELMDEVICES_EXPORT Subassembly : public QObject
{
public:
    explicit Subassembly(QObject* parent = nullptr);

    // The board's name as the host shows it.
    virtual QString title() const = 0;
    // The label of a device item as printed on the board's schematic; empty here.
    virtual QString schematicLabel(const int& bus, const int& address, const int& item,
                                   const Quelm::FieldTypes& type) const;

    // Creates the driver of type on bus at address, or returns null for a type
    // without a driver (the bus master, the M25P40, values outside the table).
    Device* addDevice(Device::DeviceTypes type, const int& bus, const int& address,
                      const QString& name);
    Device* device(const int& bus, const int& address) const;
    QList<Device*> devices() const { return m_devices; }

    I2CBusController* busController() const { return m_busController; }
    void setBusController(I2CBusController* controller) { m_busController = controller; }

private:
    I2CBusController* m_busController = nullptr;
    QList<Device*> m_devices;
};

#endif // QUELMDEVICES_SUBASSEMBLY_H
