#include "productinterface.h"

#include "devicecommand.h"
#include "field.h"
#include "i2cbuscontroller.h"
#include "parttransactions.h"
#include "sc18im700.h"
#include "subassembly.h"

#include <algorithm>
#include <charconv>

namespace {

// Write pages 0 to 6 of the header device hold the product header; the
// ordinary write list starts after them.
constexpr int HeaderWritePages = 7;

// The field type that identity-proxy fields report: a mirror, with no place
// of its own on a schematic.
constexpr int ProxyFieldType = 1;

// Both GPIO port configuration registers of the bridge set to 0xFF: register
// and value pairs as a register write sends them.
const QByteArray busMasterInitialisation = QByteArray()
    .append(char(SC18IM700Protocol::PortConf1)).append(char(0xFF))
    .append(char(SC18IM700Protocol::PortConf2)).append(char(0xFF));

// Writes value in the base as QString::number would, with upper-case digits.
char* appendNumber(char* out, char* end, const int value, const int base)
{
    char* const last = std::to_chars(out, end, value, base).ptr;
    for (char* digit = out; digit != last; ++digit) {
        if (*digit >= 'a')
            *digit = char(*digit - 'a' + 'A');
    }
    return last;
}

// "<verb> Device: bus.ADDRESS.OFFSET (count Bytes)": bus and count decimal,
// bus address and offset upper-case hex. Built in one buffer because the
// generator makes one per command and QString::arg allocates per placeholder.
QString commandDescription(const QLatin1String& verb, const Device* device, const int offset,
                           const int count)
{
    static constexpr char open[] = " Device: ";
    static constexpr char close[] = " Bytes)";
    char text[80]; // verb, punctuation and four numbers of at most 11 characters
    char* const end = text + sizeof text;
    char* cursor = std::copy(verb.begin(), verb.end(), text);
    cursor = std::copy(open, open + sizeof open - 1, cursor);
    cursor = appendNumber(cursor, end, device->busNumber(), 10);
    *cursor++ = '.';
    cursor = appendNumber(cursor, end, device->busAddress(), 16);
    *cursor++ = '.';
    cursor = appendNumber(cursor, end, offset, 16);
    *cursor++ = ' ';
    *cursor++ = '(';
    cursor = appendNumber(cursor, end, count, 10);
    cursor = std::copy(close, close + sizeof close - 1, cursor);
    return QString::fromLatin1(text, int(cursor - text));
}

} // namespace

ProductInterface::ProductInterface(QObject* parent)
    : QObject(parent)
{
}

// ---------------------------------------------------------------------------
// Structure

void ProductInterface::addSubassembly(Subassembly* subassembly)
{
    m_subassemblies.append(subassembly);
}

void ProductInterface::replaceSubassembly(const int& index, Subassembly* subassembly)
{
    if (index < 0 || index >= m_subassemblies.size()) {
        m_subassemblies.append(subassembly);
        return;
    }
    if (m_subassemblies.at(index) == subassembly)
        return; // replacing a board by itself must not delete it
    delete m_subassemblies.takeAt(index);
    m_subassemblies.insert(index, subassembly);
}

Subassembly* ProductInterface::deviceSubassembly(Device* device) const
{
    if (!device)
        return nullptr;
    for (Subassembly* const subassembly : m_subassemblies) {
        if (subassembly && (static_cast<Device*>(subassembly->busController()) == device
                            || subassembly->devices().contains(device)))
            return subassembly;
    }
    return nullptr;
}

I2CBusController* ProductInterface::busController() const
{
    for (const Subassembly* const subassembly : m_subassemblies) {
        if (subassembly && subassembly->busController())
            return subassembly->busController();
    }
    return nullptr;
}

QList<Device*> ProductInterface::devices() const
{
    QList<Device*> all;
    for (const Subassembly* const subassembly : m_subassemblies) {
        if (subassembly)
            all.append(subassembly->devices());
    }
    // Stable, so that of two devices at one bus address the first added is
    // the header device.
    std::stable_sort(all.begin(), all.end(), deviceLessThan);
    return all;
}

