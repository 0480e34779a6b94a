#include "testproduct.h"

#include <QtTest/QtTest>

#include "hex.h"

#include <climits>

namespace {

QString upperHex(const int& value)
{
    return QString::number(value, 16).toUpper();
}

// 0x40, 0x41, ... wrapping: every transmit byte tells where it came from.
QByteArray pattern(const int& size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(0x40 + i);
    return bytes;
}

// A product with one board that carries the bridge.
template<typename Product = BusSelectingProduct, typename Bridge = SC18IM700>
struct Rig
{
    explicit Rig(const bool& selectBus = false) : product(selectBus)
    {
        board->setBusController(&bridge);
        product.addSubassembly(board);
    }
    Device* add(const Device::DeviceTypes& type, const int& bus, const int& address)
    {
        return board->addDevice(type, bus, address, QString());
    }

    Product product;
    TestBoard* board = new TestBoard(&product);
    Bridge bridge{QStringLiteral("bridge")};
};

// Brackets every device transaction its encoder makes, so that a string
// built anywhere else shows.
class BracketingBridge : public SC18IM700
{
public:
    using SC18IM700::SC18IM700;

    QByteArray readExternalDevice(const unsigned char& address, const unsigned char& count) override
    {
        return bracket(SC18IM700::readExternalDevice(address, count));
    }
    QByteArray readExternalDevice(const unsigned char& address, const unsigned char& reg,
                                  const unsigned char& count) override
    {
        return bracket(SC18IM700::readExternalDevice(address, reg, count));
    }
    QByteArray readExternalDevice(const unsigned char& address, const QByteArray& reg,
                                  const unsigned char& count) override
    {
        return bracket(SC18IM700::readExternalDevice(address, reg, count));
    }
    QByteArray writeExternalDevice(const unsigned char& address, const QByteArray& data) override
    {
        return bracket(SC18IM700::writeExternalDevice(address, data));
    }
    QByteArray writeExternalDevice(const unsigned char& address, const unsigned char& reg,
                                   const QByteArray& data) override
    {
        return bracket(SC18IM700::writeExternalDevice(address, reg, data));
    }

    static QByteArray bracket(const QByteArray& bytes) { return '<' + bytes + '>'; }
};

// Replaces two steps; every list that uses them must show the replacements.
class ReplacingProduct : public ProductInterface
{
public:
    explicit ReplacingProduct(const bool&) {}
    QList<DeviceCommand*> initializeMasterBusController() override
    {
        return {new DeviceCommand(QStringLiteral("init"), QByteArray())};
    }
    QList<DeviceCommand*> writeCommand(Device*, const unsigned char& offset,
                                       const unsigned char& count) override
    {
        return {new DeviceCommand(QStringLiteral("%1+%2").arg(offset).arg(count), QByteArray())};
    }
};

// The four one-byte page writes of an X95840 at "bus.ADDRESS".
QStringList pageWrites(const QString& location)
{
    QStringList texts;
    for (int page = 0; page < 4; ++page)
        texts << QStringLiteral("Write Device: %1.%2 (1 Bytes)").arg(location).arg(page);
    return texts;
}

enum Operation { FullRead, FullWrite, Erase, HeaderRead, HeaderUpdate, DirtyRead };

} // namespace

class TestProductCommands : public QObject
{
    Q_OBJECT

private slots:
    void workedExample();
    void busMasterCommands();
    void busSelection_data();
    void busSelection();
    void writeCommand_data();
    void writeCommand();
    void transactionsGoThroughTheBusMaster_data();
    void transactionsGoThroughTheBusMaster();
    void byteRanges_data();
    void byteRanges();
    void dirtyPagesOnly_data();
    void dirtyPagesOnly();
    void headerCommands();
    void derivedStepsAreUsed();
    void badInput();
};

