// quelm-quickstart: a host of quelmdevices in one file. It builds a product
// of two boards behind an SC18IM700 bridge, binds model rows to the parts'
// memory through fields, reads the product, changes two values, writes the
// pages that differ, reads again and checks that the parts hold the new
// values. By default it runs on the bridge simulator in process; given a
// serial port it talks to the bridge there:
//
//   quelm-quickstart                      the in-process simulator
//   quelm-quickstart /dev/ttyUSB0 [BAUD]  a bridge, or quelm-simulator's pseudo-terminal
//                                         serving product.json beside this file
//
// Build it beside this file with CMake against the installed package, or with
//   c++ -std=c++17 -fPIC main.cpp $(pkg-config --cflags --libs quelmdevices-runner)
// The exit code is 0 when the parts read back what was written.

#include <quelmdevices/quelmdevices.h>
#include <quelmdevices/runner/bridgesetup.h>
#include <quelmdevices/runner/bridgestatus.h>
#include <quelmdevices/runner/busscanner.h>
#include <quelmdevices/runner/commandrunner.h>
#include <quelmdevices/runner/seriallink.h>
#include <quelmdevices/runner/simulatorlink.h>
#include <quelmdevices/simulator/bridgesimulator.h>
#include <quelmcore/quelmcore.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QScopeGuard>
#include <QtCore/QTextStream>

#include <iterator>
#include <memory>

namespace {

//! [board]
// A board of the product; a host's boards name themselves.
class Board : public Subassembly
{
public:
    Board(const QString& title, QObject* parent) : Subassembly(parent), m_title(title) {}
    QString title() const override { return m_title; }

private:
    QString m_title;
};
//! [board]

//! [bus-select]
// The product has two bus segments; the bridge's GPIO port selects one.
class Product : public ProductInterface
{
public:
    explicit Product(QObject* parent) : ProductInterface(parent) { selectBusEnabled = true; }

