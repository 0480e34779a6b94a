// Drives arbitrary sequences of library calls on a product: buffer writes,
// page tests, every command list, answers of any length handed to setRxData,
// dumps, reports and field mapping. Nothing may crash, read or write outside
// a buffer, overflow, or leak.

#include "fuzzinput.h"

#include <quelmdevices/quelmdevices.h>
#include <varncore/logger.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDebug>
#include <QtCore/QTextStream>

#include <memory>
#include <vector>

namespace {

class Board : public Subassembly
{
public:
    using Subassembly::Subassembly;
    QString title() const override { return QStringLiteral("fuzz board"); }
};

// Selects a segment through the bridge's GPIO port, or sends nothing for
// bus numbers above 3, so that both kinds of answer occur.
class Product : public ProductInterface
{
public:
    void setSelectBus(const bool enabled) { selectBusEnabled = enabled; }
    DeviceCommand* selectBusCommand(const int& bus) override
    {
        if (bus > 3)
            return nullptr;
        return new DeviceCommand(QStringLiteral("Select Bus"), SC18IM700::writeGpioCommands(quint8(bus)));
    }
};

// Everything one input works on; owns what the library leaves to its host.
struct Session
{
    QObject root;
    Product* product = new Product;
    SC18IM700* bridge = new SC18IM700(QStringLiteral("bridge"), &root);
    QuelmModel* model = new QuelmModel(8, Field::ConfigurationColumn + 1, &root);
    std::vector<std::unique_ptr<Device>> devices;
    QList<DeviceCommand*> owned;     // every command handed out, but the read list
    QList<DeviceCommand*> readList;  // the cached read list, deleted once
    QList<Field*> fields;            // children of root

    Session() { product->setParent(&root); }
    ~Session()
    {
        qDeleteAll(owned);
        qDeleteAll(readList);
    }

    Device* pick(FuzzInput& input) const
    {
        if (devices.empty())
            return nullptr;
        const quint8 index = input.byte();
        // Now and then the bridge, or no device at all.
        if (index == 0xFF)
            return bridge;
        if (index == 0xFE)
            return nullptr;
        return devices[index % devices.size()].get();
    }

    Board* board(FuzzInput& input) const
    {
        const QList<Subassembly*> boards = product->subassemblies();
        return boards.isEmpty() ? nullptr : static_cast<Board*>(boards.at(input.byte() % boards.size()));
    }

    void addDevice(FuzzInput& input)
    {
        Board* const target = board(input);
        if (!target)
            return;
        const int type = input.byte() % 8; // the bus master and M25P40 make nothing
        const int bus = input.byte() % 6;
        const int address = input.byte() & 0xFE;
        if (Device* const device = target->addDevice(Device::DeviceTypes(type), bus, address,
                                                      QStringLiteral("device")))
            devices.emplace_back(device);
    }