// An EEPROM on bus 0 at 0xA0 and a quad potentiometer on bus 1 at 0x58.
void TestProductCommands::workedExample()
{
    Rig<> rig;
    Device* const eeprom = rig.add(Device::CAT24AA02, 0, 0xA0);
    Device* const pot = rig.add(Device::AD5144A, 1, 0x58);
    eeprom->setTxData(pattern(256));
    pot->setTxData(hex("80818283"));
    eeprom->setRxData(0, hex("FF"));

    QStringList descriptions{QStringLiteral("Configuring GPIO Register."),
                             QStringLiteral("Read GPIO Register."),
                             QStringLiteral("Read Internal Registers.")};
    QList<QByteArray> bytes{hex("5702FF03FF50"), hex("4950"), hex("52000102030405060708090A50")};
    for (int page = 0; page < 32; ++page) {
        descriptions << QStringLiteral("Read Device: 0.A0.%1 (8 Bytes)").arg(upperHex(8 * page));
        bytes << hex("53A001") + char(8 * page) + hex("53A10850");
    }
    for (int channel = 0; channel < 4; ++channel) {
        descriptions << QStringLiteral("Read Device: 1.58.%1 (1 Bytes)").arg(channel);
        bytes << hex("535802") + char(0x30 | channel) + hex("0353590150");
    }
    const CommandList reads(rig.product.readCommands());
    QCOMPARE(reads.descriptions(), descriptions);
    QCOMPARE(reads.bytes(), bytes);
    QCOMPARE(eeprom->rxData(0, 1), hex("00"));
    QCOMPARE(reads.commands.at(0)->device(), nullptr);
    QCOMPARE(reads.commands.at(1)->device(), &rig.bridge);
    QCOMPARE(int(reads.commands.at(1)->page()), 12);
    QCOMPARE(reads.commands.at(1)->responseBytes(), 1);
    QCOMPARE(reads.commands.at(2)->device(), &rig.bridge);
    QCOMPARE(int(reads.commands.at(2)->page()), 0);
    QCOMPARE(reads.commands.at(2)->responseBytes(), 11);
    for (int i = 3; i < 39; ++i) {
        const int page = i < 35 ? i - 3 : i - 35;
        QCOMPARE(reads.commands.at(i)->device(), i < 35 ? eeprom : pot);
        QCOMPARE(int(reads.commands.at(i)->page()), page);
        QCOMPARE(reads.commands.at(i)->responseBytes(), i < 35 ? 8 : 1);
    }
    // Cached: the same objects again, and the receive buffers are left alone.
    eeprom->setRxData(0, hex("FF"));
    QCOMPARE(rig.product.readCommands(), reads.commands);
    QCOMPARE(eeprom->rxData(0, 1), hex("FF"));

    const auto potCommands = [](const QByteArray& wipers) {
        QList<QByteArray> strings;
        for (int channel = 0; channel < 4; ++channel)
            strings << hex("535802") + char(0x10 | channel) + wipers.at(channel) + char(0x50)
                    << hex("535802") + char(0x70 | channel) + hex("0150");
        return strings;
    };
    QStringList potDescriptions;
    for (int channel = 0; channel < 4; ++channel)
        potDescriptions << QStringLiteral("Write Device: 1.58.%1 (1 Bytes)").arg(channel)
                        << QStringLiteral("Write Device: 1.58.%1 (1 Bytes)").arg(channel);

    descriptions.clear();
    bytes.clear();
    for (int page = 7; page < 32; ++page) {
        descriptions << QStringLiteral("Write Device: 0.A0.%1 (8 Bytes)").arg(upperHex(8 * page));
        bytes << hex("53A009") + char(8 * page) + pattern(256).mid(8 * page, 8) + char(0x50);
    }
    const CommandList writes(rig.product.writeCommands());
    QCOMPARE(writes.descriptions(), descriptions + potDescriptions);
    QCOMPARE(writes.bytes(), bytes + potCommands(hex("80818283")));
    for (const DeviceCommand* command : writes.commands)
        QCOMPARE(command->device(), nullptr);

    descriptions.clear();
    bytes.clear();
    for (int page = 0; page < 32; ++page) {
        descriptions << QStringLiteral("Write Device: 0.A0.%1 (8 Bytes)").arg(upperHex(8 * page));
        bytes << hex("53A009") + char(8 * page) + QByteArray(8, '\0') + char(0x50);
    }
    const CommandList erase(rig.product.eraseCommands());
    QCOMPARE(erase.descriptions(), descriptions + potDescriptions);
    QCOMPARE(erase.bytes(), bytes + potCommands(QByteArray(4, '\0')));
    QCOMPARE(rig.product.txData(), QByteArray(260, '\0'));
}