Device* ProductInterface::device(const int& bus, const int& address) const
{
    const QList<Device*> all = devices();
    for (Device* const candidate : all) {
        if (candidate->busNumber() == bus && candidate->busAddress() == address)
            return candidate;
    }
    return nullptr;
}

bool ProductInterface::deviceLessThan(const Device* a, const Device* b)
{
    if (a->busNumber() != b->busNumber())
        return a->busNumber() < b->busNumber();
    return a->busAddress() < b->busAddress();
}

// Makes the first device of a list's device order the header device while
// that list is generated, so that each device's step need not look for it.
class ProductInterface::HeaderScope
{
public:
    HeaderScope(ProductInterface& product, const QList<Device*>& ordered)
        : m_product(product), m_previous(product.m_listHeader)
    {
        m_product.m_listHeader = ordered.isEmpty() ? nullptr : ordered.constFirst();
    }
    ~HeaderScope() { m_product.m_listHeader = m_previous; }
    HeaderScope(const HeaderScope&) = delete;
    HeaderScope& operator=(const HeaderScope&) = delete;

private:
    ProductInterface& m_product;
    Device* const m_previous;
};

// The first device of devices(): of several at the lowest bus and address,
// the first added.
Device* ProductInterface::headerDevice() const
{
    if (m_listHeader)
        return m_listHeader;
    Device* first = nullptr;
    for (const Subassembly* const subassembly : m_subassemblies) {
        if (!subassembly)
            continue;
        const QList<Device*> devices = subassembly->devices();
        for (Device* const device : devices) {
            if (!first || deviceLessThan(device, first))
                first = device;
        }
    }
    return first;
}

// Whether device is headerDevice(). A host that builds one device's list at
// a time asks this for every device, so it stops at the first device found
// to come before this one, which in a product sorted by board is the first.
bool ProductInterface::isHeaderDevice(const Device* device) const
{
    if (m_listHeader)
        return device == m_listHeader;
    bool found = false;
    for (const Subassembly* const subassembly : m_subassemblies) {
        if (!subassembly)
            continue;
        const QList<Device*> devices = subassembly->devices();
        for (const Device* const other : devices) {
            if (other == device)
                found = true;
            else if (deviceLessThan(other, device) || (!found && !deviceLessThan(device, other)))
                return false; // before it, or at its place and added earlier
        }
    }
    return found;
}

QByteArray ProductInterface::rxData() const
{
    QByteArray image;
    const QList<Device*> all = devices();
    for (const Device* const device : all)
        image.append(device->rxBuffer());
    return image;
}

QByteArray ProductInterface::txData() const
{
    QByteArray image;
    const QList<Device*> all = devices();
    for (const Device* const device : all)
        image.append(device->txBuffer());
    return image;
}

QString ProductInterface::schematicLabel(const int& bus, const int& address, const int& item,
                                         const Quelm::FieldTypes& type) const
{
    if (int(type) == ProxyFieldType)
        return QString();
    for (const Subassembly* const subassembly : m_subassemblies) {
        if (subassembly && subassembly->device(bus, address))
            return subassembly->schematicLabel(bus, address, item, type);
    }
    return QString();
}

bool ProductInterface::isDirty() const
{
    const QList<Device*> all = devices();
    return std::any_of(all.cbegin(), all.cend(), [](const Device* device) {
        return device->isDirty();
    });
}

// ---------------------------------------------------------------------------
// Bus selection

DeviceCommand* ProductInterface::selectBusCommand(const int& bus)
{
    Q_UNUSED(bus)
    return nullptr;
}

void ProductInterface::appendSelectBus(QList<DeviceCommand*>& commands, const int& bus)
{
    if (!selectBusEnabled)
        return;
    if (DeviceCommand* const select = selectBusCommand(bus))
        commands.append(select);
}

// Only a device that has commands gets its bus selected.
void ProductInterface::prependSelectBus(QList<DeviceCommand*>& commands, const int& bus)
{
    if (commands.isEmpty() || !selectBusEnabled)
        return;
    if (DeviceCommand* const select = selectBusCommand(bus))
        commands.prepend(select);
}

