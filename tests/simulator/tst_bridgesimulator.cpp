#include <bridgesimulator.h>
#include <commandpart.h>
#include <registerpart.h>
#include <simulatedproduct.h>

#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include "hex.h"

namespace {

// Every part type once, on one segment.
const QByteArray product = R"({"busSelect": "none", "boards": [{"title": "main", "devices": [
    {"type": "CAT24AA02", "bus": 0, "address": "0xA0", "name": "header"},
    {"type": "DS4520", "bus": 0, "address": "0x90", "name": "io"},
    {"type": "ISL22343", "bus": 0, "address": "0x50", "name": "pots"},
    {"type": "X95840", "bus": 0, "address": "0x52", "name": "trim"},
    {"type": "AD5144A", "bus": 0, "address": "0x58", "name": "bias"},
    {"type": "X9408", "bus": 0, "address": "0x5E", "name": "gain"}]}]})";

std::unique_ptr<BridgeSimulator> simulate(const QByteArray& json, QString* error)
{
    const std::optional<ProductDescription> description =
        ProductDescription::parse(json, QStringLiteral("p.json"), error);
    return description ? SimulatedProduct::of(*description, error) : nullptr;
}

// The protocol cases feed writes and reads back to back: without time, a
// part answers right after its write. The timed cases turn time on.
std::unique_ptr<BridgeSimulator> makeProduct(bool timing = false)
{
    QString error;
    std::unique_ptr<BridgeSimulator> simulator = simulate(product, &error);
    if (!simulator)
        qFatal("%s", qPrintable(error));
    simulator->setTiming(timing);
    return simulator;
}

} // namespace

class TestBridgeSimulator : public QObject
{
    Q_OBJECT

private slots:
    void transactions_data();
    void transactions();
    void chunkingDoesNotChangeAnswers();
    void brokenInput_data();
    void brokenInput();
    void unfinishedCommandWaits();
    void busSegmentsFollowGpio();
    void ds4520StatusShowsPinLevels();
    void heldBusTimesOut();
    void ratesFollowTheRegisters_data();
    void ratesFollowTheRegisters();
    void stateRoundTrip();
    void foreignStateIsRefused();
    void descriptions_data();
    void descriptions();
};

// Each row: bytes sent first (their answer is not checked), the bytes under
// test, their exact answer and the bridge's I2C status afterwards.
void TestBridgeSimulator::transactions_data()
{
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("status");

    QTest::newRow("eeprom page write wraps inside its page")
        << hex("53A005 06 11223344 50") << hex("53A00100 53A108 50") << hex("3344FFFFFFFF1122") << 0xF0;
    QTest::newRow("eeprom sequential read wraps at 256")
        << hex("53A002FFAA50 53A0020BBB50 53A0020001 50") << hex("53A001FF 53A103 50") << hex("AA01FF") << 0xF0;
    QTest::newRow("read without a register phase continues at the pointer")
        << hex("53A00504 01020304 50 53A00104 53A101 50") << hex("53A10350") << hex("020304") << 0xF0;
    QTest::newRow("nobody at the address: no answer, NACK on address")
        << QByteArray() << hex("53B00100 53B10450") << QByteArray() << 0xF1;
    QTest::newRow("a NACK ends the transaction before its read")
        << QByteArray() << hex("53B00100 53A10250") << QByteArray() << 0xF1;
    QTest::newRow("isl22343 auto-increments over its registers")
        << hex("53500500 0A0B0C0D 50") << hex("53500100 53510550") << hex("0A0B0C0D00") << 0xF0;
    QTest::newRow("isl22343 refuses a pointer past its registers")
        << QByteArray() << hex("53500220 0150") << QByteArray() << 0xF2;
    QTest::newRow("x95840 wraps its pointer at its end")
        << hex("53520207 9950") << hex("53520107 53530250") << hex("9980") << 0xF0;
    QTest::newRow("ds4520 I/O status follows the control registers")
        << hex("539003F2 0F0150") << hex("539001F8 53910250") << hex("0F01") << 0xF0;
    QTest::newRow("ds4520 I/O status cannot be written")
        << hex("539002F2 FF50 539003F8 000050") << hex("539001F8 53910350") << hex("FF0100") << 0xF0;
    QTest::newRow("ad5144a reads back the RDAC")
        << hex("53580212 7F50") << hex("53580232 03 53590150") << hex("7F") << 0xF0;
    QTest::newRow("ad5144a copies the RDAC to EEPROM")
        << hex("535802127F50 5358027201 50 5358021200 50") << hex("53580232 01 53590150") << hex("7F") << 0xF0;
    QTest::newRow("ad5144a refuses an unknown command")
        << QByteArray() << hex("535802 5501 50") << QByteArray() << 0xF2;
    QTest::newRow("x9408 writes, stores and reads back its counter")
        << hex("535E02A22A50 535E01E250") << hex("535E0192 535F01 50 535E01B2 535F0150") << hex("2A2A") << 0xF0;
    QTest::newRow("x9408 keeps six bits")
        << hex("535E02A1FF50") << hex("535E0191 535F0150") << hex("3F") << 0xF0;
    QTest::newRow("bridge registers after power-on")
        << QByteArray() << hex("52 000102030405060708090A 50") << hex("F0025555FF0026130066F0") << 0xF0;
    QTest::newRow("bridge register write and read back")
        << hex("5702FF03FF50") << hex("52020350") << hex("FFFF") << 0xF0;
    QTest::newRow("gpio write and read")
        << hex("4F5A50") << hex("4950") << hex("5A") << 0xF0;
}

