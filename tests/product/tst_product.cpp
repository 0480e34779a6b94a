// What a product does with its boards and devices: the device order and the
// header device after every change of the boards, lookups and aggregates;
// and the command lists it generates: reads, writes, erase, bus-master and
// header commands, bus selection, byte ranges, dirty pages only, the steps a
// derived product replaces, the inputs that give no commands, and no command
// string longer than the bridge takes.

#include "testproduct.h"

#include <QtCore/QPointer>
#include <QtCore/QRandomGenerator>
#include <QtTest/QtTest>

#include "golden.h"
#include "hex.h"

namespace {

// A product with two boards, the first carrying the bridge; devices go on
// the first board unless asked for on the second.
template<typename Product = BusSelectingProduct, typename Bridge = SC18IM700>
struct Rig
{
    explicit Rig(const bool& selectBus = false) : product(selectBus)
    {
        board->setBusController(&bridge);
        product.addSubassembly(board);
        product.addSubassembly(second);
    }
    Device* add(const Device::DeviceTypes& type, const int& bus, const int& address, const bool& onSecond = false)
    {
        return (onSecond ? second : board)->addDevice(type, bus, address, QString());
    }
    Product product;
    TestBoard* board = new TestBoard(&product);
    TestBoard* second = new TestBoard(&product);
    Bridge bridge{QStringLiteral("bridge")};
};

// Generated lists written out for a golden file: under a heading, one line per
// command with its description, its bytes and, for a read, where the answer
// goes. Owns the commands it was given and deletes them with itself.
class CommandDump
{
public:
    CommandDump() = default;
    CommandDump(const CommandDump&) = delete;
    CommandDump& operator=(const CommandDump&) = delete;
    ~CommandDump() { qDeleteAll(m_commands); }