void TestProductCommands::busMasterCommands()
{
    Rig<> rig;
    ProductInterface& product = rig.product;
    const CommandList commands(product.initializeMasterBusController()
                               + product.configureGpioCommands(hex("020F"))
                               + product.writeGpioCommands(5) + product.writeGpioCommands(255)
                               + product.readGpioCommands()
                               + product.readBusMasterInternalRegistersCommands());
    QCOMPARE(commands.descriptions(),
             (QStringList{"Configuring GPIO Register.", "Configuring GPIO Register.",
                          "Write GPIO Register 5.", "Write GPIO Register 255.", "Read GPIO Register.",
                          "Read Internal Registers."}));
    QCOMPARE(commands.bytes(),
             (QList<QByteArray>{hex("5702FF03FF50"), hex("57020F50"), hex("4F0550"), hex("4FFF50"),
                                hex("4950"), hex("52000102030405060708090A50")}));
    // Only the reads expect an answer: the port byte and the eleven registers.
    QList<int> responseBytes;
    for (const DeviceCommand* command : commands.commands)
        responseBytes << command->responseBytes();
    QCOMPARE(responseBytes, (QList<int>{0, 0, 0, 0, 1, 11}));
    QCOMPARE(commands.commands.at(4)->device(), &rig.bridge);
    QCOMPARE(int(commands.commands.at(4)->page()), 12);
    QCOMPARE(commands.commands.at(5)->device(), &rig.bridge);
    QCOMPARE(int(commands.commands.at(5)->page()), 0);
}

void TestProductCommands::busSelection_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QList<int>>("devices"); // bus, address pairs of X95840s
    QTest::addColumn<int>("operation");
    QTest::addColumn<QStringList>("expected");

    const QList<int> three{0, 0x50, 0, 0x52, 2, 0x50};
    const QStringList masterReads{"Configuring GPIO Register.", "Read GPIO Register.",
                                  "Read Internal Registers."};
    QTest::newRow("full read: one select per device")
        << true << three << int(FullRead)
        << masterReads + QStringList{"Select Bus 0", "Read Device: 0.50.0 (4 Bytes)", "Select Bus 0",
                                     "Read Device: 0.52.0 (4 Bytes)", "Select Bus 2",
                                     "Read Device: 2.50.0 (4 Bytes)"};
    QTest::newRow("selection off") << false << three << int(FullRead)
                                   << masterReads + QStringList{"Read Device: 0.50.0 (4 Bytes)",
                                                                "Read Device: 0.52.0 (4 Bytes)",
                                                                "Read Device: 2.50.0 (4 Bytes)"};
    // The header device's four pages are all header pages: it writes nothing.
    QTest::newRow("full write: no select without writes")
        << true << three << int(FullWrite)
        << QStringList{"Select Bus 0"} + pageWrites("0.52") + QStringList{"Select Bus 2"} + pageWrites("2.50");
    QTest::newRow("erase: one select per bus change")
        << true << three << int(Erase)
        << QStringList{"Select Bus 0"} + pageWrites("0.50") + pageWrites("0.52") + QStringList{"Select Bus 2"}
               + pageWrites("2.50");
    QTest::newRow("erase starting on a later bus")
        << true << QList<int>{3, 0x50} << int(Erase)
        << QStringList{"Select Bus 0", "Select Bus 3"} + pageWrites("3.50");
    QTest::newRow("header read: bus 0, then the header's bus")
        << true << QList<int>{1, 0x5E} << int(HeaderRead)
        << QStringList{"Select Bus 0", "Select Bus 1", "Read Device: 1.5E.0 (4 Bytes)"};
    QTest::newRow("header update: one select for the range")
        << true << QList<int>{1, 0x5E} << int(HeaderUpdate)
        << QStringList{"Select Bus 1", "Write Device: 1.5E.1 (1 Bytes)", "Write Device: 1.5E.2 (1 Bytes)"};
    QTest::newRow("clean device: nothing to select for")
        << true << QList<int>{1, 0x5E} << int(DirtyRead) << QStringList();
}

