#include "product.h"

#include <devicecommand.h>
#include <field.h>
#include <iopinfield.h>
#include <ioportfield.h>
#include <nullfield.h>
#include <proxyfield.h>
#include <sc18im700.h>

#include <QtCore/QPair>

QString hexBytes(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

Board::Board(const QString& title, QObject* parent)
    : Subassembly(parent)
    , m_title(title)
{
}

DescribedProduct::DescribedProduct(bool gpioBusSelect, QObject* parent)
    : ProductInterface(parent)
{
    selectBusEnabled = gpioBusSelect;
}

DeviceCommand* DescribedProduct::selectBusCommand(const int& bus)
{
    if (!selectBusEnabled)
        return nullptr;
    // "O", bus, "P", described like every other GPIO write.
    QList<DeviceCommand*> commands = writeGpioCommands(quint8(bus));
    DeviceCommand* command = commands.isEmpty() ? nullptr : commands.takeFirst();
    qDeleteAll(commands);
    return command;
}

LoadedProduct::LoadedProduct(const ProductDescription& description)
    : m_description(description)
    , m_root(std::make_unique<QObject>())
{
    m_product = new DescribedProduct(description.gpioBusSelect, m_root.get());
    m_model = new QuelmModel(0, Field::ConfigurationColumn + 1, m_root.get());
    addBoards();
    addModelRows();
}

LoadedProduct::~LoadedProduct()
{
    qDeleteAll(m_readCommands);
    const QList<Device*> devices = m_product->devices();
    m_root.reset();
    qDeleteAll(devices);
}

void LoadedProduct::moveToThread(QThread* thread)
{
    m_root->moveToThread(thread);
}

void LoadedProduct::addBoards()
{
    for (const BoardDescription& description : qAsConst(m_description.boards)) {
        auto* board = new Board(description.title, m_product);
        for (const DeviceDescription& device : description.devices)
            board->addDevice(device.type, device.bus, device.address, device.name);
        m_product->addSubassembly(board);
    }
    // The first board carries the bridge; a product without boards gets one.
    if (m_product->subassemblies().isEmpty())
        m_product->addSubassembly(new Board(QStringLiteral("Bridge"), m_product));
    Subassembly* carrier = m_product->subassemblies().constFirst();
    m_bridge = new SC18IM700(QStringLiteral("bridge"), carrier);
    carrier->setBusController(m_bridge);
}

Device* LoadedProduct::device(const QString& name) const
{
    const QList<Device*> devices = m_product->devices();
    for (Device* device : devices) {
        if (device->name() == name)
            return device;
    }
    return nullptr;
}

MemoryMark memoryMark(const Device* device, int address, int count)
{
    if (device->readPages() == 0)
        return MemoryMark::NotReadBack;
    return device->rxBuffer().mid(address, count) == device->txBuffer().mid(address, count) ? MemoryMark::Same
                                                                                            : MemoryMark::Differs;
}

Device* LoadedProduct::deviceAt(int bus, int address) const
{
    const QList<Device*> devices = m_product->devices();
    for (Device* device : devices) {
        if (device->busNumber() == bus && device->busAddress() == address)
            return device;
    }
    return nullptr;
}

Device* LoadedProduct::headerDevice() const
{
    return m_product->devices().value(0);
}

int LoadedProduct::headerSize() const
{
    const Device* header = headerDevice();
    int size = 0;
    for (int page = 0; header && page < qMin(HeaderPages, header->writePages()); ++page)
        size += header->writePageSize(page);
    return size;
}

void LoadedProduct::addModelRows()
{
    const QList<SettingDescription>& settings = m_description.settings;
    m_model->insertRows(0, settings.size());
    for (int row = 0; row < settings.size(); ++row)
        addModelRow(row, settings.at(row));
}

void LoadedProduct::bindSettings()
{
    const QList<SettingDescription>& settings = m_description.settings;
    if (!m_fields.isEmpty())
        return;
    // Proxies need their source's field, which may come later in the list.
    for (int row = 0; row < settings.size(); ++row) {
        if (settings.at(row).kind != SettingKind::Proxy)
            m_fields.append(createField(row, settings.at(row)));
        else
            m_fields.append(nullptr);
    }
    for (int row = 0; row < settings.size(); ++row) {
        if (!m_fields.at(row))
            m_fields[row] = createField(row, settings.at(row));
    }
}

namespace {

QString sizeText(int size, Quelm::FieldTypes type)
{
    if (type == Quelm::BitField)
        return QStringLiteral("1 Bit");
    return size == 1 ? QStringLiteral("1 Byte") : QStringLiteral("%1 Bytes").arg(size);
}

} // namespace

void LoadedProduct::addModelRow(int row, const SettingDescription& setting)
{
    const SettingKindRow kind = settingKindRow(setting.kind);
    const bool numbered = kind.numberPrefix != nullptr;
    const Quelm::FieldTypes type = kind.fieldType != Quelm::UndefinedField
        ? kind.fieldType : MemoryAddress::fieldType(setting.address);
    const int address = numbered ? setting.number : MemoryAddress::memoryAddress(setting.address);
    const int size = numbered ? 1 : MemoryAddress::memorySize(setting.address);
    const QString addressText = numbered ? QLatin1String(kind.numberPrefix) + QString::number(setting.number)
                                         : setting.address;

    auto set = [&](int column, const QVariant& value, int role = Qt::EditRole) {
        m_model->setData(m_model->index(row, column), value, role);
    };
    m_model->setHeaderData(row, Qt::Vertical, setting.name);
    set(Field::ValueColumn, setting.value);
    set(Field::TypeColumn, int(type));
    set(Field::AddressColumn, address);
    set(Field::AddressColumn, addressText, Qt::DisplayRole);
    set(Field::SizeColumn, size);
    set(Field::SizeColumn, sizeText(size, type), Qt::DisplayRole);
    set(Field::ConfigurationColumn, setting.configuration);
}

Field* LoadedProduct::createField(int row, const SettingDescription& setting)
{
    Device* target = device(setting.device);
    QObject* parent = m_root.get();
    switch (setting.kind) {
    case SettingKind::Pin:
        return new IoPinField(m_model, row, target, parent);
    case SettingKind::Port:
        return new IoPortField(m_model, row, target, parent);
    case SettingKind::Null:
        return new NullField(m_model, row, setting.address, target, setting.text, parent);
    case SettingKind::Proxy:
        return new IdentityProxyField(m_fields.at(m_description.settingIndex(setting.source)),
                                      MemoryAddress::memoryAddress(setting.address),
                                      MemoryAddress::memorySize(setting.address), target, parent);
    case SettingKind::Byte:
    case SettingKind::Bytes:
        break;
    }
    return new Field(m_model, row, target, parent);
}

QList<DeviceCommand*> LoadedProduct::readCommands()
{
    if (m_readCommands.isEmpty())
        m_readCommands = m_product->readCommands();
    return m_readCommands;
}

void LoadedProduct::adoptReceivedData()
{
    const QList<Device*> devices = m_product->devices();
    for (Device* device : devices)
        device->setTxData(0, device->rxBuffer());
}

void LoadedProduct::mapToDevices()
{
    for (Field* field : qAsConst(m_fields))
        field->mapToEmbeddedData();
}

void LoadedProduct::mapFromDevices()
{
    for (Field* field : qAsConst(m_fields))
        field->mapFromEmbeddedData();
}

void LoadedProduct::applySettings()
{
    adoptReceivedData();
    bindSettings();
    mapToDevices();
}

QList<DeviceCommand*> LoadedProduct::dirtyPageCommands()
{
    QList<DeviceCommand*> commands;
    const Device* header = headerDevice();
    for (int page = 0; header && page < qMin(HeaderPages, header->writePages()); ++page) {
        if (header->writePageIsDirty(page))
            commands += m_product->updateHeaderCommands(quint8(header->writePageAddress(page)),
                                                        quint8(header->writePageSize(page)));
    }
    const QList<Device*> devices = m_product->devices();
    for (Device* device : devices)
        commands += m_product->writeDeviceCommands(device, true);
    return commands;
}

ByteRange LoadedProduct::wholePage(const Device* device, int page)
{
    return {device->writePageAddress(page), device->writePageSize(page)};
}

VerifyResult LoadedProduct::verify(const PageFilter& include) const
{
    VerifyResult result;
    for (const Device* device : m_product->devices()) {
        QList<QPair<int, ByteRange>> pages;
        for (int page = 0; page < device->writePages(); ++page) {
            const ByteRange range = include(device, page);
            if (range.count > 0)
                pages.append({page, range});
        }
        if (pages.isEmpty())
            continue;
        if (device->readPages() == 0) {
            result.writeOnly.append(device->name());
            continue;
        }
        bool deviceOk = true;
        for (const auto& [page, range] : qAsConst(pages)) {
            const QByteArray wrote = device->txData(quint8(range.start), quint8(range.count));
            const QByteArray read = device->rxData(quint8(range.start), quint8(range.count));
            if (wrote == read)
                continue;
            result.mismatches.append({device->name(), page, wrote, read});
            deviceOk = false;
        }
        result.matching += deviceOk ? 1 : 0;
    }
    return result;
}

QString PageMismatch::text() const
{
    return QStringLiteral("verify: device \"%1\" page %2: wrote %3, read %4")
        .arg(device).arg(page).arg(hexBytes(wrote), hexBytes(read));
}

QString VerifyResult::summary() const
{
    QString line = QStringLiteral("verify: %1 %2").arg(matching)
                       .arg(matching == 1 ? QStringLiteral("device matches") : QStringLiteral("devices match"));
    if (!writeOnly.isEmpty())
        line += QStringLiteral(" (write-only, not read back: %1)").arg(writeOnly.join(QStringLiteral(", ")));
    return line;
}