    // A new command on every call: it goes into a list, and the list's owner deletes it.
    DeviceCommand* selectBusCommand(const int& bus) override
    {
        return new DeviceCommand(QStringLiteral("Select Bus %1").arg(bus),
                                 SC18IM700::writeGpioCommands(quint8(bus)));
    }
};
//! [bus-select]

// The product's settings: a model row each, bound to a device by a field.
struct Setting
{
    const char* name;
    int bus;
    int address;
    const char* location; // the host's address text
    const char* wanted;   // the value written, as hex
};
const Setting settings[] = {
    {"serial", 0, 0xA0, "0x10:4", "51450001"},   // in the product header
    {"cal_table", 0, 0xA0, "0x40:4", "00010203"},
    {"trim_wiper", 1, 0x50, "0x00", "80"},
};

//! [model-row]
// A field reads its row's address and size once, when it is built, as
// numbers: the address text goes into the display role beside them. The
// value is the bytes themselves, never their hex text.
void fillRow(QuelmModel* model, const int row, const Setting& setting)
{
    const QString location = QLatin1String(setting.location);
    auto set = [&](int column, const QVariant& value, int role = Qt::EditRole) {
        model->setData(model->index(row, column), value, role);
    };
    model->setHeaderData(row, Qt::Vertical, QLatin1String(setting.name));
    set(Field::TypeColumn, int(MemoryAddress::fieldType(location)));
    set(Field::AddressColumn, MemoryAddress::memoryAddress(location));
    set(Field::AddressColumn, location, Qt::DisplayRole);
    set(Field::SizeColumn, MemoryAddress::memorySize(location));
}
//! [model-row]

// The value's bytes (Qt::EditRole); the display role holds their hex text.
QByteArray modelValue(const Field* field)
{
    const QModelIndex cell = field->model()->index(field->row(), Field::ValueColumn);
    return field->model()->data(cell, Qt::EditRole).toByteArray();
}

void setModelValue(Field* field, const QByteArray& value)
{
    field->model()->setData(field->model()->index(field->row(), Field::ValueColumn), value);
}

//! [send]
// What every host does for each command, shown without the runner: send
// its bytes, read responseBytes() back (responseLength() is 0 on every
// command the library makes) and hand them to setRxData(), which stores
// them in the device. The runner does the same, and also waits for the
// parts' write cycles and explains a failure.
bool sendEach(Link& link, const QList<DeviceCommand*>& commands)
{
    for (DeviceCommand* command : commands) {
        if (!link.write(command->bytes()))
            return false;
        QByteArray answer = link.read(command->responseBytes(), CommandRunner::DefaultTimeoutMs);
        if (answer.size() != command->responseBytes())
            return false;
        command->setRxData(answer);
    }
    return true;
}
//! [send]

//! [dirty-writes]
// The writes of every page that differs from what was read: the header
// device's first seven pages through the header commands, which alone
// write them, every other page through its device's dirty-only writes.
QList<DeviceCommand*> dirtyPageWrites(ProductInterface& product)
{
    constexpr int HeaderPages = 7;
    const QList<Device*> devices = product.devices();
    QList<DeviceCommand*> commands;
    Device* const header = devices.value(0);
    for (int page = 0; header && page < qMin(HeaderPages, header->writePages()); ++page) {
        if (header->writePageIsDirty(page))
            commands += product.updateHeaderCommands(quint8(header->writePageAddress(page)),
                                                     quint8(header->writePageSize(page)));
    }
    for (Device* device : devices)
        commands += product.writeDeviceCommands(device, true);
    return commands;
}
//! [dirty-writes]

// The link to the bridge: the simulator in process (its parts made from the
// product's devices), or a serial port.
std::unique_ptr<Link> openLink(const QStringList& arguments, const QList<Device*>& devices,
                               BridgeSimulator* simulator, QTextStream& err)
{
    if (arguments.isEmpty()) {
        for (const Device* device : devices)
            simulator->addPart(device->deviceType(), device->busNumber(), device->busAddress());
        auto link = std::make_unique<SimulatorLink>(simulator);
        // The simulated bridge has just been powered on: it says "OK" first.
        BridgeStatus::readAnnouncement(link.get(), BridgeStatus::AnnouncementGapMs);
        return link;
    }
    auto link = std::make_unique<SerialLink>();
    if (!link->open(arguments.at(0))) {
        err << "quelm-quickstart: " << link->errorString() << Qt::endl;
        return nullptr;
    }
    // The bridge keeps the rate an earlier session gave it until its power
    // is cut: find it there, then move it where asked.
    BridgeSetup setup(link.get());
    const bool ready = arguments.size() > 1 ? setup.setBaudRate(arguments.at(1).toInt())
                                            : setup.findBridge().has_value();
    if (!ready) {
        err << "quelm-quickstart: " << setup.errorString() << Qt::endl;
        return nullptr;
    }
    return link;
}

bool run(CommandRunner& runner, const QList<DeviceCommand*>& commands, const char* what,
         QTextStream& out, QTextStream& err)
{
    const RunResult result = runner.run(commands);
    if (!result.ok()) {
        // Commands before result.failedIndex were applied.
        err << "quelm-quickstart: " << what << " stopped: " << result.errorString << Qt::endl;
        return false;
    }
    out << what << ": " << commands.size() << " commands, "
        << QString::number(SC18IM700Protocol::seconds(result.elapsed), 'f', 3) << " s on the link"
        << Qt::endl;
    return true;
}

void printSettings(const QList<Field*>& fields, QTextStream& out)
{
    for (const Field* field : fields) {
        const QString name = field->model()->headerData(field->row(), Qt::Vertical).toString();
        out << QStringLiteral("  %1 %2 %3 %4")
                   .arg(name, -11)
                   .arg(field->device()->name(), -7)
                   .arg(field->memoryAddressToString(), -7)
                   .arg(QString::fromLatin1(modelValue(field).toHex().toUpper()))
            << Qt::endl;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList arguments = app.arguments().mid(1);

    //! [assembly]
    // The QObject root owns the product, the boards, the bridge, the model
    // and the fields. The devices have no parent: the host deletes them,
    // here when main returns, before root deletes the boards.
    QObject root;
    auto* product = new Product(&root);
    auto* mainBoard = new Board(QStringLiteral("Main board"), product);
    auto* trimBoard = new Board(QStringLiteral("Trim board"), product);
    product->addSubassembly(mainBoard);
    product->addSubassembly(trimBoard);
    mainBoard->setBusController(new SC18IM700(QStringLiteral("bridge"), mainBoard));
    // The first device in bus and address order holds the product header.
    mainBoard->addDevice(Device::CAT24AA02, 0, 0xA0, QStringLiteral("header"));
    trimBoard->addDevice(Device::ISL22343, 1, 0x50, QStringLiteral("trim"));
    const auto deleteDevices = qScopeGuard([product] { qDeleteAll(product->devices()); });
    //! [assembly]

    //! [fields]
    auto* model = new QuelmModel(int(std::size(settings)), Field::ConfigurationColumn + 1, &root);
    QList<Field*> fields;
    for (int row = 0; row < model->rowCount(); ++row) {
        const Setting& setting = settings[row];
        fillRow(model, row, setting);   // first: the field reads its row when it is built
        fields.append(new Field(model, row, product->device(setting.bus, setting.address), &root));
    }
    //! [fields]

    //! [runner]
    BridgeSimulator simulator(BridgeSimulator::BusSelect::Gpio);
    const std::unique_ptr<Link> link = openLink(arguments, product->devices(), &simulator, err);
    if (!link)
        return 1;
    CommandRunner runner(link.get());
    runner.setAcknowledgeChecks(true);              // read I2CStat after every "S" transaction
    runner.setProduct(product->devices(), true);    // the parts' write cycles; GPIO selects the bus
    //! [runner]
    out << "quelmdevices " << QUELMDEVICES_VERSION_STRING << ", "
        << (arguments.isEmpty() ? QStringLiteral("in-process simulator") : arguments.at(0)) << Qt::endl;

    //! [read]
    // The read list is built once and handed out again: keep it for every
    // full read and delete it once, after its last use.
    const QList<DeviceCommand*> reads = product->readCommands();
    const auto deleteReads = qScopeGuard([&reads] { qDeleteAll(reads); });
    if (!sendEach(*link, reads)) {
        err << "quelm-quickstart: read: " << link->errorString() << Qt::endl;
        return 1;
    }
    for (Field* field : fields)
        field->mapFromEmbeddedData();
    //! [read]
    out << "read: " << reads.size() << " commands" << Qt::endl;
    printSettings(fields, out);

    //! [write]
    // Want what the parts hold, then the host's values; write what differs.
    const QList<Device*> devices = product->devices();
    for (Device* device : devices)
        device->setTxData(0, device->rxBuffer());
    for (Field* field : fields) {
        setModelValue(field, QByteArray::fromHex(settings[field->row()].wanted));
        field->mapToEmbeddedData();
    }
    const QList<DeviceCommand*> writes = dirtyPageWrites(*product);
    const bool written = run(runner, writes, "write", out, err);
    qDeleteAll(writes);
    //! [write]

    //! [verify]
    bool verified = written && run(runner, reads, "verify", out, err);
    for (Field* field : fields) {
        field->mapFromEmbeddedData();
        verified = verified && modelValue(field) == QByteArray::fromHex(settings[field->row()].wanted);
    }
    verified = verified && !product->isDirty();
    //! [verify]
    printSettings(fields, out);

    // Which parts answer on each bus segment.
    for (int bus = 0; bus < 2 && verified; ++bus) {
        link->write(SC18IM700::writeGpioCommands(quint8(bus)));
        const ScanResult found = BusScanner(link.get()).scan();
        out << "bus " << bus << ":" << Qt::hex << Qt::uppercasedigits;
        for (const quint8 address : found.answered)
            out << ' ' << address;
        // A stream keeps its base: back to decimal, as after a command's dump.
        out << Qt::dec << Qt::endl;
    }
    out << (verified ? "verified: the parts hold the new values" : "not verified") << Qt::endl;
    return verified ? 0 : 1;
}
