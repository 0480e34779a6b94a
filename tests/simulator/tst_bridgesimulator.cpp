// The bridge simulator: the answer to each transaction kind on each part,
// parts found by their place and segment, streams cut anywhere, broken input
// dropped with a note, rates from the registers, state saved and restored.

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

Q_DECLARE_METATYPE(BridgeSimulator::BusSelect)

class TestBridgeSimulator : public QObject
{
    Q_OBJECT

private slots:
    // Each row: bytes sent first (their answer is not checked), the levels that
    // drive the DS4520's pins (-1: none), whether the bus is held low, the bytes
    // under test, their exact answer and the bridge's I2C status afterwards.
    void transactions_data()
    {
        QTest::addColumn<QByteArray>("setup");
        QTest::addColumn<int>("pins");
        QTest::addColumn<bool>("held");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("status");

        const auto row = [](const char* name, const char* setup, const char* stream, const char* answer, int status) {
            QTest::newRow(name) << hex(setup) << -1 << false << hex(stream) << hex(answer) << status;
        };
        row("eeprom page write wraps inside its page", "53A005 06 11223344 50", "53A00100 53A108 50", "3344FFFFFFFF1122", 0xF0);
        row("eeprom sequential read wraps at 256", "53A002FFAA50 53A0020BBB50 53A0020001 50", "53A001FF 53A103 50", "AA01FF", 0xF0);
        row("read without a register phase continues at the pointer", "53A00504 01020304 50 53A00104 53A101 50",
            "53A10350", "020304", 0xF0);
        row("nobody at the address: no answer, NACK on address", "", "53B00100 53B10450", "", 0xF1);
        row("a NACK ends the transaction before its read", "", "53B00100 53A10250", "", 0xF1);
        row("isl22343 auto-increments over its registers", "53500500 0A0B0C0D 50", "53500100 53510550", "0A0B0C0D00", 0xF0);
        row("isl22343 refuses a pointer past its registers", "", "53500220 0150", "", 0xF2);
        row("x95840 wraps its pointer at its end", "53520207 9950", "53520107 53530250", "9980", 0xF0);
        row("ds4520 I/O status follows the control registers", "539003F2 0F0150", "539001F8 53910250", "0F01", 0xF0);
        row("ds4520 I/O status cannot be written", "539002F2 FF50 539003F8 000050", "539001F8 53910350", "FF0100", 0xF0);
        QTest::newRow("ds4520 I/O status shows the pin levels") << hex("539003F2 FF01 50") << 0x0FE << false << hex("539001F8 53910250") << hex("FE00") << 0xF0;
        row("ad5144a reads back the RDAC", "53580212 7F50", "53580232 03 53590150", "7F", 0xF0);
        row("ad5144a copies the RDAC to EEPROM", "535802127F50 5358027201 50 5358021200 50", "53580232 01 53590150", "7F", 0xF0);
        row("ad5144a refuses an unknown command", "", "535802 5501 50", "", 0xF2);
        row("x9408 writes, stores and reads back its counter", "535E02A22A50 535E01E250",
            "535E0192 535F01 50 535E01B2 535F0150", "2A2A", 0xF0);
        row("x9408 keeps six bits", "535E02A1FF50", "535E0191 535F0150", "3F", 0xF0);
        row("bridge registers after power-on", "", "52 000102030405060708090A 50", "F0025555FF0026130066F0", 0xF0);
        row("bridge register write and read back", "5702FF03FF50", "52020350", "FFFF", 0xF0);
        row("gpio write and read", "4F5A50", "4950", "5A", 0xF0);
        QTest::newRow("a held bus times out") << QByteArray() << -1 << true << hex("53A00100 53A10450") << QByteArray() << 0xF8;
    }