void TestProductCommands::busSelection()
{
    QFETCH(bool, enabled);
    QFETCH(QList<int>, devices);
    QFETCH(int, operation);
    QFETCH(QStringList, expected);

    Rig<> rig(enabled);
    for (int i = 0; i < devices.size(); i += 2)
        rig.add(Device::X95840, devices.at(i), devices.at(i + 1));
    BusSelectingProduct& product = rig.product;
    Device* const first = product.devices().first();
    const QList<DeviceCommand*> results[] = {
        product.readCommands(), product.writeCommands(), product.eraseCommands(),
        product.readHeaderCommands(), product.updateHeaderCommands(1, 2),
        product.readDeviceCommands(first, true)};
    const CommandList lists[] = {CommandList(results[0]), CommandList(results[1]), CommandList(results[2]),
                                 CommandList(results[3]), CommandList(results[4]), CommandList(results[5])};
    QCOMPARE(lists[operation].descriptions(), expected);
}

void TestProductCommands::writeCommand_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QList<QByteArray>>("bytes");

    QTest::newRow("X9408 wiper 2, then its transfer")
        << int(Device::X9408) << 2 << 1 << "Write Device: 0.50.2 (1 Bytes)"
        << QList<QByteArray>{hex("535002A24250"), hex("535001E250")};
    QTest::newRow("X9408 writes one byte whatever the count")
        << int(Device::X9408) << 3 << 4 << "Write Device: 0.50.3 (4 Bytes)"
        << QList<QByteArray>{hex("535002A34350"), hex("535001E350")};
    QTest::newRow("AD5144A wiper 1, then its copy")
        << int(Device::AD5144A) << 1 << 1 << "Write Device: 0.50.1 (1 Bytes)"
        << QList<QByteArray>{hex("535002114150"), hex("535002710150")};
    QTest::newRow("EEPROM register write")
        << int(Device::CAT24AA02) << 0x1A << 3 << "Write Device: 0.50.1A (3 Bytes)"
        << QList<QByteArray>{hex("5350041A5A5B5C50")};
    QTest::newRow("past the memory's end: zeros")
        << int(Device::CAT24AA02) << 0xFE << 4 << "Write Device: 0.50.FE (4 Bytes)"
        << QList<QByteArray>{hex("535005FE3E3F000050")};
}

void TestProductCommands::writeCommand()
{
    QFETCH(int, type);
    QFETCH(int, offset);
    QFETCH(int, count);
    QFETCH(QString, description);
    QFETCH(QList<QByteArray>, bytes);

    Rig<> rig;
    Device* const device = rig.add(Device::DeviceTypes(type), 0, 0x50);
    device->setTxData(pattern(device->memorySize()));
    const CommandList commands(rig.product.writeCommand(device, quint8(offset), quint8(count)));
    QCOMPARE(commands.bytes(), bytes);
    QCOMPARE(commands.descriptions(), QStringList(QVector<QString>(bytes.size(), description).toList()));
}