void TestBridgeSimulator::transactions()
{
    QFETCH(QByteArray, setup);
    QFETCH(QByteArray, stream);
    QFETCH(QByteArray, answer);
    QFETCH(int, status);

    const std::unique_ptr<BridgeSimulator> simulator = makeProduct();
    simulator->feed(setup);
    QCOMPARE(simulator->feed(stream).toHex(), answer.toHex());
    QCOMPARE(int(simulator->status()), status);
    QCOMPARE(simulator->pendingInputSize(), 0);
}

void TestBridgeSimulator::chunkingDoesNotChangeAnswers()
{
    const QByteArray stream = hex("4F0150 5702FF03FF50 53A00900 0102030405060708 50 53A00100 53A10850"
                                  "52000A50 4950 53580212 3350 53580232 03 53590150 41 535E02A03F50"
                                  "53B00100 53B10250 53900100 539104 50 53A00106 53A10250");
    const std::unique_ptr<BridgeSimulator> whole = makeProduct();
    const std::unique_ptr<BridgeSimulator> bytewise = makeProduct();
    const std::unique_ptr<BridgeSimulator> odd = makeProduct();
    const QByteArray expected = whole->feed(stream);
    QByteArray byByte;
    for (const char byte : stream)
        byByte.append(bytewise->feed(QByteArray(1, byte)));
    QByteArray byThrees;
    for (int i = 0; i < stream.size(); i += 3)
        byThrees.append(odd->feed(stream.mid(i, 3)));

    QCOMPARE(expected.toHex(), hex("0102030405060708 F0F0 01 33 FFFFFFFF 0708").toHex());
    QCOMPARE(byByte.toHex(), expected.toHex());
    QCOMPARE(byThrees.toHex(), expected.toHex());
    QCOMPARE(bytewise->saveState(), whole->saveState());
    QCOMPARE(odd->saveState(), whole->saveState());
    QCOMPARE(bytewise->notes(), whole->notes());
}

// Broken input is dropped with a note; no part's memory changes and the
// command after it is still understood.
void TestBridgeSimulator::brokenInput_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("notes");

    QTest::newRow("unknown command character")
        << hex("41 4950") << hex("FF") << QStringList{QStringLiteral("skipped 0x41: not a command")};
    QTest::newRow("write without its P")
        << hex("53A00200 11 41 4950") << hex("FF")
        << QStringList{QStringLiteral("dropped a \"S\" command: 0x41 came where \"S\" or \"P\" belongs"),
                       QStringLiteral("skipped 0x41: not a command")};
    QTest::newRow("count past the data swallows the next command whole")
        << hex("53A00800 1150 4F0150 4950 4950") << hex("FF")
        << QStringList{QStringLiteral("dropped a \"S\" command: 0x49 came where \"S\" or \"P\" belongs")};
    QTest::newRow("gpio read without its P")
        << hex("49 4F0250 4950") << hex("02")
        << QStringList{QStringLiteral("dropped a \"I\" command: 0x4F came where \"S\" or \"P\" belongs")};
    QTest::newRow("stray P")
        << hex("50 4950") << hex("FF") << QStringList{QStringLiteral("skipped 0x50: not a command")};
    QTest::newRow("register that does not exist")
        << hex("520B0250") << hex("55") << QStringList{QStringLiteral("register 0x0B does not exist")};
    QTest::newRow("status register is read-only")
        << hex("570A0050 520A50") << hex("F0") << QStringList{QStringLiteral("register 0x0A cannot be written")};
    QTest::newRow("read from an absent part")
        << hex("53B10450") << QByteArray() << QStringList{QStringLiteral("nobody answers 0xB1 on bus 0")};
}