    void transactions()
    {
        QFETCH(QByteArray, setup);
        QFETCH(int, pins);
        QFETCH(bool, held);
        QFETCH(QByteArray, stream);
        QFETCH(QByteArray, answer);
        QFETCH(int, status);

        const std::unique_ptr<BridgeSimulator> simulator = makeProduct();
        simulator->feed(setup);
        if (pins >= 0)
            simulator->part<DS4520Part>(0, 0x90)->setPinLevels(quint16(pins));
        simulator->setBusHeld(held);
        QCOMPARE(simulator->feed(stream).toHex(), answer.toHex());
        QCOMPARE(int(simulator->status()), status);
        QCOMPARE(simulator->pendingInputSize(), 0);
    }

    void thePartAtThePlaceAnswers_data()
    {
        using Select = BridgeSimulator::BusSelect;
        QTest::addColumn<Select>("select");
        QTest::addColumn<QList<int>>("buses");  // one EEPROM at 0xA0 on each, filled with 0x11 * (bus + 1)
        QTest::addColumn<QByteArray>("before"); // sent ahead of a read of two bytes at 0xA0
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("one segment: the first part added at the address") << Select::None << QList<int>{1, 0} << QByteArray() << hex("2222");
        QTest::newRow("one segment: the bus number is not consulted") << Select::None << QList<int>{3} << QByteArray() << hex("4444");
        QTest::newRow("GPIO selects segment 1") << Select::Gpio << QList<int>{0, 1} << hex("4F0150") << hex("2222");
        QTest::newRow("GPIO selects segment 0 after 1") << Select::Gpio << QList<int>{0, 1} << hex("4F0150 4F0050") << hex("1111");
        QTest::newRow("GPIO selects a segment without the part") << Select::Gpio << QList<int>{0, 1} << hex("4F0250") << QByteArray();
    }

    void thePartAtThePlaceAnswers()
    {
        QFETCH(BridgeSimulator::BusSelect, select);
        QFETCH(QList<int>, buses);
        QFETCH(QByteArray, before);
        BridgeSimulator simulator(select);
        for (const int bus : buses) {
            SimulatedPart* const part = simulator.addPart(Device::CAT24AA02, bus, 0xA0);
            QVERIFY(part);
            QVERIFY(part->setMemory(QByteArray(256, char(0x11 * (bus + 1)))));
        }
        QVERIFY(!simulator.addPart(Device::CAT24AA02, buses.first(), 0xA1)); // the place is taken
        QVERIFY(!simulator.addPart(Device::M25P40, 5, 0xB0));                // not a part it simulates
        QCOMPARE(simulator.feed(before), QByteArray());
        QTEST(simulator.feed(hex("53A00100 53A10250")), "answer");
    }

    void aStreamMayBeCutAnywhere_data()
    {
        QTest::addColumn<int>("piece");
        QTest::newRow("byte by byte") << 1;
        QTest::newRow("in pieces of three bytes") << 3;
        QTest::newRow("in pieces of seven bytes") << 7;
    }

    // A command of every kind, sixty register writes, sixty reads of them and
    // the start of one more read, fed whole and in pieces: the answers, the
    // state and the notes are the same, and the unfinished read waits for its end.
    void aStreamMayBeCutAnywhere()
    {
        QFETCH(int, piece);
        QByteArray stream = hex("4F0150 5702FF03FF50 53A00900 0102030405060708 50 53A00100 53A10850 52000A50 4950"
                                "53580212 3350 53580232 03 53590150 41 535E02A03F50 53B00100 53B10250"
                                "53900100 539104 50 53A00106 53A10250");
        QByteArray expected = hex("0102030405060708 F0F0 01 33 FFFFFFFF 0708");
        for (int reg = 0; reg < 60; ++reg)
            stream += hex("53A002") + char(reg) + char(0x80 + reg) + 'P';
        for (int reg = 0; reg < 60; ++reg) {
            stream += hex("53A001") + char(reg) + hex("53A10150");
            expected += char(0x80 + reg);
        }
        stream += hex("53A00105");

        const std::unique_ptr<BridgeSimulator> whole = makeProduct();
        const std::unique_ptr<BridgeSimulator> cut = makeProduct();
        QCOMPARE(whole->feed(stream).toHex(), expected.toHex());
        QByteArray answer;
        for (int position = 0; position < stream.size(); position += piece)
            answer += cut->feed(stream.mid(position, piece));
        QCOMPARE(answer.toHex(), expected.toHex());
        QCOMPARE(cut->saveState(), whole->saveState());
        QCOMPARE(cut->notes(), whole->notes());
        QCOMPARE(cut->pendingInputSize(), 4);
        QCOMPARE(cut->feed(hex("53A10150")), hex("85"));
        QCOMPARE(cut->pendingInputSize(), 0);
    }
    // Broken input is dropped with a note; no part's memory changes and the
    // command after it is still understood.
    void brokenInput_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QStringList>("notes");

