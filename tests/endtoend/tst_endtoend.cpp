// The library, the runner and the simulator together: every part type on
// two buses written, read back and scanned at every rate and I2C clock, and
// a bridge that falls silent in the middle of a read.

#include <bridgesetup.h>
#include <bridgesimulator.h>
#include <bridgestatus.h>
#include <busscanner.h>
#include <commandrunner.h>
#include <simulatedproduct.h>

#include <quelmdevices.h>

#include <QtTest/QtTest>

#include "fadinglink.h"
#include "hex.h"
#include "testproduct.h"

namespace {

QByteArray pattern(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((seed + 37 * i) & 0xFF);
    return bytes;
}

// Every device type on two buses, the same address used on both, values
// set through fields, the pin and port operations and the header bytes: the
// devices of endtoend/bench.json, and the simulator the tools make of it.
struct Bench
{
    Bench()
    {
        QString error;
        const auto description = ProductDescription::load(QStringLiteral(QUELM_TEST_DATA_DIR "/endtoend/bench.json"), &error);
        if (!description || !(simulator = SimulatedProduct::of(*description, &error)))
            qFatal("%s", qPrintable(error));
        product.addSubassembly(&board);
        board.setBusController(&bridge);
        for (const DeviceDescription& device : description->boards.first().devices)
            devices.insert(device.name, board.addDevice(device.type, device.bus, quint8(device.address), device.name));

        addField(devices.value("isl"), Quelm::ByteArrayField, 0x00, 4, hex("10203040"));
        addField(devices.value("header"), Quelm::ByteArrayField, 0x40, 8, hex("A1A2A3A4A5A6A7A8"));
        addField(devices.value("x95840"), Quelm::ByteField, 0x03, 1, hex("5A"));
        model.setData(model.index(3, Field::ConfigurationColumn), 0xFF, Qt::EditRole);
        addField<IoPortField>(devices.value("io"), Quelm::ByteField, 0, 1, hex("A5"));

        devices.value("io")->setTxData(0x10, pattern(16, 3));
        devices.value("io")->setIoPinState(8, true);
        devices.value("ad5144a")->setTxData(0, hex("11223344"));
        devices.value("x9408")->setTxData(0, hex("0102033F"));
        devices.value("header")->setTxData(0, pattern(56, 1));
        devices.value("header")->setTxData(0x80, pattern(0x80, 9));
    }
    ~Bench() { qDeleteAll(owned); }

    // The next row of the model, bound to device and written into its memory.
    template<typename Binding = Field>
    void addField(Device* device, Quelm::FieldTypes type, int address, int size, const QByteArray& value)
    {
        const int row = int(fields.size());
        model.setData(model.index(row, Field::ValueColumn), value, Qt::EditRole);
        model.setData(model.index(row, Field::TypeColumn), int(type), Qt::EditRole);
        model.setData(model.index(row, Field::AddressColumn), address, Qt::EditRole);
        model.setData(model.index(row, Field::SizeColumn), size, Qt::EditRole);
        fields.push_back(std::make_unique<Binding>(&model, row, device));
        fields.back()->mapToEmbeddedData();
    }
    QList<DeviceCommand*> own(const QList<DeviceCommand*>& commands) { owned.append(commands); return commands; }
    QList<DeviceCommand*> writeList() { return own(product.writeCommands()) + own(product.writeHeaderCommands(56)); }

    // After writing and reading back, every device is clean and the simulated
    // parts hold what the transmit buffers asked for. The X9408 has no read
    // pages: it is never read back and stays dirty by design, so its counters
    // and their non-volatile copies are checked in the simulator instead.
    void verifyRoundTrip() const
    {
        for (Device* const device : product.devices()) {
            const SimulatedPart* const part = simulator->part(device->busNumber(), device->busAddress());
            QVERIFY2(part, qPrintable(device->name()));
            QCOMPARE(part->memory().left(device->txBuffer().size()).toHex(), device->txBuffer().toHex());
            QCOMPARE(device->isDirty(), device == devices.value("x9408"));
        }
        for (int pot = 0; pot < 4; ++pot)
            QCOMPARE(simulator->part(1, 0x5E)->memory().at(4 + 4 * pot), devices.value("x9408")->txBuffer().at(pot));
        QCOMPARE(simulator->part(1, 0x58)->memory().mid(4).toHex(), QByteArray("11223344"));
        QCOMPARE(devices.value("io")->ioPortValue(0, 0), quint8(0xA5));
        QVERIFY(devices.value("io")->ioPinState(8, 0));
        QCOMPARE(bridge.rxData(2, 2), hex("FFFF"));
    }

