// The library, the runner and the simulator together: every part type on
// two buses written, read back and scanned at every rate and I2C clock, and
// a bridge that falls silent in the middle of a read.

#include <bridgesetup.h>
#include <bridgesimulator.h>
#include <busscanner.h>
#include <commandrunner.h>
#include <simulatedproduct.h>
#include <simulatorlink.h>

#include <quelmdevices.h>

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtTest/QtTest>

#include "hex.h"

#include "fadinglink.h"
#include "testproduct.h"

#include <memory>

namespace {

QByteArray pattern(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((seed + 37 * i) & 0xFF);
    return bytes;
}

// Every device type on two buses, the same address used on both, values
// set through fields, the pin and port operations and the header bytes.
struct Bench
{
    Bench()
    {
        product.addSubassembly(&board);
        board.setBusController(&bridge);
        header = board.addDevice(Device::CAT24AA02, 0, 0x50, QStringLiteral("header"));
        io = board.addDevice(Device::DS4520, 0, 0x90, QStringLiteral("io"));
        isl = board.addDevice(Device::ISL22343, 0, 0xA8, QStringLiteral("isl"));
        x95840 = board.addDevice(Device::X95840, 1, 0x50, QStringLiteral("x95840"));
        ad5144a = board.addDevice(Device::AD5144A, 1, 0x58, QStringLiteral("ad5144a"));
        x9408 = board.addDevice(Device::X9408, 1, 0x5E, QStringLiteral("x9408"));

        setRow(0, Quelm::ByteArrayField, 0x00, 4, hex("10203040"));
        setRow(1, Quelm::ByteArrayField, 0x40, 8, hex("A1A2A3A4A5A6A7A8"));
        setRow(2, Quelm::ByteField, 0x03, 1, hex("5A"));
        setRow(3, Quelm::ByteField, 0, 1, hex("A5"));
        model.setData(model.index(3, Field::ConfigurationColumn), 0xFF, Qt::EditRole);
        fields.push_back(std::make_unique<Field>(&model, 0, isl));
        fields.push_back(std::make_unique<Field>(&model, 1, header));
        fields.push_back(std::make_unique<Field>(&model, 2, x95840));
        fields.push_back(std::make_unique<IoPortField>(&model, 3, io));
        for (const std::unique_ptr<Field>& field : fields)
            field->mapToEmbeddedData();

        io->setTxData(0x10, pattern(16, 3));
        io->setIoPinState(8, true);
        ad5144a->setTxData(0, hex("11223344"));
        x9408->setTxData(0, hex("0102033F"));
        header->setTxData(0, pattern(56, 1));
        header->setTxData(0x80, pattern(0x80, 9));
    }

    ~Bench()
    {
        qDeleteAll(owned);
    }

    void setRow(int row, Quelm::FieldTypes type, int address, int size, const QByteArray& value)
    {
        model.setData(model.index(row, Field::ValueColumn), value, Qt::EditRole);
        model.setData(model.index(row, Field::TypeColumn), int(type), Qt::EditRole);
        model.setData(model.index(row, Field::AddressColumn), address, Qt::EditRole);
        model.setData(model.index(row, Field::SizeColumn), size, Qt::EditRole);
    }

    QList<DeviceCommand*> own(const QList<DeviceCommand*>& commands)
    {
        owned.append(commands);
        return commands;
    }

    QList<DeviceCommand*> writeList()
    {
        return own(product.writeCommands()) + own(product.writeHeaderCommands(56));
    }

    // The simulator's product, described as the command-line tool does.
    QByteArray description() const
    {
        QJsonArray devices;
        for (Device* const device : product.devices()) {
            devices.append(QJsonObject{{QStringLiteral("type"), device->deviceName()},
                                       {QStringLiteral("bus"), device->busNumber()},
                                       {QStringLiteral("address"), SC18IM700Protocol::hexByte(device->busAddress())},
                                       {QStringLiteral("name"), device->name()}});
        }
        const QJsonObject board{{QStringLiteral("title"), QStringLiteral("board")},
                                {QStringLiteral("devices"), devices}};
        return QJsonDocument(QJsonObject{{QStringLiteral("busSelect"), QStringLiteral("gpio")},
                                         {QStringLiteral("boards"), QJsonArray{board}}})
            .toJson();
    }

    // The simulated product, read from the description as the tools read it.
    std::unique_ptr<BridgeSimulator> simulator(QString* error) const
    {
        const std::optional<ProductDescription> read =
            ProductDescription::parse(description(), QStringLiteral("bench.json"), error);
        return read ? SimulatedProduct::of(*read, error) : nullptr;
    }

