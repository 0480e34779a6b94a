#ifndef QUELMDEVICES_PRODUCTINTERFACE_H
#define QUELMDEVICES_PRODUCTINTERFACE_H

#include "quelmdevices_global.h"

#include <quelmcore/quelmcore.h>

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QString>

class Device;
class DeviceCommand;
class Field;
class I2CBusController;
class Subassembly;

//! The product as the host sees it: its boards, the bus master that one of
//! them carries, every device in a fixed order (bus number, then bus address),
//! and the command lists that read, write and erase them.
//!
//! From the quick start (examples/quickstart/main.cpp), a product of two
//! boards on two bus segments:
//! \snippet quickstart/main.cpp assembly
//! The product selects the bus segment through the bridge's GPIO port:
//! \snippet quickstart/main.cpp bus-select
//! Reading it, once the fields are made:
//! \snippet quickstart/main.cpp read
//!
//! Ownership: the QObject parents the host passes own the product, the
//! boards, the bridge and the fields. Devices made by Subassembly::addDevice()
//! have no parent, and nothing here deletes them. Commands have no parent;
//! the caller owns those it receives and deletes them. The read list of
//! readCommands() is the one exception to "a new list per call": it is
//! built on the first call and the same commands come back on every later
//! call, so it is deleted once, after its last use. replaceSubassembly() is
//! the only operation that deletes anything.
//!
//! Every command operation is virtual and the generator calls its own steps
//! through virtual dispatch, so a derived product can replace any step. Bus
//! segment selection exists only for such a product: it sets selectBusEnabled
//! and overrides selectBusCommand().
//!
//! Without a bus controller every command operation returns an empty list;
//! the header operations also need at least one device.
class QUELMDEVICES_EXPORT ProductInterface : public QObject
{
    Q_OBJECT

public:
    //! A product without boards, bus selection off, owned by \a parent.
    explicit ProductInterface(QObject* parent = nullptr);

    //! Appends a board. Its QObject parent, not the product, owns it.
    void addSubassembly(Subassembly* subassembly);
    //! Deletes the board at \a index and puts \a subassembly in its place; an
    //! index outside the list appends, and a board replaced by itself stays.
    void replaceSubassembly(const int& index, Subassembly* subassembly);
    //! The boards, in the order added.
    QList<Subassembly*> subassemblies() const { return m_subassemblies; }
    //! The first board that carries \a device, as its bus controller or among
    //! its devices; null when none does.
    Subassembly* deviceSubassembly(Device* device) const;

    //! The bus controller of the first board that has one; null when none has.
    I2CBusController* busController() const;
    //! Every board's devices, ordered by bus number, then bus address; of two
    //! at one place the first added comes first. A new list on every call;
    //! the bus controller is not in it. The first device is the header
    //! device, whose write pages 0 to 6 hold the product header.
    QList<Device*> devices() const;
    //! The first device of devices() at \a bus and \a address; null when none.
    Device* device(const int& bus, const int& address) const;
    //! The device order: by bus number, then by bus address.
    static bool deviceLessThan(const Device* a, const Device* b);

    //! Every device's receive buffer, concatenated in device order.
    QByteArray rxData() const;
    //! Every device's transmit buffer, concatenated in device order.
    QByteArray txData() const;