    BusSelectingProduct product;
    TestBoard board; // deletes its devices
    SC18IM700 bridge{QStringLiteral("bridge")};
    QuelmModel model{4, 15};
    std::vector<std::unique_ptr<Field>> fields;
    QHash<QString, Device*> devices; // by name
    QList<DeviceCommand*> owned;
    std::unique_ptr<BridgeSimulator> simulator;
};

} // namespace

Q_DECLARE_METATYPE(BridgeSetup::I2CClock)

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    // Every part type written page after page while the simulator keeps the
    // data sheets' time: the writes land at every rate and I2C clock.
    void roundTripOnTheSimulator_data()
    {
        QTest::addColumn<qint32>("rate");
        QTest::addColumn<BridgeSetup::I2CClock>("clock");
        for (const qint32 rate : {9600, 115200, 460800})
            for (const BridgeSetup::I2CClock clock : {BridgeSetup::I2CClock::Standard, BridgeSetup::I2CClock::Fast})
                QTest::addRow("%d baud, %s clock", rate, BridgeSetup::clockSetting(clock).name) << rate << clock;
    }

    void roundTripOnTheSimulator()
    {
        QFETCH(qint32, rate);
        QFETCH(BridgeSetup::I2CClock, clock);

        Bench bench;
        QVERIFY(bench.simulator->timing());
        SimulatorLink link(bench.simulator.get());
        // The bridge was just powered on: its "OK" is read before anything.
        QVERIFY(BridgeStatus::readAnnouncement(&link, BridgeStatus::AnnouncementGapMs));
        BridgeSetup setup(&link);
        QVERIFY2(rate == BridgeSetup::PowerOnBaudRate || setup.setBaudRate(rate), qPrintable(setup.errorString()));
        QVERIFY2(setup.setI2CClock(clock), qPrintable(setup.errorString()));
        CommandRunner runner(&link);
        runner.setProduct(bench.product.devices(), true);
        runner.setI2CClockDivider(BridgeSetup::clockSetting(clock).divider());

        QCOMPARE(runner.run(bench.writeList()).errorString, QString());
        QVERIFY(bench.product.isDirty());
        const RunResult read = runner.run(bench.own(bench.product.readCommands()));
        QCOMPARE(read.errorString, QString());
        QCOMPARE(read.applied, 55);
        // The parts' refusals while they program are the acknowledge polls;
        // nothing else may be refused, and no byte is lost at the receive FIFO.
        QCOMPARE(bench.simulator->notes().filter(QRegularExpression("^(?!.*busy with its write cycle$)")), QStringList());
        // Then the scans, which touch no part's memory.
        for (const quint8 bus : {0, 1}) {
            link.write(SC18IM700::writeGpioCommands(bus));
            const ScanResult scan = BusScanner(&link).scan();
            QCOMPARE(scan.errorString, QString());
            QCOMPARE(scan.answered, (bus == 0 ? QList<quint8>{0x50, 0x90, 0xA8} : QList<quint8>{0x50, 0x58, 0x5E}));
        }
        bench.verifyRoundTrip();

        for (const std::unique_ptr<Field>& field : bench.fields)
            field->mapFromEmbeddedData();
        const auto value = [&](int row) { return bench.model.data(bench.model.index(row, Field::ValueColumn), Qt::EditRole); };
        QCOMPARE(value(0).toByteArray(), hex("10203040"));
        QCOMPARE(value(1).toByteArray(), hex("A1A2A3A4A5A6A7A8"));
    }

    void silentBridgeStopsTheRun()
    {
        Bench bench;
        SimulatorLink writer(bench.simulator.get());
        QVERIFY(BridgeStatus::readAnnouncement(&writer, BridgeStatus::AnnouncementGapMs));
        QVERIFY(CommandRunner(&writer).run(bench.writeList()).ok());

        // The port read that proves the port configured, the GPIO byte, the
        // eleven registers, the port read after the bus selection, the
        // header's page 0, then three bytes of its page 1.
        FadingLink link(bench.simulator.get(), 1 + 1 + 11 + 1 + 8 + 3);
        const RunResult read = CommandRunner(&link).run(bench.own(bench.product.readCommands()));
        QCOMPARE(read.errorString, QStringLiteral("Command 6 of 55 (Read Device: 0.50.8 (8 Bytes)): the bridge answered 3 of 8 bytes"));
        QCOMPARE(read.applied, 5);
        QCOMPARE(bench.devices.value("header")->rxData(0, 16).toHex(), (pattern(8, 1) + QByteArray(8, '\0')).toHex());
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