    CommandDump& add(const QString& heading, const QList<DeviceCommand*>& commands)
    {
        QString text = QStringLiteral("## %1\n").arg(heading);
        for (const DeviceCommand* command : commands) {
            text += command->description() + QStringLiteral("  ") + QString::fromLatin1(command->bytes().toHex().toUpper());
            if (const Device* device = command->device())
                text += QStringLiteral("  answer: %1 bytes to page %2 of %3 %4.%5")
                            .arg(command->responseBytes())
                            .arg(command->page())
                            .arg(device->partName())
                            .arg(device->busNumber())
                            .arg(QString::number(device->busAddress(), 16).toUpper());
            text += QLatin1Char('\n');
        }
        m_text += text.toUtf8();
        m_commands += commands;
        return *this;
    }
    QByteArray text() const { return m_text; }

private:
    QByteArray m_text;
    QList<DeviceCommand*> m_commands;
};

// "bus.ADDRESS" of every device, in order.
QStringList placesOf(const QList<Device*>& devices)
{
    QStringList places;
    for (const Device* const device : devices)
        places << QStringLiteral("%1.%2").arg(device->busNumber()).arg(QString::number(device->busAddress(), 16).toUpper());
    return places;
}

enum Change { None, AddDevice, AddBoard, ReplaceBoard, ReplaceBoardByItself };

// The command strings in bytes, each from its command character to its "P";
// an empty list when the bytes are not command strings.
QList<QByteArray> commandStrings(const QByteArray& bytes)
{
    using namespace SC18IM700Protocol;
    QList<QByteArray> strings;
    for (int start = 0, stop = 0; start < bytes.size(); start = stop + 1) {
        stop = start + 1;
        switch (bytes.at(start)) {
        case Start: // phases of "S", address, count and a write's data
            for (stop = start; stop + 2 < bytes.size() && bytes.at(stop) == Start;)
                stop += 3 + ((bytes.at(stop + 1) & ReadBit) ? 0 : quint8(bytes.at(stop + 2)));
            break;
        case ReadRegisters:
            stop = int(bytes.indexOf(Stop, start));
            break;
        case WriteRegisters: // register and value pairs
            while (stop < bytes.size() && bytes.at(stop) != Stop)
                stop += 2;
            break;
        case WriteGpio:
            ++stop;
            break;
        case ReadGpio:
            break;
        default:
            return {};
        }
        if (stop < 0 || stop >= bytes.size() || bytes.at(stop) != Stop)
            return {};
        strings << bytes.mid(start, stop + 1 - start);
    }
    return strings;
}

// 0x40, 0x41, ... wrapping: every transmit byte tells where it came from.
QByteArray pattern(const int& size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(0x40 + i);
    return bytes;
}

// Two hexadecimal digits per byte, no separators.
QString hexOf(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QString hexOf(const unsigned char& byte)
{
    return hexOf(QByteArray(1, char(byte)));
}

// A host's bus master: it logs every encoder step a host can replace, with
// its operands ("58 write(a, D) 1140", "bridge readGpio()"), and brackets
// every string it returns, so that a string built without it shows.
class LoggingBridge : public SC18IM700
{
public:
    using SC18IM700::SC18IM700;
    using Byte = unsigned char;
    using Bytes = QByteArray;
    Bytes readExternalDevice(const Byte& a, const Byte& n) override
    {
        return logged(hexOf(a) + " read(a, n) " + hexOf(n), SC18IM700::readExternalDevice(a, n));
    }
    Bytes readExternalDevice(const Byte& a, const Byte& r, const Byte& n) override
    {
        return logged(hexOf(a) + " read(a, r, n) " + hexOf(r) + ' ' + hexOf(n), SC18IM700::readExternalDevice(a, r, n));
    }
    Bytes readExternalDevice(const Byte& a, const Bytes& r, const Byte& n) override
    {
        return logged(hexOf(a) + " read(a, R, n) " + hexOf(r) + ' ' + hexOf(n), SC18IM700::readExternalDevice(a, r, n));
    }
    Bytes writeExternalDevice(const Byte& a, const Bytes& d) override
    {
        return logged(hexOf(a) + " write(a, D) " + hexOf(d), SC18IM700::writeExternalDevice(a, d));
    }
    Bytes writeExternalDevice(const Byte& a, const Byte& r, const Bytes& d) override
    {
        return logged(hexOf(a) + " write(a, r, D) " + hexOf(r) + ' ' + hexOf(d), SC18IM700::writeExternalDevice(a, r, d));
    }
    Bytes readGpio() override { return logged("bridge readGpio()", SC18IM700::readGpio()); }
    Bytes writeGpio(const Byte& v) override { return logged("bridge writeGpio(v) " + hexOf(v), SC18IM700::writeGpio(v)); }
    Bytes readInternalRegisters() override { return logged("bridge readInternalRegisters()", SC18IM700::readInternalRegisters()); }
    Bytes writeInternalRegister(const char* d, const int& n) override
    {
        return logged("bridge writeInternalRegister(d, n) " + hexOf(Bytes(d, n)), SC18IM700::writeInternalRegister(d, n));
    }
    Bytes writeInternalRegister(const Bytes& d) override
    {
        return logged("bridge writeInternalRegister(D) " + hexOf(d), SC18IM700::writeInternalRegister(d));
    }
    static bool bracketed(const Bytes& bytes) { return bytes.startsWith('<') && bytes.endsWith('>'); }

    QStringList calls;

private:
    Bytes logged(const QString& call, const Bytes& bytes)
    {
        calls << call;
        return '<' + bytes + '>';
    }
};

// The lists whose encoder steps are logged part by part.
enum Operation { ReadAll, WriteAll, WriteOne, WriteRange, EraseAll };
const char* const operationNames[] = {"readCommands()", "writeCommands()", "writeCommand(part, 1, 2)",
                                      "writeCommands(part, 1, 3)", "eraseCommands()"};

// steps(p) for p = from to to - 1, one after the other.
template<typename Steps>
QStringList each(const int& from, const int& to, const Steps& steps)
{
    QStringList all;
    for (int p = from; p < to; ++p)
        all += steps(p);
    return all;
}

// Replaces two steps; every list that uses them must show the replacements.
class ReplacingProduct : public ProductInterface
{
public:
    explicit ReplacingProduct(const bool&) {}
    QList<DeviceCommand*> initializeMasterBusController() override
    {
        return {new DeviceCommand(QStringLiteral("init"), QByteArray())};
    }
    QList<DeviceCommand*> writeCommand(Device*, const unsigned char& offset, const unsigned char& count) override
    {
        return {new DeviceCommand(QStringLiteral("%1+%2").arg(offset).arg(count), QByteArray())};
    }
};

} // namespace

class TestProduct : public QObject
{
    Q_OBJECT

private slots:
    void addDevice_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("className");
        for (const int type : {Device::DS4520, Device::ISL22343, Device::X95840, Device::CAT24AA02, Device::AD5144A, Device::X9408})
            QTest::addRow("%s", qPrintable(Device::deviceName(Device::DeviceTypes(type))))
                << type << Device::deviceName(Device::DeviceTypes(type)).toLatin1() + "Device";
        QTest::newRow("bus master is the host's") << int(Device::SC18IM700) << QByteArray();
        QTest::newRow("M25P40 has no driver") << int(Device::M25P40) << QByteArray();
    }

