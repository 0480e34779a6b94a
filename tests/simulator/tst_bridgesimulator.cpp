// The bridge simulator: the answer to each transaction kind on each part,
// parts found by their place and segment, streams cut anywhere, broken input
// dropped with a note, rates from the registers, the receive FIFO and the
// gap time-out, restarts and power cycles, state saved and restored.

#include <bridgesimulator.h>
#include <commandpart.h>
#include <registerpart.h>
#include <simulatedproduct.h>

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtTest/QtTest>

#include "golden.h"
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

// Hex with spaces; runs of four or more equal bytes as "FF*252".
QByteArray runs(const QByteArray& bytes)
{
    QByteArrayList parts;
    for (int i = 0, end = 0; i < bytes.size(); i = end) {
        for (end = i + 1; end < bytes.size() && bytes.at(end) == bytes.at(i);)
            ++end;
        const QByteArray run = bytes.mid(i, end - i).toHex(' ').toUpper();
        parts << (end - i >= 4 ? run.left(2) + '*' + QByteArray::number(end - i) : run);
    }
    return parts.join(' ');
}

// The answer to a stream, the I2C status after it, the notes it added and
// the input left waiting, as transcript lines.
QByteArray answerTo(BridgeSimulator& simulator, const QByteArray& stream, int& notesShown)
{
    const QByteArray answer = simulator.feed(stream).toHex(' ').toUpper();
    QByteArray text = "  <" + (answer.isEmpty() ? QByteArray() : ' ' + answer) + "\n  status "
                    + QByteArray::number(simulator.status(), 16).toUpper() + '\n';
    for (const QStringList notes = simulator.notes(); notesShown < notes.size(); ++notesShown)
        text += "  note: " + notes.at(notesShown).toUtf8() + '\n';
    if (simulator.pendingInputSize() > 0)
        text += "  pending " + QByteArray::number(simulator.pendingInputSize()) + '\n';
    return text;
}

// What the bridge sent on its own, and when each byte has arrived (ms).
QByteArray outputOf(BridgeSimulator& simulator)
{
    QVector<BridgeSimulator::Duration> times;
    const QByteArray output = simulator.takeOutput(&times);
    if (output.isEmpty())
        return "  sent nothing\n";
    QByteArray text = "  sent " + output.toHex(' ').toUpper() + " at";
    for (const BridgeSimulator::Duration time : times)
        text += ' ' + QByteArray::number(SC18IM700Protocol::seconds(time) * 1000, 'f', 3);
    return text + " ms\n";
}

} // namespace

Q_DECLARE_METATYPE(BridgeSimulator::BusSelect)