void TestProductCommands::transactionsGoThroughTheBusMaster_data()
{
    QTest::addColumn<int>("type");
    for (const Device::DeviceTypes type : {Device::DS4520, Device::ISL22343, Device::X95840,
                                           Device::CAT24AA02, Device::AD5144A, Device::X9408})
        QTest::addRow("%s", qPrintable(Device::deviceName(type))) << int(type);
}

// Every part's reads and writes, instruction-taking parts included, are the
// bus master's encodings: a derived bus master sees and changes them all.
void TestProductCommands::transactionsGoThroughTheBusMaster()
{
    QFETCH(int, type);

    Rig<> plain;
    Rig<BusSelectingProduct, BracketingBridge> bracketing;
    Device* const device = plain.add(Device::DeviceTypes(type), 0, 0x50);
    Device* const bracketed = bracketing.add(Device::DeviceTypes(type), 0, 0x50);
    const CommandList reads(plain.product.readDeviceCommands(device, false));
    const CommandList writes(plain.product.eraseDeviceCommands(device));
    const CommandList bracketedReads(bracketing.product.readDeviceCommands(bracketed, false));
    const CommandList bracketedWrites(bracketing.product.eraseDeviceCommands(bracketed));

    QList<QByteArray> expected;
    for (const QByteArray& bytes : reads.bytes() + writes.bytes())
        expected << BracketingBridge::bracket(bytes);
    QVERIFY(!writes.commands.isEmpty());
    QCOMPARE(bracketedReads.bytes() + bracketedWrites.bytes(), expected);
}

void TestProductCommands::byteRanges_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("two pages") << 0 << 16
                               << QStringList{"Write Device: 0.A0.0 (8 Bytes)", "Write Device: 0.A0.8 (8 Bytes)"};
    QTest::newRow("one byte more") << 0 << 17
                                   << QStringList{"Write Device: 0.A0.0 (8 Bytes)", "Write Device: 0.A0.8 (8 Bytes)",
                                                  "Write Device: 0.A0.10 (1 Bytes)"};
    QTest::newRow("pieces start at the offset")
        << 5 << 20 << QStringList{"Write Device: 0.A0.5 (8 Bytes)", "Write Device: 0.A0.D (8 Bytes)",
                                  "Write Device: 0.A0.15 (4 Bytes)"};
    QTest::newRow("less than a page crosses its boundary") << 4 << 8
                                                            << QStringList{"Write Device: 0.A0.4 (8 Bytes)"};
    QTest::newRow("nothing") << 0 << 0 << QStringList{"Write Device: 0.A0.0 (0 Bytes)"};
    QTest::newRow("wraps at 256") << 0xFC << 10
                                  << QStringList{"Write Device: 0.A0.FC (8 Bytes)", "Write Device: 0.A0.4 (2 Bytes)"};
}

void TestProductCommands::byteRanges()
{
    QFETCH(int, offset);
    QFETCH(int, count);
    QFETCH(QStringList, expected);

    Rig<> rig;
    Device* const eeprom = rig.add(Device::CAT24AA02, 0, 0xA0);
    rig.add(Device::CAT24AA02, 0, 0x50); // takes the header: the range is no header write
    const CommandList range(rig.product.writeCommands(eeprom, quint8(offset), quint8(count)));
    QCOMPARE(range.descriptions(), expected);
}

void TestProductCommands::dirtyPagesOnly_data()
{
    QTest::addColumn<bool>("onPot");
    QTest::addColumn<int>("address"); // -1: nothing changed
    QTest::addColumn<QStringList>("reads");
    QTest::addColumn<QStringList>("writes");

    QTest::newRow("clean") << false << -1 << QStringList() << QStringList();
    QTest::newRow("header byte: read, not written")
        << false << 0x10 << QStringList{"Select Bus 0", "Read Device: 0.A0.10 (8 Bytes)"} << QStringList();
    QTest::newRow("past the header")
        << false << 0x48 << QStringList{"Select Bus 0", "Read Device: 0.A0.48 (8 Bytes)"}
        << QStringList{"Select Bus 0", "Write Device: 0.A0.48 (8 Bytes)"};
    QTest::newRow("second device from page 0")
        << true << 0 << QStringList{"Select Bus 0", "Read Device: 0.B0.0 (1 Bytes)"}
        << QStringList{"Select Bus 0", "Write Device: 0.B0.0 (1 Bytes)", "Write Device: 0.B0.0 (1 Bytes)"};
}