        QTest::newRow("unknown command character") << hex("41 4950") << hex("FF") << QStringList{QStringLiteral("skipped 0x41: not a command")};
        QTest::newRow("write without its P") << hex("53A00200 11 41 4950") << hex("FF") << QStringList{QStringLiteral("dropped a \"S\" command: 0x41 came where \"S\" or \"P\" belongs"),
                           QStringLiteral("skipped 0x41: not a command")};
        QTest::newRow("count past the data swallows the next command whole") << hex("53A00800 1150 4F0150 4950 4950") << hex("FF")
            << QStringList{QStringLiteral("dropped a \"S\" command: 0x49 came where \"S\" or \"P\" belongs")};
        QTest::newRow("gpio read without its P") << hex("49 4F0250 4950") << hex("02") << QStringList{QStringLiteral("dropped a \"I\" command: 0x4F came where \"S\" or \"P\" belongs")};
        QTest::newRow("stray P") << hex("50 4950") << hex("FF") << QStringList{QStringLiteral("skipped 0x50: not a command")};
        QTest::newRow("register that does not exist") << hex("520B0250") << hex("55") << QStringList{QStringLiteral("register 0x0B does not exist")};
        QTest::newRow("status register is read-only") << hex("570A0050 520A50") << hex("F0") << QStringList{QStringLiteral("register 0x0A cannot be written")};
        QTest::newRow("read from an absent part") << hex("53B10450") << QByteArray() << QStringList{QStringLiteral("nobody answers 0xB1 on bus 0")};
    }

    void brokenInput()
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

    void unfinishedCommandWaits()
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

    // The UART rate is 7.3728 MHz / (16 + BRG1:BRG0), the I2C clock
    // 15 MHz / (8 x (I2CClkL + I2CClkH)), both rounded to whole hertz here.
    void ratesFollowTheRegisters_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("clock");
        QTest::addColumn<QStringList>("notes");

        QTest::newRow("power-on") << QByteArray() << 9600 << 98684 << QStringList();
        QTest::newRow("BRG1 alone keeps BRG0") << hex("57 0101 50") << 14400 << 98684 << QStringList();
        QTest::newRow("clock divider below its minimum") << hex("57 0702 0802 50") << 9600 << 468750 << QStringList{QStringLiteral("I2C clock registers 0x02 and 0x02 add up to less than 5")};
    }

    void ratesFollowTheRegisters()
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

    void stateRoundTrip()
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

    void foreignStateIsRefused()
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
    void descriptionsGoThroughTheToolsReader()
    {
        QString error;
        QCOMPARE(simulate(product, &error)->partCount(), 6);
        QVERIFY(!simulate(R"({"boards": [{"title": "t", "devices": [{"type": "X95840", "bus": 0, "address": "50", "name": "p"}]}]})",
                          &error));
        QCOMPARE(error, QStringLiteral("p.json: device \"p\": address \"50\" is not an 8-bit bus address (0x00 to 0xFE, even)"));
    }
};

QTEST_GUILESS_MAIN(TestBridgeSimulator)
#include "tst_bridgesimulator.moc"