    BusSelectingProduct product;
    TestBoard board; // deletes its devices
    SC18IM700 bridge{QStringLiteral("bridge")};
    QuelmModel model{4, 15};
    std::vector<std::unique_ptr<Field>> fields;
    Device* header;
    Device* io;
    Device* isl;
    Device* x95840;
    Device* ad5144a;
    Device* x9408;
    QList<DeviceCommand*> owned;
};

// After writing and reading back, every device is clean and the simulated
// parts hold what the transmit buffers asked for. The X9408 has no read
// pages: it is never read back and stays dirty by design, so its counters
// and their non-volatile copies are checked in the simulator instead.
void verifyRoundTrip(const Bench& bench, const BridgeSimulator& simulator)
{
    for (Device* const device : bench.product.devices()) {
        const SimulatedPart* const part = simulator.part(device->busNumber(), device->busAddress());
        QVERIFY2(part, qPrintable(device->name()));
        QCOMPARE(part->memory().left(device->txBuffer().size()).toHex(), device->txBuffer().toHex());
        QCOMPARE(device->isDirty(), device == bench.x9408);
    }
    const QByteArray nonVolatile = simulator.part(1, 0x5E)->memory().mid(4);
    for (int pot = 0; pot < 4; ++pot)
        QCOMPARE(nonVolatile.at(4 * pot), bench.x9408->txBuffer().at(pot));
    QCOMPARE(simulator.part(1, 0x58)->memory().mid(4).toHex(), QByteArray("11223344"));
    QCOMPARE(bench.io->ioPortValue(0, 0), quint8(0xA5));
    QVERIFY(bench.io->ioPinState(8, 0));
    QCOMPARE(bench.bridge.rxData(2, 2), hex("FFFF"));
}

// The bus addresses that answer on buses 0 and 1, selected through the GPIO port.
QList<QByteArray> scanBothBuses(Link* link)
{
    QList<QByteArray> buses;
    for (quint8 bus = 0; bus < 2; ++bus) {
        link->write(SC18IM700::writeGpioCommands(bus));
        const ScanResult result = BusScanner(link).scan();
        QByteArray addresses;
        for (const quint8 address : result.answered)
            addresses.append(char(address));
        buses.append(result.ok() ? addresses.toHex() : result.errorString.toLatin1());
    }
    return buses;
}

const QList<QByteArray> benchAddresses{"5090a8", "50585e"};

} // namespace

Q_DECLARE_METATYPE(BridgeSetup::I2CClock)

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void roundTripOnTheSimulator_data();
    void roundTripOnTheSimulator();
    void silentBridgeStopsTheRun();
};

// Every part type written page after page while the simulator keeps the
// data sheets' time: the writes land at every rate and I2C clock.
void TestEndToEnd::roundTripOnTheSimulator_data()
{
    QTest::addColumn<qint32>("rate");
    QTest::addColumn<BridgeSetup::I2CClock>("clock");
    for (const qint32 rate : {9600, 115200, 460800}) {
        for (const BridgeSetup::I2CClock clock : {BridgeSetup::I2CClock::Standard, BridgeSetup::I2CClock::Fast})
            QTest::newRow(qPrintable(QStringLiteral("%1 baud, %2 clock").arg(rate).arg(BridgeSetup::clockSetting(clock).name)))
                << rate << clock;
    }
}

void TestEndToEnd::roundTripOnTheSimulator()
{
    QFETCH(qint32, rate);
    QFETCH(BridgeSetup::I2CClock, clock);

    Bench bench;
    QString error;
    const std::unique_ptr<BridgeSimulator> simulator = bench.simulator(&error);
    QVERIFY2(simulator, qPrintable(error));
    QVERIFY(simulator->timing());
    SimulatorLink link(simulator.get());
    BridgeSetup setup(&link);
    QVERIFY2(rate == BridgeSetup::PowerOnBaudRate || setup.setBaudRate(rate), qPrintable(setup.errorString()));
    QVERIFY2(setup.setI2CClock(clock), qPrintable(setup.errorString()));
    CommandRunner runner(&link);
    runner.setProduct(bench.product.devices(), true);
    runner.setI2CClockDivider(BridgeSetup::clockSetting(clock).divider());

    const RunResult written = runner.run(bench.writeList());
    QVERIFY2(written.ok(), qPrintable(written.errorString));
    QVERIFY(bench.product.isDirty());
    const RunResult read = runner.run(bench.own(bench.product.readCommands()));
    QVERIFY2(read.ok(), qPrintable(read.errorString));
    QCOMPARE(read.applied, 55);
    // The parts' refusals while they program are the acknowledge polls;
    // nothing else may be refused.
    QStringList refused = simulator->notes();
    refused.erase(std::remove_if(refused.begin(), refused.end(),
                                 [](const QString& note) { return note.endsWith(QLatin1String("busy with its write cycle")); }),
                  refused.end());
    QCOMPARE(refused, QStringList());
    verifyRoundTrip(bench, *simulator);
    // Probing touches no part's memory.
    QCOMPARE(scanBothBuses(&link), benchAddresses);
    verifyRoundTrip(bench, *simulator);

    for (const std::unique_ptr<Field>& field : bench.fields)
        field->mapFromEmbeddedData();
    QCOMPARE(bench.model.data(bench.model.index(0, Field::ValueColumn), Qt::EditRole).toByteArray(), hex("10203040"));
    QCOMPARE(bench.model.data(bench.model.index(1, Field::ValueColumn), Qt::EditRole).toByteArray(),
             hex("A1A2A3A4A5A6A7A8"));
}

void TestEndToEnd::silentBridgeStopsTheRun()
{
    Bench bench;
    QString error;
    const std::unique_ptr<BridgeSimulator> simulator = bench.simulator(&error);
    QVERIFY(simulator);
    SimulatorLink writer(simulator.get());
    QVERIFY(CommandRunner(&writer).run(bench.writeList()).ok());

    // The GPIO byte, the eleven registers, the header's page 0, then three
    // bytes of its page 1.
    FadingLink link(simulator.get(), 1 + 11 + 8 + 3);
    const RunResult read = CommandRunner(&link).run(bench.own(bench.product.readCommands()));
    QCOMPARE(read.failedIndex, 5);
    QCOMPARE(read.applied, 5);
    QCOMPARE(read.errorString,
             QStringLiteral("Command 6 of 55 (Read Device: 0.50.8 (8 Bytes)): the bridge answered 3 of 8 bytes"));
    QCOMPARE(bench.header->rxData(0, 16).toHex(), (pattern(8, 1) + QByteArray(8, '\0')).toHex());
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
