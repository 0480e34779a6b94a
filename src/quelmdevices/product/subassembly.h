#ifndef QUELMDEVICES_SUBASSEMBLY_H
#define QUELMDEVICES_SUBASSEMBLY_H

#include "device.h"

#include <quelmcore/quelmcore.h>

#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QString>

class I2CBusController;

//! One board of the product: the devices mounted on it and, on the board
//! that carries it, the bus master. A host derives its boards from it; each
//! names itself and may label its parts as the schematic does. From the
//! quick start (examples/quickstart/main.cpp):
//! \snippet quickstart/main.cpp board
//! Its boards, made and filled:
//! \snippet quickstart/main.cpp assembly
//!
//! A board owns nothing. Devices made by addDevice() have no parent and are
//! never deleted here: the host decides when they go. A board deleted (by
//! its parent, or by ProductInterface::replaceSubassembly()) leaves them
//! alive, so a host that drops a board takes its devices() first. The bus
//! controller belongs to the parent the host gives it, usually the board.
class QUELMDEVICES_EXPORT Subassembly : public QObject
{
public:
    //! A board without devices or bus controller, owned by \a parent.
    explicit Subassembly(QObject* parent = nullptr);

    //! The board's name as the host shows it; nothing in the library calls it.
    virtual QString title() const = 0;
    //! The label of a device item as printed on the board's schematic, for
    //! the part at \a bus and \a address; \a item and \a type mean what the
    //! host's board makes of them. Empty here.
    //! ProductInterface::schematicLabel() asks the board that has the part.
    virtual QString schematicLabel(const int& bus, const int& address, const int& item,
                                   const Quelm::FieldTypes& type) const;

    //! Creates the driver of \a type on \a bus at \a address (8-bit, bit 0
    //! clear), named \a name, with no parent, appends it to devices() and
    //! returns it. A type without a driver (the bus master, the M25P40, a
    //! value outside Device::DeviceTypes) makes nothing and returns null.
    //! Nothing checks that the place is free.
    Device* addDevice(Device::DeviceTypes type, const int& bus, const int& address,
                      const QString& name);
    //! The first device added at \a bus and \a address; null when none is
    //! there.
    Device* device(const int& bus, const int& address) const;
    //! The devices, in the order added; the bus controller is not among them.
    QList<Device*> devices() const { return m_devices; }

    //! The bus master this board carries; null when it carries none.
    I2CBusController* busController() const { return m_busController; }
    //! Makes \a controller this board's bus master; not owned.
    //! ProductInterface::busController() returns that of the first board that
    //! has one.
    void setBusController(I2CBusController* controller) { m_busController = controller; }

private:
    I2CBusController* m_busController = nullptr;
    QList<Device*> m_devices;
};

#endif // QUELMDEVICES_SUBASSEMBLY_H