void TestProductCommands::dirtyPagesOnly()
{
    QFETCH(bool, onPot);
    QFETCH(int, address);
    QFETCH(QStringList, reads);
    QFETCH(QStringList, writes);

    Rig<> rig(true);
    Device* const pot = rig.add(Device::AD5144A, 0, 0xB0);
    Device* const eeprom = rig.add(Device::CAT24AA02, 0, 0xA0);
    Device* const changed = onPot ? pot : eeprom;
    if (address >= 0)
        changed->setTxData(quint8(address), hex("01"));

    QList<DeviceCommand*> readList, writeList;
    for (Device* device : {eeprom, pot}) {
        readList << rig.product.readDeviceCommands(device, true);
        writeList << rig.product.writeDeviceCommands(device, true);
    }
    const CommandList readCommands(readList), writeCommands(writeList);
    QCOMPARE(readCommands.descriptions(), reads);
    QCOMPARE(writeCommands.descriptions(), writes);
}

void TestProductCommands::headerCommands()
{
    Rig<> rig;
    rig.add(Device::CAT24AA02, 0, 0xA2);
    Device* const header = rig.add(Device::CAT24AA02, 0, 0xA0);
    header->setTxData(pattern(256));

    QStringList expected{QStringLiteral("Configuring GPIO Register.")};
    for (int offset = 0; offset < 56; offset += 8)
        expected << QStringLiteral("Write Device: 0.A0.%1 (8 Bytes)").arg(upperHex(offset));
    const CommandList write(rig.product.writeHeaderCommands(56));
    QCOMPARE(write.descriptions(), expected);
    QCOMPARE(write.bytes().at(2), hex("53A0090848494A4B4C4D4E4F50"));

    const CommandList update(rig.product.updateHeaderCommands(4, 8));
    QCOMPARE(update.descriptions(), QStringList{QStringLiteral("Write Device: 0.A0.4 (8 Bytes)")});
    QCOMPARE(update.bytes(), QList<QByteArray>{hex("53A009044445464748494A4B50")});

    const CommandList read(rig.product.readHeaderCommands());
    QCOMPARE(read.commands.size(), 32);
    QCOMPARE(read.commands.last()->description(), QStringLiteral("Read Device: 0.A0.F8 (8 Bytes)"));
}

void TestProductCommands::derivedStepsAreUsed()
{
    Rig<ReplacingProduct> rig;
    rig.add(Device::X95840, 0, 0x50);
    rig.add(Device::X95840, 0, 0x52);

    const CommandList header(rig.product.writeHeaderCommands(3));
    QCOMPARE(header.descriptions(), (QStringList{"init", "0+1", "1+1", "2+1"}));
    const CommandList writes(rig.product.writeCommands());
    QCOMPARE(writes.descriptions(), (QStringList{"0+1", "1+1", "2+1", "3+1"}));
    const CommandList erase(rig.product.eraseCommands());
    QCOMPARE(erase.descriptions(), (QStringList{"0+1", "1+1", "2+1", "3+1", "0+1", "1+1", "2+1", "3+1"}));
    const CommandList reads(rig.product.readCommands());
    QCOMPARE(reads.descriptions().first(), QStringLiteral("init"));
}