    //! The schematic label from the first board with a device at \a bus and
    //! \a address (Subassembly::schematicLabel()); empty for an identity
    //! proxy's field type and when no board has such a device.
    virtual QString schematicLabel(const int& bus, const int& address, const int& item,
                                   const Quelm::FieldTypes& type) const;
    //! Whether any device's transmit buffer differs from its receive buffer.
    //! The bus controller does not count.
    virtual bool isDirty() const;
    //! One command, "Configuring GPIO Register.": writes the bridge's
    //! internal registers, number and value pairs.
    virtual QList<DeviceCommand*> configureGpioCommands(const QByteArray& registers);
    //! Clears every device's transmit buffer and writes every write page of
    //! every device, the header pages included; with bus selection, a
    //! bus-select command first and at each change of bus.
    virtual QList<DeviceCommand*> eraseCommands();
    //! Clears the device's transmit buffer and writes all its write pages.
    virtual QList<DeviceCommand*> eraseDeviceCommands(Device* device);
    //! configureGpioCommands() setting both GPIO port configuration
    //! registers (0x02, 0x03) to 0xFF.
    virtual QList<DeviceCommand*> initializeMasterBusController();
    //! One command, "Read Internal Registers.": the bridge's 11 registers,
    //! answered into its read page 0.
    virtual QList<DeviceCommand*> readBusMasterInternalRegistersCommands();
    //! The full read: the bridge's GPIO configuration, its GPIO port, its
    //! registers, then every read page of every device in device order.
    //! Built on the first call, which clears every device's receive buffer;
    //! every later call returns the same commands, never rebuilt, so devices
    //! added afterwards are not in it. The caller deletes the list once,
    //! after its last use, and asks for it no more: a later call would hand
    //! out the deleted commands.
    virtual QList<DeviceCommand*> readCommands();
    //! A read of each of the device's read pages, or of those whose buffers
    //! differ when \a dirtyOnly is set; with bus selection, a bus-select
    //! command before them when there are any.
    virtual QList<DeviceCommand*> readDeviceCommands(Device* device, const bool& dirtyOnly);
    //! One command that reads read page \a page of \a device, such as
    //! `Read Device: 0.A0.8 (8 Bytes)`; its answer lands at the page's start.
    virtual QList<DeviceCommand*> readDevicePageCommands(Device* device, const int& page);
    //! One command, "Read GPIO Register.": the bridge's port, answered into
    //! byte 12 of its receive buffer.
    virtual QList<DeviceCommand*> readGpioCommands();
    //! A read of every read page of the header device; with bus selection,
    //! after a select of bus 0 and one of the header device's bus.
    virtual QList<DeviceCommand*> readHeaderCommands();
    //! The command that makes \a bus the active bus segment; null here. A
    //! product that sets selectBusEnabled overrides it and returns a new
    //! command on every call: it goes into the list, which the caller owns.
    virtual DeviceCommand* selectBusCommand(const int& bus);
    //! Writes \a count bytes of the header device's transmit buffer from
    //! \a offset, as writeCommands(Device*, offset, count) does.
    virtual QList<DeviceCommand*> updateHeaderCommands(const unsigned char& offset,
                                                       const unsigned char& count);
    //! The commands of one write of \a count bytes of the device's transmit
    //! buffer from \a offset: one for most parts; the X9408 and the AD5144A
    //! have write sequences of their own.
    virtual QList<DeviceCommand*> writeCommand(Device* device, const unsigned char& offset,
                                               const unsigned char& count);
    //! Every write page of every device, the header device's pages 0 to 6
    //! excepted, whatever the buffers hold: a page is written as the transmit
    //! buffer has it, zeros where nothing was put. After a read, copy what
    //! was read into the transmit buffers first, or write only the pages that
    //! differ, as the quick start does:
    //! \snippet quickstart/main.cpp write
    //! \snippet quickstart/main.cpp dirty-writes
    virtual QList<DeviceCommand*> writeCommands();
    //! Writes \a count bytes of the device's transmit buffer from \a offset
    //! in pieces of its write page size, each from where the last ended;
    //! with bus selection, after a bus-select command.
    virtual QList<DeviceCommand*> writeCommands(Device* device, const unsigned char& offset,
                                                const unsigned char& count);
    //! writeCommands() of the field's device, address and size; empty for a
    //! null field or one without a device.
    virtual QList<DeviceCommand*> writeCommands(Field* field);
    //! Writes each of the device's write pages, or those whose buffers differ
    //! when \a dirtyOnly is set, the header device's pages 0 to 6 excepted;
    //! with bus selection, a bus-select command before them when there are any.
    virtual QList<DeviceCommand*> writeDeviceCommands(Device* device, const bool& dirtyOnly);
    //! writeCommand() of write page \a page.
    virtual QList<DeviceCommand*> writeDevicePageCommands(Device* device, const int& page);
    //! One command, "Write GPIO Register N.": sets the bridge's GPIO port.
    virtual QList<DeviceCommand*> writeGpioCommands(const unsigned char& value);
    //! The bridge's GPIO configuration, then updateHeaderCommands(0, count).
    virtual QList<DeviceCommand*> writeHeaderCommands(const unsigned char& count);

private:
    using PageTest = bool (Device::*)(const int&) const;
    using PageCommands = QList<DeviceCommand*> (ProductInterface::*)(Device*, const int&);

    class HeaderScope;

    QList<Subassembly*> m_subassemblies;
    QList<DeviceCommand*> m_readCommands;
    // The header device of the list being generated, worked out once by its
    // generator; null outside one.
    Device* m_listHeader = nullptr;

protected:
    //! Whether lists select the bus segment before each device's commands
    //! (selectBusCommand()); false here. Set by a derived product that
    //! overrides selectBusCommand().
    bool selectBusEnabled = false;

private:
    Device* headerDevice() const;
    bool isHeaderDevice(const Device* device) const;
    QList<DeviceCommand*> pageCommands(Device* device, const int& firstPage, const int& pages,
                                       const bool& dirtyOnly, PageTest pageIsDirty,
                                       PageCommands commandsOfPage);
    void appendSelectBus(QList<DeviceCommand*>& commands, const int& bus);
    void prependSelectBus(QList<DeviceCommand*>& commands, const int& bus);
};

#endif // QUELMDEVICES_PRODUCTINTERFACE_H