// The commands of pages firstPage to pages - 1, optionally of the dirty ones
// only, behind a bus-select command for the device's bus.
QList<DeviceCommand*> ProductInterface::pageCommands(Device* device, const int& firstPage,
                                                     const int& pages, const bool& dirtyOnly,
                                                     PageTest pageIsDirty,
                                                     PageCommands commandsOfPage)
{
    QList<DeviceCommand*> commands;
    if (!device)
        return commands;
    for (int page = firstPage; page < pages; ++page) {
        if (dirtyOnly && !(device->*pageIsDirty)(page))
            continue;
        commands.append((this->*commandsOfPage)(device, page));
    }
    prependSelectBus(commands, device->busNumber());
    return commands;
}

// ---------------------------------------------------------------------------
// Bus-master commands

QList<DeviceCommand*> ProductInterface::configureGpioCommands(const QByteArray& registers)
{
    I2CBusController* const controller = busController();
    if (!controller)
        return {};
    return {new DeviceCommand(QStringLiteral("Configuring GPIO Register."),
                              controller->writeInternalRegister(registers))};
}

QList<DeviceCommand*> ProductInterface::initializeMasterBusController()
{
    return configureGpioCommands(busMasterInitialisation);
}

QList<DeviceCommand*> ProductInterface::writeGpioCommands(const unsigned char& value)
{
    I2CBusController* const controller = busController();
    if (!controller)
        return {};
    const QString description = QLatin1String("Write GPIO Register ") + QString::number(value)
                                + QLatin1Char('.');
    return {new DeviceCommand(description, controller->writeGpio(value))};
}

QList<DeviceCommand*> ProductInterface::readGpioCommands()
{
    I2CBusController* const controller = busController();
    if (!controller)
        return {};
    return {new DeviceCommand(QStringLiteral("Read GPIO Register."), controller,
                              SC18IM700Protocol::GpioImageIndex, controller->readGpio())};
}

QList<DeviceCommand*> ProductInterface::readBusMasterInternalRegistersCommands()
{
    I2CBusController* const controller = busController();
    if (!controller)
        return {};
    return {new DeviceCommand(QStringLiteral("Read Internal Registers."), controller, 0,
                              controller->readInternalRegisters())};
}

// ---------------------------------------------------------------------------
// Reading

QList<DeviceCommand*> ProductInterface::readCommands()
{
    if (!m_readCommands.isEmpty() || !busController())
        return m_readCommands;
    m_readCommands.append(initializeMasterBusController());
    m_readCommands.append(readGpioCommands());
    m_readCommands.append(readBusMasterInternalRegistersCommands());
    const QList<Device*> all = devices();
    for (Device* const device : all) {
        device->clearRxData();
        m_readCommands.append(readDeviceCommands(device, false));
    }
    return m_readCommands;
}

QList<DeviceCommand*> ProductInterface::readDeviceCommands(Device* device, const bool& dirtyOnly)
{
    if (!device)
        return {};
    return pageCommands(device, 0, device->readPages(), dirtyOnly, &Device::readPageIsDirty,
                        &ProductInterface::readDevicePageCommands);
}

QList<DeviceCommand*> ProductInterface::readDevicePageCommands(Device* device, const int& page)
{
    I2CBusController* const controller = busController();
    if (!controller || !device)
        return {};
    const int address = device->readPageAddress(page);
    const int size = device->readPageSize(page);
    const QByteArray bytes = PartTransactions::of(device->deviceType())
                                 .readPage(*controller, *device, quint8(address), quint8(size));
    return {new DeviceCommand(commandDescription(QLatin1String("Read"), device, address, size),
                              device, page, bytes)};
}

// ---------------------------------------------------------------------------
// Writing and erasing

QList<DeviceCommand*> ProductInterface::writeCommands()
{
    if (!busController())
        return {};
    const QList<Device*> all = devices();
    const HeaderScope scope(*this, all);
    QList<DeviceCommand*> commands;
    for (Device* const device : all)
        commands.append(writeDeviceCommands(device, false));
    return commands;
}