void TestProductCommands::badInput()
{
    Rig<> rig(true);
    ProductInterface& product = rig.product;
    {
        const CommandList noDevices[] = {
            CommandList(product.readHeaderCommands()), CommandList(product.writeHeaderCommands(8)),
            CommandList(product.updateHeaderCommands(0, 8)), CommandList(product.writeCommands())};
        for (const CommandList& list : noDevices)
            QVERIFY(list.commands.isEmpty());
    }

    Device* const eeprom = rig.add(Device::CAT24AA02, 0, 0xA0);
    QuelmModel model(1, 15);
    model.setData(model.index(0, Field::AddressColumn), 0x10);
    model.setData(model.index(0, Field::SizeColumn), 3);
    Field unbound(&model, 0, nullptr);
    Field bound(&model, 0, eeprom);
    const CommandList invalid[] = {
        CommandList(product.readDeviceCommands(nullptr, false)),
        CommandList(product.readDevicePageCommands(nullptr, 0)),
        CommandList(product.writeDeviceCommands(nullptr, false)),
        CommandList(product.writeCommand(nullptr, 0, 1)),
        CommandList(product.writeCommands(nullptr, 0, 1)),
        CommandList(product.writeCommands(static_cast<Field*>(nullptr))),
        CommandList(product.writeCommands(&unbound)),
        CommandList(product.eraseDeviceCommands(nullptr))};
    for (const CommandList& list : invalid)
        QVERIFY(list.commands.isEmpty());

    // A page outside the device still gives its one command: the geometry
    // answers for every page number and the encoder keeps the low 8 bits.
    const CommandList pastTheEnd(product.readDevicePageCommands(eeprom, 32));
    QCOMPARE(pastTheEnd.descriptions(), QStringList{"Read Device: 0.A0.100 (8 Bytes)"});
    QCOMPARE(pastTheEnd.bytes(), QList<QByteArray>{hex("53A0010053A10850")});
    const CommandList beforeTheStart(product.writeDevicePageCommands(eeprom, -1));
    QCOMPARE(beforeTheStart.descriptions(), QStringList{"Write Device: 0.A0.F8 (8 Bytes)"});
    QCOMPARE(beforeTheStart.bytes(), QList<QByteArray>{hex("53A009F8000000000000000050")});

    const CommandList field(product.writeCommands(&bound));
    QCOMPARE(field.descriptions(), (QStringList{"Select Bus 0", "Write Device: 0.A0.10 (3 Bytes)"}));
    // The bridge has no write pages, so no page size to cut a range by.
    const CommandList unpaged(product.writeCommands(&rig.bridge, 2, 5));
    QCOMPARE(unpaged.bytes(), (QList<QByteArray>{hex("4F0050"), hex("53000602000000000050")}));

    // Without a bus master nothing is generated and no buffer is touched.
    rig.board->setBusController(nullptr);
    eeprom->setRxData(0, hex("FF"));
    eeprom->setTxData(0, hex("EE"));
    const CommandList noBusMaster[] = {
        CommandList(product.readCommands()), CommandList(product.writeCommands()),
        CommandList(product.eraseCommands()), CommandList(product.eraseDeviceCommands(eeprom)),
        CommandList(product.readHeaderCommands()), CommandList(product.writeHeaderCommands(8)),
        CommandList(product.updateHeaderCommands(0, 8)), CommandList(product.readGpioCommands()),
        CommandList(product.writeGpioCommands(1)), CommandList(product.initializeMasterBusController()),
        CommandList(product.readBusMasterInternalRegistersCommands()),
        CommandList(product.readDevicePageCommands(eeprom, 0)), CommandList(product.writeCommand(eeprom, 0, 1))};
    for (const CommandList& list : noBusMaster)
        QVERIFY(list.commands.isEmpty());
    QCOMPARE(eeprom->rxData(0, 1), hex("FF"));
    QCOMPARE(eeprom->txData(0, 1), hex("EE"));
}

QTEST_GUILESS_MAIN(TestProductCommands)
#include "tst_productcommands.moc"
