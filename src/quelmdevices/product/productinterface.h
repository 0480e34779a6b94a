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

// The product as the host sees it: its boards, the bus master that one of
// them carries, every device in a fixed order (bus number, then bus address),
// and the command lists that read, write and erase them.
//
// Every command operation is virtual and the generator calls its own steps
// through virtual dispatch, so a derived product can replace any step. Bus
// segment selection exists only for such a product: it sets selectBusEnabled
// and overrides selectBusCommand().
//
// Without a bus controller every command operation returns an empty list;
// the header operations also need at least one device. Commands have no
// parent; the caller owns those it receives, including the cached read list,
// which is handed out again on every call.
class QUELMDEVICES_EXPORT ProductInterface : public QObject
{
    Q_OBJECT

public:
    explicit ProductInterface(QObject* parent = nullptr);

    void addSubassembly(Subassembly* subassembly);
    // Deletes the subassembly at index and puts the new one in its place; an
    // index outside the list appends.
    void replaceSubassembly(const int& index, Subassembly* subassembly);
    QList<Subassembly*> subassemblies() const { return m_subassemblies; }
    Subassembly* deviceSubassembly(Device* device) const;

    I2CBusController* busController() const;
    QList<Device*> devices() const;
    Device* device(const int& bus, const int& address) const;
    static bool deviceLessThan(const Device* a, const Device* b);

    // The product's memory image, device by device in device order.
    QByteArray rxData() const;
    QByteArray txData() const;

    virtual QString schematicLabel(const int& bus, const int& address, const int& item,
                                   const Quelm::FieldTypes& type) const;
    virtual bool isDirty() const;
    virtual QList<DeviceCommand*> configureGpioCommands(const QByteArray& registers);
    virtual QList<DeviceCommand*> eraseCommands();
    virtual QList<DeviceCommand*> eraseDeviceCommands(Device* device);
    virtual QList<DeviceCommand*> initializeMasterBusController();
    virtual QList<DeviceCommand*> readBusMasterInternalRegistersCommands();
    virtual QList<DeviceCommand*> readCommands();
    virtual QList<DeviceCommand*> readDeviceCommands(Device* device, const bool& dirtyOnly);
    virtual QList<DeviceCommand*> readDevicePageCommands(Device* device, const int& page);
    virtual QList<DeviceCommand*> readGpioCommands();
    virtual QList<DeviceCommand*> readHeaderCommands();
    virtual DeviceCommand* selectBusCommand(const int& bus);
    virtual QList<DeviceCommand*> updateHeaderCommands(const unsigned char& offset,
                                                       const unsigned char& count);
    virtual QList<DeviceCommand*> writeCommand(Device* device, const unsigned char& offset,
                                               const unsigned char& count);
    virtual QList<DeviceCommand*> writeCommands();
    virtual QList<DeviceCommand*> writeCommands(Device* device, const unsigned char& offset,
                                                const unsigned char& count);
    virtual QList<DeviceCommand*> writeCommands(Field* field);
    virtual QList<DeviceCommand*> writeDeviceCommands(Device* device, const bool& dirtyOnly);
    virtual QList<DeviceCommand*> writeDevicePageCommands(Device* device, const int& page);
    virtual QList<DeviceCommand*> writeGpioCommands(const unsigned char& value);
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
    // Set by a derived product that overrides selectBusCommand().
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
