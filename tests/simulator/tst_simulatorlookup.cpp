// The simulator finds the part a transaction addresses by its place and
// parses a long stream without shifting it after every command; answers and
// pending input must be those of the plain search and the plain shift.

#include <bridgesimulator.h>

#include <QtTest/QtTest>

Q_DECLARE_METATYPE(BridgeSimulator::BusSelect)

namespace {

// Reads two bytes from register 0 of the part at 0xA0.
const QByteArray readTwo = QByteArray::fromHex("53A0010053A10250");

} // namespace

class tst_SimulatorLookup : public QObject
{
    Q_OBJECT

private slots:
    void thePartAtThePlaceAnswers_data();
    void thePartAtThePlaceAnswers();
    void aStreamMayBeCutAnywhere_data();
    void aStreamMayBeCutAnywhere();
};

void tst_SimulatorLookup::thePartAtThePlaceAnswers_data()
{
    using Select = BridgeSimulator::BusSelect;
    QTest::addColumn<Select>("select");
    QTest::addColumn<QList<int>>("buses");  // one EEPROM at 0xA0 on each, filled with 0x11 * (bus + 1)
    QTest::addColumn<QByteArray>("before"); // sent ahead of the read
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("one segment: the first part added at the address")
        << Select::None << QList<int>{1, 0} << QByteArray() << QByteArray::fromHex("2222");
    QTest::newRow("one segment: the bus number is not consulted")
        << Select::None << QList<int>{3} << QByteArray() << QByteArray::fromHex("4444");
    QTest::newRow("GPIO selects segment 1")
        << Select::Gpio << QList<int>{0, 1} << QByteArray::fromHex("4F0150") << QByteArray::fromHex("2222");
    QTest::newRow("GPIO selects segment 0 after 1")
        << Select::Gpio << QList<int>{0, 1} << QByteArray::fromHex("4F01504F0050")
        << QByteArray::fromHex("1111");
    QTest::newRow("GPIO selects a segment without the part")
        << Select::Gpio << QList<int>{0, 1} << QByteArray::fromHex("4F0250") << QByteArray();
}

void tst_SimulatorLookup::thePartAtThePlaceAnswers()
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
    QCOMPARE(simulator.feed(before), QByteArray());
    QTEST(simulator.feed(readTwo), "answer");
}

void tst_SimulatorLookup::aStreamMayBeCutAnywhere_data()
{
    QTest::addColumn<int>("piece");
    QTest::newRow("the whole stream at once") << 0;
    QTest::newRow("byte by byte") << 1;
    QTest::newRow("in pieces of seven bytes") << 7;
}

// Sixty register writes, sixty reads of them and the start of one more read:
// the answers are the values written, and the unfinished read waits for its
// end.
void tst_SimulatorLookup::aStreamMayBeCutAnywhere()
{
    QFETCH(int, piece);
    QByteArray stream;
    QByteArray expected;
    for (int reg = 0; reg < 60; ++reg)
        stream += QByteArray::fromHex("53A002") + char(reg) + char(0x80 + reg) + 'P';
    for (int reg = 0; reg < 60; ++reg) {
        stream += QByteArray::fromHex("53A001") + char(reg) + QByteArray::fromHex("53A10150");
        expected += char(0x80 + reg);
    }
    stream += QByteArray::fromHex("53A00105");

    BridgeSimulator simulator;
    QVERIFY(simulator.addPart(Device::CAT24AA02, 0, 0xA0));
    QByteArray answer;
    const int step = piece > 0 ? piece : int(stream.size());
    for (int position = 0; position < stream.size(); position += step)
        answer += simulator.feed(stream.mid(position, step));
    QCOMPARE(answer, expected);
    QCOMPARE(simulator.pendingInputSize(), 4);
    QCOMPARE(simulator.feed(QByteArray::fromHex("53A10150")), QByteArray(1, char(0x85)));
    QCOMPARE(simulator.pendingInputSize(), 0);
}

QTEST_GUILESS_MAIN(tst_SimulatorLookup)

#include "tst_simulatorlookup.moc"