    void addDevice()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, className);
        TestBoard board;
        Device* const device = board.addDevice(Device::DeviceTypes(type), 1, 0xA0, QStringLiteral("U7"));
        QCOMPARE(board.devices(), device ? QList<Device*>{device} : QList<Device*>());
        if (!device) {
            QVERIFY(className.isEmpty());
            return;
        }
        QCOMPARE(QByteArray(device->metaObject()->className()), className);
        QCOMPARE(device->deviceType(), type);
        QCOMPARE(device->parent(), nullptr);
        QCOMPARE(board.device(1, 0xA0), device);
        QCOMPARE(board.device(0, 0xA0), nullptr);
        QCOMPARE(board.device(1, 0x1A0), nullptr); // the stored address is 8 bits, the argument is not cut
    }

    // Bus first, then address, both unsigned; a change of the boards or of a
    // board's devices shows in the next list.
    void orderFollowsEveryChange_data()
    {
        QTest::addColumn<QList<int>>("added"); // bus, address pairs, alternating boards
        QTest::addColumn<int>("change");
        QTest::addColumn<QStringList>("order");
        const QList<int> two{0, 0xA0, 1, 0x58};
        QTest::newRow("bus first, then address") << QList<int>{1, 0x40, 0, 0xA0, 0, 0x50} << int(None)
                                                 << QStringList{"0.50", "0.A0", "1.40"};
        QTest::newRow("addresses compare unsigned") << QList<int>{2, 0xF0, 2, 0x10, 2, 0x80} << int(None)
                                                    << QStringList{"2.10", "2.80", "2.F0"};
        QTest::newRow("high address on a low bus") << QList<int>{3, 0x00, 0, 0xFE} << int(None) << QStringList{"0.FE", "3.0"};
        QTest::newRow("device added to a board in the product") << two << int(AddDevice) << QStringList{"0.30", "0.A0", "1.58"};
        QTest::newRow("board added") << two << int(AddBoard) << QStringList{"0.28", "0.A0", "1.58"};
        QTest::newRow("board replaced") << two << int(ReplaceBoard) << QStringList{"0.28", "0.A0"};
        QTest::newRow("board replaced by itself") << two << int(ReplaceBoardByItself) << QStringList{"0.A0", "1.58"};
    }

    void orderFollowsEveryChange()
    {
        QFETCH(QList<int>, added);
        QFETCH(int, change);
        Rig<> rig;
        ProductInterface& product = rig.product;
        for (int i = 0; i < added.size(); i += 2)
            rig.add(Device::X95840, added.at(i), added.at(i + 1), i / 2 % 2);
        QCOMPARE(product.devices().size(), added.size() / 2);
        auto* const extra = new TestBoard(&product);
        extra->addDevice(Device::X95840, 0, 0x28, QString());
        if (change == AddDevice)
            rig.add(Device::ISL22343, 0, 0x30);
        if (change == AddBoard)
            product.addSubassembly(extra);
        if (change == ReplaceBoard || change == ReplaceBoardByItself)
            product.replaceSubassembly(1, change == ReplaceBoard ? extra : rig.second);
        const QList<Device*> devices = product.devices();
        QTEST(placesOf(devices), "order");
        QCOMPARE(product.device(0, 0x28) != nullptr, change == AddBoard || change == ReplaceBoard);
        for (int i = 1; i < devices.size(); ++i) {
            QVERIFY(ProductInterface::deviceLessThan(devices.at(i - 1), devices.at(i)));
            QVERIFY(!ProductInterface::deviceLessThan(devices.at(i), devices.at(i - 1)));
        }
        QVERIFY(!ProductInterface::deviceLessThan(devices.first(), devices.first()));
    }

    // Write pages 0 to 6 belong to whichever device is first now, in the
    // product's list and in each device's own list; the others are written whole.
    void headerDeviceSkipsTheHeaderPages_data()
    {
        QTest::addColumn<QList<int>>("boardAndAddress"); // EEPROMs on bus 0, in the order added
        QTest::addColumn<int>("header");                 // which of them is the header device
        QTest::newRow("header added first") << QList<int>{0, 0x50, 0, 0xA0, 1, 0xA2} << 0;
        QTest::newRow("header on the last board") << QList<int>{0, 0xA0, 1, 0xA2, 1, 0x50} << 2;
        QTest::newRow("two at the lowest address: the first added") << QList<int>{1, 0xA2, 1, 0x50, 0, 0x50} << 2;
        QTest::newRow("a header added ahead of the old one") << QList<int>{0, 0xA0, 0, 0x50} << 1;
    }

    void headerDeviceSkipsTheHeaderPages()
    {
        QFETCH(QList<int>, boardAndAddress);
        QFETCH(int, header);
        Rig<> rig;
        QList<Device*> added;
        for (int i = 0; i < boardAndAddress.size(); i += 2) {
            added << rig.add(Device::CAT24AA02, 0, boardAndAddress.at(i + 1), boardAndAddress.at(i));
            const CommandList soFar(rig.product.writeCommands()); // the order asked for before the next device
        }
        QStringList alone;
        for (Device* const device : rig.product.devices()) {
            const CommandList commands(rig.product.writeDeviceCommands(device, false));
            const int firstPage = device == added.at(header) ? 7 : 0;
            QCOMPARE(commands.commands.size(), 32 - firstPage);
            QCOMPARE(commands.descriptions().first(), QStringLiteral("Write Device: %1.%2 (8 Bytes)")
                                                          .arg(placesOf({device}).first(), QString::number(8 * firstPage, 16).toUpper()));
            alone += commands.descriptions();
        }
        const CommandList list(rig.product.writeCommands());
        QCOMPARE(list.descriptions(), alone);
    }

    void lookupsAndAggregates()
    {
        Rig<> rig;
        ProductInterface& product = rig.product;
        Device* const eeprom = rig.add(Device::CAT24AA02, 0, 0xA0);
        Device* const pot = rig.add(Device::AD5144A, 0, 0x58, true);
        QCOMPARE(product.busController(), &rig.bridge);
        QCOMPARE(product.device(0, 0xA0), eeprom);
        QCOMPARE(product.device(1, 0x58), nullptr);
        QCOMPARE(product.deviceSubassembly(&rig.bridge), rig.board); // not listed, but carried
        QCOMPARE(product.deviceSubassembly(pot), rig.second);
        QCOMPARE(product.deviceSubassembly(nullptr), nullptr);
        QVERIFY(!product.devices().contains(&rig.bridge));
        QCOMPARE(product.schematicLabel(0, 0x58, 3, Quelm::FieldTypes(3)), QStringLiteral("U0.58 item 3"));
        QCOMPARE(product.schematicLabel(0, 0x58, 3, Quelm::FieldTypes(1)), QString()); // a proxy
        QCOMPARE(product.schematicLabel(0, 0x52, 3, Quelm::FieldTypes(3)), QString());
        QCOMPARE(Subassembly::staticMetaObject.className(), "QObject"); // no meta-object of its own

        QCOMPARE(product.rxData(), QByteArray(260, '\0'));
        QVERIFY(!product.isDirty());
        pot->setTxData(QByteArray::fromHex("01020304"));
        eeprom->setRxData(0, QByteArray::fromHex("AA"));
        QVERIFY(product.isDirty());
        // The potentiometer comes first: it sits lower on bus 0.
        QCOMPARE(product.txData(), QByteArray::fromHex("01020304") + QByteArray(256, '\0'));
        QCOMPARE(product.rxData(), QByteArray(4, '\0') + QByteArray::fromHex("AA") + QByteArray(255, '\0'));
        ProductInterface empty;
        QCOMPARE(empty.busController(), nullptr);
    }

    void replaceSubassembly_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expectedIndex");
        QTest::addColumn<bool>("replacedDeleted");
        QTest::newRow("first") << 0 << 0 << true;
        QTest::newRow("last") << 1 << 1 << true;
        QTest::newRow("negative appends") << -1 << 2 << false;
        QTest::newRow("past the end appends") << 2 << 2 << false;
    }

    void replaceSubassembly()
    {
        QFETCH(int, index);
        QFETCH(int, expectedIndex);
        QFETCH(bool, replacedDeleted);
        ProductInterface product;
        QList<QPointer<TestBoard>> boards{new TestBoard(&product), new TestBoard(&product)};
        for (TestBoard* board : boards) {
            product.addSubassembly(board);
            board->addDevice(Device::X95840, 0, 0x50 + 2 * product.devices().size(), QString());
        }
        const QPointer<TestBoard> target = boards.value(index);
        TestBoard* const replacement = new TestBoard(&product);
        product.replaceSubassembly(index, replacement);
        QCOMPARE(product.subassemblies().indexOf(replacement), expectedIndex);
        QCOMPARE(product.subassemblies().size(), replacedDeleted ? 2 : 3);
        QCOMPARE(product.devices().size(), replacedDeleted ? 1 : 2); // the new board has none
        QCOMPARE(int(boards.at(0).isNull()) + int(boards.at(1).isNull()), int(replacedDeleted)); // the one replaced
        QVERIFY(!replacedDeleted || target.isNull());
        product.replaceSubassembly(expectedIndex, replacement); // by itself: kept
        QCOMPARE(product.subassemblies().at(expectedIndex), replacement);
    }

    // An EEPROM on bus 0 at 0xA0 and a quad potentiometer on bus 1 at 0x58.
    void workedExample()
    {
        Rig<> rig;
        Device* const eeprom = rig.add(Device::CAT24AA02, 0, 0xA0);
        Device* const pot = rig.add(Device::AD5144A, 1, 0x58);
        eeprom->setTxData(pattern(256));
        pot->setTxData(hex("80818283"));
        eeprom->setRxData(0, hex("FF"));

        CommandDump dump;
        const QList<DeviceCommand*> reads = rig.product.readCommands();
        QCOMPARE(eeprom->rxData(0, 1), hex("00")); // a new read list clears what was read
        QCOMPARE(reads.at(3)->bytes(), hex("53A0010053A10850"));
        QCOMPARE(reads.at(35)->bytes(), hex("53580230035359 0150"));
        dump.add("readCommands()", reads);
        // Cached: the same objects again, and the receive buffers are left alone.
        eeprom->setRxData(0, hex("FF"));
        QCOMPARE(rig.product.readCommands(), reads);
        QCOMPARE(eeprom->rxData(0, 1), hex("FF"));
        dump.add("writeCommands()", rig.product.writeCommands()).add("eraseCommands()", rig.product.eraseCommands());
        QUELM_COMPARE_GOLDEN(dump.text(), QStringLiteral("product/worked-example.txt"));
        QCOMPARE(rig.product.txData(), QByteArray(260, '\0'));
    }

    void busMasterAndHeaderCommands()
    {
        Rig<> rig;
        ProductInterface& product = rig.product;
        CommandDump dump;
        dump.add("initializeMasterBusController()", product.initializeMasterBusController())
            .add("configureGpioCommands(02 0F)", product.configureGpioCommands(hex("020F")))
            .add("writeGpioCommands(5), writeGpioCommands(255)", product.writeGpioCommands(5) + product.writeGpioCommands(255))
            .add("readGpioCommands()", product.readGpioCommands())
            .add("readBusMasterInternalRegistersCommands()", product.readBusMasterInternalRegistersCommands());
        rig.add(Device::CAT24AA02, 0, 0xA2);
        rig.add(Device::CAT24AA02, 0, 0xA0)->setTxData(pattern(256));
        dump.add("header at 0.A0: writeHeaderCommands(56)", product.writeHeaderCommands(56))
            .add("updateHeaderCommands(4, 8)", product.updateHeaderCommands(4, 8))
            .add("readHeaderCommands()", product.readHeaderCommands());
        QUELM_COMPARE_GOLDEN(dump.text(), QStringLiteral("product/bus-master-and-header.txt"));
    }

    // Every list of a product with bus segments, for X95840s at the given places.
    void busSelection_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QList<int>>("devices"); // bus, address pairs
        QTest::addColumn<QString>("golden");
        const QList<int> three{0, 0x50, 0, 0x52, 2, 0x50};
        QTest::newRow("two buses: one select per bus change") << true << three << "product/select-two-buses.txt";
        QTest::newRow("selection off") << false << three << "product/select-off.txt";
        QTest::newRow("a device on a later bus only") << true << QList<int>{3, 0x50} << "product/select-later-bus.txt";
        QTest::newRow("header device on bus 1") << true << QList<int>{1, 0x5E} << "product/select-header-on-bus-1.txt";
    }

    void busSelection()
    {
        QFETCH(bool, enabled);
        QFETCH(QList<int>, devices);
        Rig<> rig(enabled);
        for (int i = 0; i < devices.size(); i += 2)
            rig.add(Device::X95840, devices.at(i), devices.at(i + 1));
        BusSelectingProduct& product = rig.product;
        CommandDump dump;
        dump.add("readCommands()", product.readCommands())
            .add("writeCommands()", product.writeCommands())
            .add("eraseCommands()", product.eraseCommands())
            .add("readHeaderCommands()", product.readHeaderCommands())
            .add("updateHeaderCommands(1, 2)", product.updateHeaderCommands(1, 2))
            .add("readDeviceCommands(first, dirty only)", product.readDeviceCommands(product.devices().first(), true));
        QFETCH(QString, golden);
        QUELM_COMPARE_GOLDEN(dump.text(), golden);
    }

    // Byte ranges cut into write pages from their offset on; dirty-only lists
    // take the changed pages, the header's pages read but not written.
    void rangesAndDirtyPages()
    {
        CommandDump dump;
        for (const QPair<int, int>& range : QList<QPair<int, int>>{{0, 16}, {0, 17}, {5, 20}, {4, 8}, {0, 0}, {0xFC, 10}}) {
            Rig<> rig;
            Device* const eeprom = rig.add(Device::CAT24AA02, 0, 0xA0);
            rig.add(Device::CAT24AA02, 0, 0x50); // takes the header: the range is no header write
            dump.add(QStringLiteral("writeCommands(0.A0, %1, %2)").arg(range.first).arg(range.second),
                     rig.product.writeCommands(eeprom, quint8(range.first), quint8(range.second)));
        }
        for (const QPair<int, int>& change : QList<QPair<int, int>>{{0, -1}, {0xA0, 0x10}, {0xA0, 0x48}, {0xB0, 0}}) {
            Rig<> rig(true);
            Device* const pot = rig.add(Device::AD5144A, 0, 0xB0);
            Device* const eeprom = rig.add(Device::CAT24AA02, 0, 0xA0);
            if (change.second >= 0)
                rig.product.device(0, change.first)->setTxData(quint8(change.second), hex("01"));
            const QString what = change.second < 0 ? QStringLiteral("nothing changed")
                                                   : QStringLiteral("byte 0x%1 of 0.%2 changed")
                                                         .arg(QString::number(change.second, 16).toUpper(),
                                                              QString::number(change.first, 16).toUpper());
            ProductInterface& product = rig.product;
            dump.add(what + ": reads, dirty only", product.readDeviceCommands(eeprom, true) + product.readDeviceCommands(pot, true));
            dump.add(what + ": writes, dirty only", product.writeDeviceCommands(eeprom, true) + product.writeDeviceCommands(pot, true));
        }
        QUELM_COMPARE_GOLDEN(dump.text(), QStringLiteral("product/ranges-and-dirty-pages.txt"));
    }

    // One piece of a part's memory: the instruction parts send the wiper, then
    // make it stick (X9408: transfer, AD5144A: copy to EEPROM).
    void writeCommand()
    {
        CommandDump dump;
        for (const QList<int>& write : QList<QList<int>>{{Device::X9408, 2, 1}, {Device::X9408, 3, 4}, {Device::AD5144A, 1, 1},
                                                        {Device::CAT24AA02, 0x1A, 3}, {Device::CAT24AA02, 0xFE, 4}}) {
            Rig<> rig;
            Device* const device = rig.add(Device::DeviceTypes(write.at(0)), 0, 0x50);
            device->setTxData(pattern(device->memorySize()));
            const QString offset = QString::number(write.at(1), 16).toUpper();
            dump.add(QStringLiteral("%1 writeCommand(0x%2, %3)").arg(device->partName(), offset).arg(write.at(2)),
                     rig.product.writeCommand(device, quint8(write.at(1)), quint8(write.at(2))));
        }
        QUELM_COMPARE_GOLDEN(dump.text(), QStringLiteral("product/write-command.txt"));
        QCOMPARE(dump.text().split('\n').mid(1, 2), (QList<QByteArray>{"Write Device: 0.50.2 (1 Bytes)  535002A24250",
                                                                      "Write Device: 0.50.2 (1 Bytes)  535001E250"}));
    }

    // One part of each potentiometer type on bus 1 and, for contrast, the
    // header EEPROM on bus 0, behind a bus master that logs its encoder steps:
    // for each part and list, exactly the steps the part asks of it, with
    // their operands, and exactly the strings the part builds without it. The
    // register-addressed parts write through the three-argument write, the
    // AD5144A hands its instruction and operand to the two-argument one, and
    // the X9408 asks for nothing.
    void encoderStepsPerPart_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("calls"); // without the part's address
        QTest::addColumn<QByteArrayList>("own");
        const auto row = [](const Operation& operation, const Device::DeviceTypes& type, const QStringList& calls,
                            const QByteArrayList& own = {}) {
            QTest::addRow("%s %s", operationNames[operation], qPrintable(Device::deviceName(type)))
                << int(operation) << int(type) << calls << own;
        };
        // Pages from to to - 1 of stride bytes, each written with data.
        const auto registerWrites = [](const int& from, const int& to, const int& stride, const QString& data) {
            return each(from, to, [&](const int& p) { return "write(a, r, D) " + hexOf(quint8(p * stride)) + ' ' + data; });
        };
        const auto patternWrites = [](const int& pages) {
            return each(0, pages, [](const int& p) { return "write(a, r, D) " + hexOf(quint8(p)) + ' ' + hexOf(quint8(0x40 + p)); });
        };
        const QStringList bytesFromOne{"write(a, r, D) 01 41", "write(a, r, D) 02 42", "write(a, r, D) 03 43"};

        for (const Device::DeviceTypes type : {Device::ISL22343, Device::X95840}) {
            const int pages = type == Device::ISL22343 ? 15 : 4;
            row(ReadAll, type, {"read(a, r, n) 00 " + hexOf(quint8(pages))});
            row(WriteAll, type, patternWrites(pages));
            row(WriteOne, type, {"write(a, r, D) 01 4142"});
            row(WriteRange, type, bytesFromOne);
            row(EraseAll, type, registerWrites(0, pages, 1, "00"));
        }

        row(ReadAll, Device::AD5144A, {"read(a, R, n) 3003 01", "read(a, R, n) 3103 01", "read(a, R, n) 3203 01", "read(a, R, n) 3303 01"});
        row(WriteAll, Device::AD5144A, {"write(a, D) 1040", "write(a, D) 7001", "write(a, D) 1141", "write(a, D) 7101",
                                        "write(a, D) 1242", "write(a, D) 7201", "write(a, D) 1343", "write(a, D) 7301"});
        row(WriteOne, Device::AD5144A, {"write(a, D) 114142", "write(a, D) 7101"});
        row(WriteRange, Device::AD5144A, {"write(a, D) 1141", "write(a, D) 7101", "write(a, D) 1242", "write(a, D) 7201",
                                          "write(a, D) 1343", "write(a, D) 7301"});
        row(EraseAll, Device::AD5144A, {"write(a, D) 1000", "write(a, D) 7001", "write(a, D) 1100", "write(a, D) 7101",
                                        "write(a, D) 1200", "write(a, D) 7201", "write(a, D) 1300", "write(a, D) 7301"});

        row(ReadAll, Device::X9408, {}); // no read pages
        row(WriteAll, Device::X9408, {},
            {hex("53 54 02 A0 40 50"), hex("53 54 01 E0 50"), hex("53 54 02 A1 41 50"), hex("53 54 01 E1 50"),
             hex("53 54 02 A2 42 50"), hex("53 54 01 E2 50"), hex("53 54 02 A3 43 50"), hex("53 54 01 E3 50")});
        row(WriteOne, Device::X9408, {}, {hex("53 54 02 A1 41 50"), hex("53 54 01 E1 50")}); // one data byte of two
        row(WriteRange, Device::X9408, {},
            {hex("53 54 02 A1 41 50"), hex("53 54 01 E1 50"), hex("53 54 02 A2 42 50"), hex("53 54 01 E2 50"),
             hex("53 54 02 A3 43 50"), hex("53 54 01 E3 50")});
        row(EraseAll, Device::X9408, {},
            {hex("53 54 02 A0 00 50"), hex("53 54 01 E0 50"), hex("53 54 02 A1 00 50"), hex("53 54 01 E1 50"),
             hex("53 54 02 A2 00 50"), hex("53 54 01 E2 50"), hex("53 54 02 A3 00 50"), hex("53 54 01 E3 50")});

        const Device::DeviceTypes eeprom = Device::CAT24AA02;
        row(ReadAll, eeprom, each(0, 32, [](const int& p) { return "read(a, r, n) " + hexOf(quint8(8 * p)) + " 08"; }));
        row(WriteAll, eeprom, registerWrites(7, 32, 8, "0000000000000000")); // the header pages left out
        row(WriteOne, eeprom, {"write(a, r, D) 01 0000"});
        row(WriteRange, eeprom, {"write(a, r, D) 01 000000"}); // within one 8-byte page
        row(EraseAll, eeprom, registerWrites(0, 32, 8, "0000000000000000"));
    }

    void encoderStepsPerPart()
    {
        QFETCH(int, operation);
        QFETCH(int, type);
        QFETCH(QStringList, calls);
        QFETCH(QByteArrayList, own);
        Rig<BusSelectingProduct, LoggingBridge> rig;
        rig.add(Device::CAT24AA02, 0, 0xA0); // the header device, transmit bytes all 0
        for (const QPair<int, int>& pot : QList<QPair<int, int>>{{Device::ISL22343, 0x50}, {Device::X95840, 0x52},
                                                                 {Device::X9408, 0x54}, {Device::AD5144A, 0x58}}) {
            Device* const device = rig.add(Device::DeviceTypes(pot.first), 1, pot.second);
            device->setTxData(pattern(device->memorySize()));
        }
        Device* part = nullptr;
        for (Device* const device : rig.product.devices())
            part = device->deviceType() == type ? device : part;
        QVERIFY(part);

        ProductInterface& product = rig.product;
        const QList<QList<DeviceCommand*> (*)(ProductInterface&, Device*)> operations{
            [](ProductInterface& p, Device*) { return p.readCommands(); },
            [](ProductInterface& p, Device*) { return p.writeCommands(); },
            [](ProductInterface& p, Device* d) { return p.writeCommand(d, 1, 2); },
            [](ProductInterface& p, Device* d) { return p.writeCommands(d, 1, 3); },
            [](ProductInterface& p, Device*) { return p.eraseCommands(); }};
        const CommandList list(operations.at(operation)(product, part));

        const QString address = hexOf(part->busAddress()) + ' ';
        QStringList partCalls;
        for (const QString& call : rig.bridge.calls)
            if (call.startsWith(address))
                partCalls << call.mid(address.size());
        QCOMPARE(partCalls, calls);

        const QString place = QStringLiteral("%1.%2.").arg(part->busNumber()).arg(QString::number(part->busAddress(), 16).toUpper());
        int encoded = 0;
        QByteArrayList built;
        for (const DeviceCommand* const command : list.commands) {
            if (!command->description().section(QLatin1Char(' '), 2, 2).startsWith(place))
                continue;
            if (LoggingBridge::bracketed(command->bytes()))
                ++encoded;
            else
                built << command->bytes();
        }
        QCOMPARE(built, own);
        QCOMPARE(encoded, calls.size()); // one command per step asked of the bus master
    }

    void derivedStepsAreUsed()
    {
        Rig<ReplacingProduct> rig;
        rig.add(Device::X95840, 0, 0x50);
        rig.add(Device::X95840, 0, 0x52);
        const CommandList header(rig.product.writeHeaderCommands(3)), writes(rig.product.writeCommands());
        const CommandList erase(rig.product.eraseCommands()), reads(rig.product.readCommands());
        QCOMPARE(header.descriptions(), (QStringList{"init", "0+1", "1+1", "2+1"}));
        QCOMPARE(writes.descriptions(), (QStringList{"0+1", "1+1", "2+1", "3+1"}));
        QCOMPARE(erase.descriptions(), (QStringList{"0+1", "1+1", "2+1", "3+1", "0+1", "1+1", "2+1", "3+1"}));
        QCOMPARE(reads.descriptions().first(), QStringLiteral("init"));
    }

    // Every list of a large product of every part type on four segments,
    // with bus selection, its pages partly dirty: the bridge takes no string
    // longer than its receive FIFO (a longer one puts wrong bytes on the bus).
    void noCommandStringOutgrowsTheBridge()
    {
        Rig<> rig(true);
        ProductInterface& product = rig.product;
        QRandomGenerator random(700);
        const Device::DeviceTypes types[] = {Device::DS4520, Device::ISL22343, Device::X95840, Device::CAT24AA02,
                                             Device::AD5144A, Device::X9408};
        for (int index = 0; product.devices().size() < 60; ++index) {
            const int bus = int(random.bounded(4)), address = 2 * int(random.bounded(0x80));
            if (!product.device(bus, address))
                rig.add(types[index % 6], bus, address, random.bounded(2));
        }
        const CommandList reads(product.readCommands());
        QList<DeviceCommand*> commands = product.initializeMasterBusController() + product.configureGpioCommands(hex("020F"))
            + product.readGpioCommands() + product.writeGpioCommands(3) + product.readBusMasterInternalRegistersCommands()
            + product.readHeaderCommands() + product.writeHeaderCommands(56) + product.updateHeaderCommands(4, 40)
            + product.eraseCommands();
        for (Device* const device : product.devices()) {
            QByteArray memory(device->memorySize(), '\0');
            random.fillRange(reinterpret_cast<quint32*>(memory.data()), memory.size() / 4);
            device->setRxData(memory);
            memory[int(random.bounded(memory.size()))] = char(0x5A);
            device->setTxData(memory);
            commands += product.readDeviceCommands(device, true) + product.writeDeviceCommands(device, true)
                + product.writeCommands(device, quint8(random.bounded(memory.size())), quint8(random.bounded(1, 40)));
        }
        const CommandList all(commands + product.writeCommands());
        int strings = 0;
        for (const DeviceCommand* const command : reads.commands + all.commands) {
            const QList<QByteArray> found = commandStrings(command->bytes());
            QVERIFY2(!found.isEmpty(), qPrintable(command->description()));
            for (const QByteArray& string : found)
                QVERIFY2(string.size() <= SC18IM700Protocol::LongestCommandString,
                         qPrintable(command->description() + QStringLiteral(": ") + QString::fromLatin1(string.toHex())));
            strings += found.size();
        }
        QVERIFY(strings > 1000);
    }

    // Null and unbound arguments and a missing bus master give no commands and
    // touch no buffer; page numbers outside the device keep their low 8 bits.
    void badInput()
    {
        Rig<> rig(true);
        ProductInterface& product = rig.product;
        CommandDump dump;
        dump.add("no devices: readHeaderCommands(), writeHeaderCommands(8), updateHeaderCommands(0, 8), writeCommands()",
                 product.readHeaderCommands() + product.writeHeaderCommands(8) + product.updateHeaderCommands(0, 8)
                     + product.writeCommands());
        Device* const eeprom = rig.add(Device::CAT24AA02, 0, 0xA0);
        QuelmModel model(1, 15);
        model.setData(model.index(0, Field::AddressColumn), 0x10);
        model.setData(model.index(0, Field::SizeColumn), 3);
        Field unbound(&model, 0, nullptr), bound(&model, 0, eeprom);
        dump.add("null device or field, unbound field",
                 product.readDeviceCommands(nullptr, false) + product.readDevicePageCommands(nullptr, 0)
                     + product.writeDeviceCommands(nullptr, false) + product.writeCommand(nullptr, 0, 1)
                     + product.writeCommands(nullptr, 0, 1) + product.writeCommands(static_cast<Field*>(nullptr))
                     + product.writeCommands(&unbound) + product.eraseDeviceCommands(nullptr));
        dump.add("readDevicePageCommands(0.A0, 32)", product.readDevicePageCommands(eeprom, 32))
            .add("writeDevicePageCommands(0.A0, -1)", product.writeDevicePageCommands(eeprom, -1))
            .add("writeCommands(field at 0x10, 3 bytes)", product.writeCommands(&bound))
            .add("writeCommands(bridge, 2, 5): no write pages to cut by", product.writeCommands(&rig.bridge, 2, 5));

        rig.board->setBusController(nullptr);
        eeprom->setRxData(0, hex("FF"));
        eeprom->setTxData(0, hex("EE"));
        dump.add("without a bus master",
                 product.readCommands() + product.writeCommands() + product.eraseCommands() + product.eraseDeviceCommands(eeprom)
                     + product.readHeaderCommands() + product.writeHeaderCommands(8) + product.updateHeaderCommands(0, 8)
                     + product.readGpioCommands() + product.writeGpioCommands(1) + product.initializeMasterBusController()
                     + product.readBusMasterInternalRegistersCommands() + product.readDevicePageCommands(eeprom, 0)
                     + product.writeCommand(eeprom, 0, 1));
        QUELM_COMPARE_GOLDEN(dump.text(), QStringLiteral("product/bad-input.txt"));
        QCOMPARE(eeprom->rxData(0, 1), hex("FF"));
        QCOMPARE(eeprom->txData(0, 1), hex("EE"));
    }
};

QTEST_GUILESS_MAIN(TestProduct)
#include "tst_product.moc"