void TestBridgeSimulator::brokenInput()
{
    QFETCH(QByteArray, stream);
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, notes);

    const std::unique_ptr<BridgeSimulator> simulator = makeProduct();
    QCOMPARE(simulator->feed(stream).toHex(), answer.toHex());
    QCOMPARE(simulator->notes(), notes);
    QCOMPARE(simulator->part(0, 0xA0)->memory(), QByteArray(256, '\xFF'));
    QCOMPARE(simulator->pendingInputSize(), 0);
}

void TestBridgeSimulator::unfinishedCommandWaits()
{
    const std::unique_ptr<BridgeSimulator> simulator = makeProduct();
    QCOMPARE(simulator->feed(hex("53A00300 1122")), QByteArray());
    QCOMPARE(simulator->pendingInputSize(), 6);
    QCOMPARE(simulator->part(0, 0xA0)->memory().left(2), hex("FFFF"));
    simulator->discardPendingInput();
    QCOMPARE(simulator->feed(hex("4950")), hex("FF"));
    QCOMPARE(simulator->part(0, 0xA0)->memory().left(2), hex("FFFF"));

    // Garbage that never ends a command does not pile up.
    simulator->feed(QByteArray(1, 'R') + QByteArray(5000, '\x01'));
    QVERIFY(simulator->pendingInputSize() <= 4096);
}

void TestBridgeSimulator::busSegmentsFollowGpio()
{
    BridgeSimulator simulator(BridgeSimulator::BusSelect::Gpio);
    QVERIFY(simulator.addPart(Device::CAT24AA02, 0, 0xA0));
    QVERIFY(simulator.addPart(Device::CAT24AA02, 1, 0xA0));
    QVERIFY(!simulator.addPart(Device::CAT24AA02, 1, 0xA0));
    QVERIFY(!simulator.addPart(Device::M25P40, 2, 0xA0));

    simulator.feed(hex("4F0050 53A0020011 50 4F0150 53A0020022 50"));
    QCOMPARE(simulator.part(0, 0xA0)->memory().left(1), hex("11"));
    QCOMPARE(simulator.part(1, 0xA0)->memory().left(1), hex("22"));
    QCOMPARE(simulator.feed(hex("4F0250 53A0010053A10150")), QByteArray());
    QCOMPARE(int(simulator.status()), int(SC18IM700Protocol::StatusNackOnAddress));
    QCOMPARE(simulator.feed(hex("4F0150 53A0010053A10150")), hex("22"));
}

void TestBridgeSimulator::ds4520StatusShowsPinLevels()
{
    const std::unique_ptr<BridgeSimulator> simulator = makeProduct();
    auto* const io = simulator->part<DS4520Part>(0, 0x90);
    QVERIFY(io);
    simulator->feed(hex("539003F2 FF01 50"));
    io->setPinLevels(0x0FE);
    QCOMPARE(simulator->feed(hex("539001F8 53910250")), hex("FE00"));
}

void TestBridgeSimulator::heldBusTimesOut()
{
    const std::unique_ptr<BridgeSimulator> simulator = makeProduct();
    simulator->setBusHeld(true);
    QCOMPARE(simulator->feed(hex("53A00100 53A10450")), QByteArray());
    QCOMPARE(int(simulator->status()), int(SC18IM700Protocol::StatusTimeOut));
    simulator->setBusHeld(false);
    QCOMPARE(simulator->feed(hex("53A10150")), hex("FF"));
    QCOMPARE(int(simulator->status()), int(SC18IM700Protocol::StatusOk));
}