QList<DeviceCommand*> ProductInterface::writeDeviceCommands(Device* device, const bool& dirtyOnly)
{
    if (!device)
        return {};
    const int firstPage = isHeaderDevice(device) ? HeaderWritePages : 0;
    return pageCommands(device, firstPage, device->writePages(), dirtyOnly,
                        &Device::writePageIsDirty, &ProductInterface::writeDevicePageCommands);
}

QList<DeviceCommand*> ProductInterface::writeDevicePageCommands(Device* device, const int& page)
{
    if (!device)
        return {};
    return writeCommand(device, quint8(device->writePageAddress(page)),
                        quint8(device->writePageSize(page)));
}

QList<DeviceCommand*> ProductInterface::writeCommand(Device* device, const unsigned char& offset,
                                                     const unsigned char& count)
{
    I2CBusController* const controller = busController();
    if (!controller || !device)
        return {};
    const QString description = commandDescription(QLatin1String("Write"), device, offset, count);
    const PartTransactions::Strings strings =
        PartTransactions::of(device->deviceType()).write(*controller, *device, offset, count);
    QList<DeviceCommand*> commands;
    commands.reserve(strings.size());
    for (const QByteArray& bytes : strings)
        commands.append(new DeviceCommand(description, bytes));
    return commands;
}

QList<DeviceCommand*> ProductInterface::writeCommands(Device* device, const unsigned char& offset,
                                                      const unsigned char& count)
{
    if (!device || !busController())
        return {};
    QList<DeviceCommand*> commands;
    appendSelectBus(commands, device->busNumber());
    // Write page 0 sets the piece size for the whole range; pieces start at
    // offset, not at page boundaries. A device without a page size gets the
    // range in one piece.
    const int chunk = device->writePageSize(0);
    const int pieceSize = chunk > 0 ? chunk : qMax(int(count), 1);
    unsigned char start = offset; // wraps at 256 like the part's address counter
    int remaining = count;
    do {
        const unsigned char piece = quint8(qMin(remaining, pieceSize));
        commands.append(writeCommand(device, start, piece));
        start = quint8(start + piece);
        remaining -= piece;
    } while (remaining > 0);
    return commands;
}

QList<DeviceCommand*> ProductInterface::writeCommands(Field* field)
{
    if (!field || !field->device())
        return {};
    return writeCommands(field->device(), field->address(), field->size());
}

QList<DeviceCommand*> ProductInterface::eraseDeviceCommands(Device* device)
{
    if (!device || !busController())
        return {};
    device->clearTxData();
    QList<DeviceCommand*> commands;
    const int pages = device->writePages();
    for (int page = 0; page < pages; ++page)
        commands.append(writeDevicePageCommands(device, page));
    return commands;
}

QList<DeviceCommand*> ProductInterface::eraseCommands()
{
    if (!busController())
        return {};
    QList<DeviceCommand*> commands;
    int currentBus = 0;
    appendSelectBus(commands, currentBus);
    const QList<Device*> all = devices();
    for (Device* const device : all) {
        if (device->busNumber() != currentBus) {
            currentBus = device->busNumber();
            appendSelectBus(commands, currentBus);
        }
        commands.append(eraseDeviceCommands(device));
    }
    return commands;
}

// ---------------------------------------------------------------------------
// Header

QList<DeviceCommand*> ProductInterface::readHeaderCommands()
{
    Device* const header = headerDevice();
    if (!header || !busController())
        return {};
    QList<DeviceCommand*> commands;
    appendSelectBus(commands, 0);
    commands.append(readDeviceCommands(header, false));
    return commands;
}

QList<DeviceCommand*> ProductInterface::writeHeaderCommands(const unsigned char& count)
{
    if (!headerDevice() || !busController())
        return {};
    QList<DeviceCommand*> commands = initializeMasterBusController();
    commands.append(updateHeaderCommands(0, count));
    return commands;
}

QList<DeviceCommand*> ProductInterface::updateHeaderCommands(const unsigned char& offset,
                                                             const unsigned char& count)
{
    return writeCommands(headerDevice(), offset, count);
}