    // Commands the caller owns; answers of any length go to every read.
    void take(const QList<DeviceCommand*>& commands, FuzzInput& input)
    {
        for (DeviceCommand* const command : commands) {
            if (command->responseBytes() > 0 && input.flag()) {
                QByteArray answer = input.bytes();
                command->setRxData(answer);
            }
            command->data();
        }
        owned += commands;
    }
};

void dump(const QList<DeviceCommand*>& commands)
{
    QString text;
    QTextStream stream(&text);
    QString debugText;
    QDebug debug(&debugText);
    for (DeviceCommand* const command : commands) {
        stream << command;
        debug << command;
    }
}

void report(const Device* device)
{
    if (!device)
        return;
    QString text;
    QTextStream stream(&text);
    device->output(stream);
    device->toHtml(stream);
}

void fillRow(QuelmModel* model, const int row, FuzzInput& input)
{
    const auto set = [&](const int column, const QVariant& value) {
        model->setData(model->index(row, column), value, Qt::EditRole);
    };
    set(Field::ValueColumn, input.bytes());
    set(Field::TypeColumn, int(input.byte() % 7));
    set(Field::AddressColumn, int(input.byte()));
    set(Field::SizeColumn, int(input.byte()));
    set(Field::ConfigurationColumn, int(input.byte()));
}

Field* makeField(Session& session, FuzzInput& input)
{
    const int row = input.byte() % 9 - 1; // -1 and one past the model included
    if (row >= 0 && row < session.model->rowCount())
        fillRow(session.model, row, input);
    Device* const device = session.pick(input);
    QuelmModel* const model = input.byte() == 0xFF ? nullptr : session.model;
    switch (input.byte() % 5) {
    case 0:
        return new Field(model, row, device, &session.root);
    case 1:
        return new IoPinField(model, row, device, &session.root);
    case 2:
        return new IoPortField(model, row, device, &session.root);
    case 3:
        return new NullField(model, row, QString::fromLatin1(input.bytes()), device,
                             QString::fromUtf8(input.bytes()), &session.root);
    default: {
        Field* const source = session.fields.isEmpty() || input.byte() == 0xFF
            ? nullptr
            : session.fields.at(input.byte() % session.fields.size());
        return new IdentityProxyField(source, input.integer(), input.integer(), device, &session.root);
    }
    }
}

void useField(Field* field)
{
    field->mapToEmbeddedData();
    field->mapFromEmbeddedData();
    field->rxEmbeddedValue(0);
    field->txEmbeddedValue(1);
    field->embeddedValueToString();
    field->fieldSizeToString();
    field->memoryAddressToString();
    field->memoryConfigToString();
    QString text;
    QTextStream stream(&text);
    field->output(stream);
}

void step(Session& session, FuzzInput& input)
{
    ProductInterface& product = *session.product;
    switch (input.byte() % 25) {
    case 0:
        session.addDevice(input);
        break;
    case 1:
        if (Device* const device = session.pick(input))
            device->setTxData(input.byte(), input.bytes());
        break;
    case 2:
        if (Device* const device = session.pick(input))
            device->setRxData(input.byte(), input.bytes());
        break;
    case 3:
        if (Device* const device = session.pick(input)) {
            if (input.flag())
                device->setTxData(input.bytes());
            else
                device->setRxData(input.bytes());
        }
        break;
    case 4:
        if (Device* const device = session.pick(input)) {
            const int page = input.pageNumber();
            device->readPageIsDirty(page);
            device->writePageIsDirty(page);
            device->readPageAddress(page);
            device->writePageSize(page);
            device->isDirty();
        }
        break;
    case 5: {
        const QList<DeviceCommand*> commands = product.readCommands();
        if (session.readList.isEmpty())
            session.readList = commands;
        for (DeviceCommand* const command : commands) {
            if (input.flag()) {
                QByteArray answer = input.bytes();
                command->setRxData(answer);
            }
        }
        dump(commands);
        break;
    }
    case 6:
        session.take(product.writeCommands(), input);
        break;
    case 7:
        session.take(product.eraseCommands(), input);
        break;
    case 8: {
        Device* const device = session.pick(input);
        const bool dirtyOnly = input.flag();
        session.take(product.readDeviceCommands(device, dirtyOnly), input);
        session.take(product.writeDeviceCommands(device, dirtyOnly), input);
        break;
    }
    case 9: {
        Device* const device = session.pick(input);
        const int page = input.pageNumber();
        session.take(product.readDevicePageCommands(device, page), input);
        session.take(product.writeDevicePageCommands(device, page), input);
        break;
    }
    case 10: {
        Device* const device = session.pick(input);
        const unsigned char offset = input.byte();
        const unsigned char count = input.byte();
        session.take(product.writeCommand(device, offset, count), input);
        session.take(product.writeCommands(device, offset, count), input);
        break;
    }
    case 11:
        session.take(product.eraseDeviceCommands(session.pick(input)), input);
        break;
    case 12: {
        const unsigned char offset = input.byte();
        const unsigned char count = input.byte();
        session.take(product.readHeaderCommands(), input);
        session.take(product.writeHeaderCommands(count), input);
        session.take(product.updateHeaderCommands(offset, count), input);
        break;
    }
    case 13:
        session.take(product.writeGpioCommands(input.byte()), input);
        session.take(product.configureGpioCommands(input.bytes()), input);
        session.take(product.readGpioCommands(), input);
        session.take(product.readBusMasterInternalRegistersCommands(), input);
        break;
    case 14:
        report(session.pick(input));
        report(session.bridge);
        break;
    case 15:
        if (Device* const device = session.pick(input)) {
            const int pin = input.pageNumber();
            device->setIoPinState(pin, input.flag());
            device->setIoPinPullUpEnable(pin, input.flag());
            device->setIoPortValue(input.pageNumber(), input.byte());
            device->ioPinState(pin, input.pageNumber());
            device->ioPinPullUpEnable(pin, input.pageNumber());
            device->ioPortValue(input.pageNumber(), input.pageNumber());
        }
        break;
    case 16:
        if (Device* const device = session.pick(input))
            device->setPullUpEnables(input.bytes());
        break;
    case 17:
        if (Device* const device = session.pick(input)) {
            const unsigned char offset = input.byte();
            const unsigned char count = input.byte();
            device->rxData(offset, count);
            device->txData(offset, count);
        }
        product.rxData();
        product.txData();
        product.isDirty();
        break;
    case 18:
        if (Device* const device = session.pick(input)) {
            if (input.flag())
                device->clearRxData();
            else
                device->clearTxData();
        }
        break;
    case 19: {
        Field* const field = makeField(session, input);
        session.fields.append(field);
        useField(field);
        session.take(product.writeCommands(field), input);
        break;
    }
    case 20:
        if (!session.fields.isEmpty())
            useField(session.fields.at(input.byte() % session.fields.size()));
        break;
    case 21: {
        // The bridge's encoders with any operands.
        SC18IM700& bridge = *session.bridge;
        const unsigned char address = input.byte();
        const unsigned char count = input.byte();
        const QByteArray bytes = input.bytes();
        bridge.readExternalDevice(address, count);
        bridge.readExternalDevice(address, input.byte(), count);
        bridge.readExternalDevice(address, bytes, count);
        bridge.writeExternalDevice(address, bytes);
        bridge.writeExternalDevice(address, input.byte(), bytes);
        bridge.writeGpio(count);
        bridge.writeInternalRegister(bytes.constData(), input.flag() ? -1 : bytes.size());
        break;
    }
    case 22:
        if (!session.owned.isEmpty()) {
            DeviceCommand* const command = session.owned.at(input.byte() % session.owned.size());
            command->setTxData(input.bytes());
            command->setResponseLength(input.integer());
            command->responseBytes();
            command->data();
            dump({command});
        }
        break;
    case 23: {
        // Boards come and go; the devices they made stay with the session.
        const int index = input.byte() % 6 - 1;
        Subassembly* const replacement = new Board(session.product);
        if (input.flag())
            replacement->setBusController(session.bridge);
        product.replaceSubassembly(index, replacement);
        break;
    }
    default: {
        const unsigned char bus = input.byte();
        const unsigned char address = input.byte();
        product.device(bus, address);
        product.deviceSubassembly(session.pick(input));
        product.schematicLabel(bus, address, input.integer(), Quelm::FieldTypes(input.byte() % 7));
        product.devices();
        break;
    }
    }
}

} // namespace

// Proxy fields without a source log an Error record; the records are taken
// and dropped, so that the fuzzer's output stays readable and fast.
class QuietAppender : public AbstractAppender
{
public:
    void append(const LogRecord& record) override { Q_UNUSED(record) }
};

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    static QuietAppender quiet;
    cuteLoggerInstance()->registerAppender(&quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    Session session;
    session.product->setSelectBus(input.flag());
    const int boards = input.byte() % 4 + 1;
    for (int index = 0; index < boards; ++index) {
        auto* const board = new Board(session.product);
        session.product->addSubassembly(board);
    }
    static_cast<Board*>(session.product->subassemblies().constFirst())->setBusController(session.bridge);
    const int devices = input.byte() % 12;
    for (int index = 0; index < devices; ++index)
        session.addDevice(input);
    for (int steps = 0; !input.atEnd() && steps < 64; ++steps)
        step(session, input);
    return 0;
}