// The UART rate is 7.3728 MHz / (16 + BRG1:BRG0), the I2C clock
// 15 MHz / (8 x (I2CClkL + I2CClkH)), both rounded to whole hertz here.
void TestBridgeSimulator::ratesFollowTheRegisters_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("clock");
    QTest::addColumn<QStringList>("notes");

    QTest::newRow("power-on") << QByteArray() << 9600 << 98684 << QStringList();
    QTest::newRow("115200 baud") << hex("57 0030 0100 50") << 115200 << 98684 << QStringList();
    QTest::newRow("460800 baud, the fastest") << hex("57 0000 0100 50") << 460800 << 98684 << QStringList();
    QTest::newRow("BRG1 alone keeps BRG0") << hex("57 0101 50") << 14400 << 98684 << QStringList();
    QTest::newRow("fast I2C clock") << hex("57 0705 0800 50") << 9600 << 375000 << QStringList();
    QTest::newRow("clock divider below its minimum")
        << hex("57 0702 0802 50") << 9600 << 468750
        << QStringList{QStringLiteral("I2C clock registers 0x02 and 0x02 add up to less than 5")};
}

void TestBridgeSimulator::ratesFollowTheRegisters()
{
    QFETCH(QByteArray, stream);
    QFETCH(int, baud);
    QFETCH(int, clock);
    QFETCH(QStringList, notes);

    BridgeSimulator simulator;
    QCOMPARE(simulator.feed(stream), QByteArray());
    QCOMPARE(qRound(simulator.baudRate()), baud);
    QCOMPARE(qRound(simulator.i2cClockHz()), clock);
    QCOMPARE(simulator.notes(), notes);
}

void TestBridgeSimulator::stateRoundTrip()
{
    const std::unique_ptr<BridgeSimulator> simulator = makeProduct();
    simulator->feed(hex("4F0750 53A00410 AABBCC50 53580211 4450 535E02A30550 539002F2 0F50"));
    simulator->part<DS4520Part>(0, 0x90)->setPinLevels(0x155);

    const QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("state.json"));
    QVERIFY(simulator->saveStateFile(file));
    const std::unique_ptr<BridgeSimulator> restored = makeProduct();
    QVERIFY(restored->restoreStateFile(file));
    QCOMPARE(restored->saveState(), simulator->saveState());
    QCOMPARE(restored->gpio(), quint8(0x07));
    QCOMPARE(restored->part(0, 0xA0)->memory().mid(0x10, 3), hex("AABBCC"));
    QCOMPARE(restored->part(0, 0x5E)->memory().left(4), hex("20202005"));
    // The pointer survives: the next read goes on where the last write ended.
    QCOMPARE(restored->feed(hex("53A10150")), hex("FF"));
    QCOMPARE(restored->feed(hex("539001F8 53910150")), hex("05"));
}

void TestBridgeSimulator::foreignStateIsRefused()
{
    const std::unique_ptr<BridgeSimulator> simulator = makeProduct();
    simulator->feed(hex("53A0020077 50 4F0350"));
    const QJsonObject before = simulator->saveState();

    BridgeSimulator other;
    other.addPart(Device::CAT24AA02, 0, 0xA0);
    QVERIFY(!simulator->restoreState(other.saveState()));

    QJsonObject damaged = before;
    QJsonArray parts = damaged.value(QStringLiteral("parts")).toArray();
    QJsonObject last = parts.last().toObject();
    last.insert(QStringLiteral("state"), QJsonObject{{QStringLiteral("memory"), QStringLiteral("00")}});
    parts.replace(parts.size() - 1, last);
    damaged.insert(QStringLiteral("parts"), parts);
    QVERIFY(!other.restoreState(before));
    QVERIFY(!simulator->restoreState(damaged));
    QCOMPARE(simulator->saveState(), before);
}

// The simulator reads descriptions through the tools' one reader: what the
// reader refuses, it refuses in the reader's words.
void TestBridgeSimulator::descriptions_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("parts");

    QTest::newRow("every part") << product << QString() << 6;
    QTest::newRow("an address without its 0x")
        << QByteArray(R"({"boards": [{"title": "t", "devices": [{"type": "X95840", "bus": 0, "address": "50", "name": "p"}]}]})")
        << QStringLiteral("p.json: device \"p\": address \"50\" is not an 8-bit bus address (0x00 to 0xFE, even)") << -1;
}

void TestBridgeSimulator::descriptions()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    QFETCH(int, parts);

    QString reason;
    const std::unique_ptr<BridgeSimulator> simulator = simulate(json, &reason);
    QCOMPARE(reason, error);
    QCOMPARE(simulator ? simulator->partCount() : -1, parts);
}

QTEST_GUILESS_MAIN(TestBridgeSimulator)
#include "tst_bridgesimulator.moc"