class TestBridgeSimulator : public QObject
{
    Q_OBJECT

private slots:
    // The cases of simulator/transactions.txt, each on a new product. The
    // file's own lines are replayed and what the simulator does is written
    // under them, indented, so the file is the whole expectation.
    void transactions()
    {
        std::unique_ptr<BridgeSimulator> simulator;
        QByteArray transcript;
        int notesShown = 0;
        const QByteArrayList lines = Golden::contents(QStringLiteral("simulator/transactions.txt")).split('\n');
        for (int i = 0; i + 1 < lines.size(); ++i) {
            const QByteArray& line = lines.at(i);
            if (line.startsWith("  "))
                continue;
            transcript += line + '\n';
            if (line.startsWith("## "))
                simulator = makeProduct(), notesShown = 0;
            else if (line.startsWith("setup "))
                simulator->feed(hex(line.mid(6)));
            else if (line.startsWith("pins "))
                simulator->part<DS4520Part>(0, 0x90)->setPinLevels(quint16(line.mid(5).toUInt(nullptr, 16)));
            else if (line == "bus held")
                simulator->setBusHeld(true);
            else if (line == "discard")
                simulator->discardPendingInput();
            else if (line == "timing on")
                simulator->setTiming(true);
            else if (line.startsWith("wait "))
                simulator->advanceTo(simulator->inputDoneAt() + std::chrono::milliseconds(line.mid(5).toInt()));
            else if (line == "restart")
                simulator->restart();
            else if (line.startsWith("restart after "))
                simulator->setRestartAfter(line.mid(14).toInt());
            else if (line == "output")
                transcript += outputOf(*simulator);
            else if (line.startsWith("memory "))
                transcript += "  " + runs(simulator->part(0, quint8(line.mid(7).toUInt(nullptr, 16)))->memory()) + '\n';
            else if (line == "rates")
                transcript += QStringLiteral("  UART %1 baud, I2C clock %2 Hz\n")
                                  .arg(qRound(simulator->baudRate()))
                                  .arg(qRound(simulator->i2cClockHz()))
                                  .toLatin1();
            else if (line.startsWith("> "))
                transcript += answerTo(*simulator, hex(line.mid(2)), notesShown);
        }
        QUELM_COMPARE_GOLDEN(transcript, QStringLiteral("simulator/transactions.txt"));
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
    // Garbage that never ends a command does not pile up.
    void unendedGarbageIsCapped()
    {
        const std::unique_ptr<BridgeSimulator> simulator = makeProduct();
        simulator->feed(QByteArray(1, 'R') + QByteArray(5000, '\x01'));
        QVERIFY(simulator->pendingInputSize() <= 4096);
    }

    void stateRoundTrip()
    {
        const std::unique_ptr<BridgeSimulator> simulator = makeProduct();
        simulator->feed(hex("4F0750 53A00410 AABBCC50 53580211 4450 535E02A30550 539002F2 0F50"));
        simulator->part<DS4520Part>(0, 0x90)->setPinLevels(0x155);

        // As a state file keeps it: the JSON text.
        const QByteArray text = QJsonDocument(simulator->saveState()).toJson();
        const std::unique_ptr<BridgeSimulator> restored = makeProduct();
        QVERIFY(restored->restoreState(QJsonDocument::fromJson(text).object()));
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
        BridgeSimulator other;
        other.addPart(Device::CAT24AA02, 0, 0xA0);
        QVERIFY(!simulator->restoreState(other.saveState()));
        QVERIFY(!other.restoreState(simulator->saveState()));
    }

    // A state whose part does not fit its place is refused whole: nothing
    // changes, not even the parts before it.
    void damagedStateIsRefused_data()
    {
        QTest::addColumn<int>("part"); // in the state's list
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        const QString memory = QStringLiteral("memory");
        const QString eeprom = QString(2 * 256, QLatin1Char('F'));

        QTest::newRow("memory of one byte") << 5 << memory << QJsonValue(QStringLiteral("00"));
        QTest::newRow("memory text with two more characters")
            << 0 << memory << QJsonValue(eeprom + QStringLiteral("zz"));
        QTest::newRow("memory text of odd length") << 0 << memory << QJsonValue(eeprom + QStringLiteral("F"));
        QTest::newRow("pointer past the memory") << 0 << QStringLiteral("pointer") << QJsonValue(256);
        QTest::newRow("pointer below the memory") << 0 << QStringLiteral("pointer") << QJsonValue(-1);
        QTest::newRow("address not hex") << 0 << QStringLiteral("address") << QJsonValue(QStringLiteral("0xA0Z"));
        QTest::newRow("address without digits") << 0 << QStringLiteral("address") << QJsonValue(QStringLiteral("0x"));
        QTest::newRow("read address") << 0 << QStringLiteral("address") << QJsonValue(QStringLiteral("0xA1"));
    }
    void damagedStateIsRefused()
    {
        QFETCH(int, part);
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        const std::unique_ptr<BridgeSimulator> simulator = makeProduct();
        simulator->feed(hex("53A0020077 50 4F0350"));
        const QJsonObject before = simulator->saveState();

        QJsonObject damaged = before;
        QJsonArray parts = damaged.value(QStringLiteral("parts")).toArray();
        QJsonObject placed = parts.at(part).toObject();
        QJsonObject state = placed.value(QStringLiteral("state")).toObject();
        (key == QLatin1String("address") ? placed : state).insert(key, value);
        placed.insert(QStringLiteral("state"), state);
        parts.replace(part, placed);
        damaged.insert(QStringLiteral("parts"), parts);
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
