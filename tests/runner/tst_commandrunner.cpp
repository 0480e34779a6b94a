// The command runner: commands sent in order and their answers stored, the
// run stopped at a missing answer or a refused acknowledge with the failing
// part named, status reads after transactions, write cycles waited out by
// polling at every rate, and the time a run takes on the wire.

#include <bridgesetup.h>
#include <bridgesimulator.h>
#include <bridgestatus.h>
#include <commandrunner.h>
#include <simulatorlink.h>

#include <cat24aa02device.h>
#include <devicecommand.h>
#include <isl22343device.h>
#include <sc18im700.h>

#include <QtTest/QtTest>

#include "hex.h"

#include "fadinglink.h"

#include <memory>

namespace {

// Keeps every byte that goes out.
class RecordingLink : public SimulatorLink
{
public:
    using SimulatorLink::SimulatorLink;

    bool write(const QByteArray& bytes) override
    {
        sent += bytes;
        return SimulatorLink::write(bytes);
    }

    QByteArray sent;
};

struct Fixture
{
    explicit Fixture(BridgeSimulator::BusSelect busSelect = BridgeSimulator::BusSelect::None)
        : simulator(busSelect)
    {
        simulator.addPart(Device::CAT24AA02, 0, 0xA0);
        simulator.addPart(Device::ISL22343, 0, 0x50);
    }
    ~Fixture() { qDeleteAll(commands); }

    DeviceCommand* write(const QByteArray& data, quint8 address = 0xA0)
    {
        return add(QStringLiteral("write"), SC18IM700::writeExternalDeviceCommands(address, data));
    }
    DeviceCommand* add(const QString& description, const QByteArray& bytes)
    {
        commands.append(new DeviceCommand(description, bytes));
        return commands.last();
    }
    DeviceCommand* readPage(int page, quint8 address = 0xA0)
    {
        commands.append(new DeviceCommand(QStringLiteral("read page %1").arg(page), &eeprom, page,
                                          SC18IM700::readExternalDeviceCommands(address, quint8(8 * page), 8)));
        return commands.last();
    }

    BridgeSimulator simulator;
    CAT24AA02Device eeprom{0, 0xA0, QStringLiteral("header")};
    ISL22343Device pots{0, 0x50, QStringLiteral("pots")};
    CAT24AA02Device spare{1, 0xA2, QStringLiteral("spare")};
    SC18IM700 bridge{QStringLiteral("bridge")};
    QList<DeviceCommand*> commands;
};

using Duration = Link::Duration;

// The link at a rate and I2C clock the bridge was moved to, its runner told
// which parts it drives.
struct Bench
{
    Bench(Fixture& f, qint32 rate, BridgeSetup::I2CClock clock, bool checks)
        : link(&f.simulator), runner(&link)
    {
        BridgeSetup setup(&link);
        if (rate != BridgeSetup::PowerOnBaudRate && !setup.setBaudRate(rate))
            qFatal("%s", qPrintable(setup.errorString()));
        if (!setup.setI2CClock(clock))
            qFatal("%s", qPrintable(setup.errorString()));
        runner.setProduct({&f.eeprom, &f.pots}, false);
        runner.setI2CClockDivider(BridgeSetup::clockSetting(clock).divider());
        runner.setAcknowledgeChecks(checks);
    }

    RecordingLink link;
    CommandRunner runner;
};

// The notes of a simulator, less the refusals of parts in their write cycle
// that acknowledge polling provokes.
QStringList refusals(const BridgeSimulator& simulator)
{
    QStringList notes = simulator.notes();
    notes.erase(std::remove_if(notes.begin(), notes.end(),
                               [](const QString& note) { return note.endsWith(QLatin1String("busy with its write cycle")); }),
                notes.end());
    return notes;
}

// Every rate the tools offer, with the acknowledge checks on and off.
void addRatesAndChecks(const bool withSlowUnchecked = true)
{
    QTest::addColumn<qint32>("rate");
    QTest::addColumn<bool>("checks");
    for (const qint32 rate : {9600, 115200, 460800}) {
        for (const bool checks : {false, true})
            if (withSlowUnchecked || checks || rate != 9600)
                QTest::newRow(qPrintable(QStringLiteral("%1 baud, checks %2").arg(rate).arg(checks ? "on" : "off")))
                << rate << checks;
    }
}

} // namespace

class TestCommandRunner : public QObject
{
    Q_OBJECT

private slots:
    void runsInOrderAndStoresAnswers();
    void stopsAtAMissingAnswer_data();
    void stopsAtAMissingAnswer();
    void staleAnswersAreDiscarded();
    void commandShapes_data();
    void commandShapes();
    void statusReadsFollowTransactions_data();
    void statusReadsFollowTransactions();
    void acknowledgeChecksStopTheRun_data();
    void acknowledgeChecksStopTheRun();
    void writesLandThroughTheirCycle_data();
    void writesLandThroughTheirCycle();
    void timeoutCountsFromTheWire();
    void stuckPartStopsTheRun_data();
    void stuckPartStopsTheRun();
    void pollsReachNoBuffer();
    void virtualTimeMatchesTheWire_data();
    void virtualTimeMatchesTheWire();
};

void TestCommandRunner::runsInOrderAndStoresAnswers()
{
    Fixture f;
    f.write(hex("08 0102030405060708"));
    f.readPage(1);
    f.commands.append(new DeviceCommand(QStringLiteral("Read GPIO Register."), &f.bridge, 12,
                                        SC18IM700::readGpioCommands()));
    f.write(hex("00 AA"));
    f.readPage(0);

    SimulatorLink link(&f.simulator);
    CommandRunner runner(&link);
    QList<int> reported;
    runner.setProgress([&](int index, int count, const DeviceCommand* command) {
        QCOMPARE(count, 5);
        QCOMPARE(command, f.commands.at(index));
        reported.append(index);
    });
    const RunResult result = runner.run(f.commands);

    QVERIFY(result.ok());
    QCOMPARE(result.applied, 5);
    QCOMPARE(result.errorString, QString());
    QCOMPARE(reported, (QList<int>{0, 1, 2, 3, 4}));
    QCOMPARE(f.eeprom.rxData(0, 16), hex("AAFFFFFFFFFFFFFF 0102030405060708"));
    QCOMPARE(f.bridge.rxBuffer(), hex("000000000000000000000000 FF"));
}

// The run stops at the command whose answer is missing or short: the
// commands before it stay applied, nothing of its own answer is stored.
void TestCommandRunner::stopsAtAMissingAnswer_data()
{
    QTest::addColumn<quint8>("secondAddress");
    QTest::addColumn<int>("budget");
    QTest::addColumn<QString>("error");

    QTest::newRow("nobody answers the address")
        << quint8(0xB0) << 1000
        << QStringLiteral("Command 4 of 5 (read page 1): no answer from the bridge (8 bytes expected); "
                          "bus 0, address 0xB0: no acknowledge on the address (I2C status 0xF1)");
    QTest::newRow("the bridge falls silent")
        << quint8(0xA0) << 8
        << QStringLiteral("Command 4 of 5 (read page 1): no answer from the bridge (8 bytes expected); "
                          "the bridge does not answer a status read either");
    QTest::newRow("the answer breaks off")
        << quint8(0xA0) << 11
        << QStringLiteral("Command 4 of 5 (read page 1): the bridge answered 3 of 8 bytes");
}

void TestCommandRunner::stopsAtAMissingAnswer()
{
    QFETCH(quint8, secondAddress);
    QFETCH(int, budget);
    QFETCH(QString, error);

    Fixture f;
    f.write(hex("00 1112131415161718"));
    f.write(hex("08 2122232425262728"));
    f.readPage(0);
    f.readPage(1, secondAddress);
    f.readPage(2);

    FadingLink link(&f.simulator, budget);
    CommandRunner runner(&link);
    int progressCalls = 0;
    runner.setProgress([&](int, int, const DeviceCommand*) { ++progressCalls; });
    const RunResult result = runner.run(f.commands);

    QVERIFY(!result.ok());
    QCOMPARE(result.failedIndex, 3);
    QCOMPARE(result.applied, 3);
    QCOMPARE(progressCalls, 3);
    QCOMPARE(result.errorString, error);
    QCOMPARE(f.eeprom.rxData(0, 24), hex("1112131415161718 0000000000000000 0000000000000000"));
}

void TestCommandRunner::staleAnswersAreDiscarded()
{
    Fixture f;
    f.write(hex("00 77"));
    f.readPage(0);
    SimulatorLink link(&f.simulator);
    // An answer that nobody read, left over from an earlier exchange.
    link.write(SC18IM700::readGpioCommands());
    link.wait(std::chrono::milliseconds(10));

    CommandRunner runner(&link);
    QVERIFY(runner.run(f.commands).ok());
    QCOMPARE(f.eeprom.rxData(0, 2), hex("77FF"));

    const RunResult nullCommand = runner.run({f.commands.first(), nullptr});
    QCOMPARE(nullCommand.applied, 1);
    QCOMPARE(nullCommand.failedIndex, 1);
    QCOMPARE(nullCommand.errorString, QStringLiteral("Command 2 of 2 (none): the list holds a null command"));
}

// Which transaction a command string holds decides whether a status read
// follows it and which part a failure names.
void TestCommandRunner::commandShapes_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("gpio");

    QTest::newRow("read with a register phase") << hex("53A00108 53A10850") << 0xA0 << -1;
    QTest::newRow("a write of a P byte, then a bus select") << hex("53A00150 50 4F0250") << 0xA0 << 2;
    QTest::newRow("bus select, then a write") << hex("4F0250 535E0100 50") << 0x5E << 2;
    QTest::newRow("register write holding a P value") << hex("570250 50") << -1 << -1;
    QTest::newRow("register and GPIO reads") << hex("520A50 4950") << -1 << -1;
    QTest::newRow("broken off after its address") << hex("53A0") << -1 << -1;
    QTest::newRow("a write without its P") << hex("53A00211") << 0xA0 << -1;
    QTest::newRow("not a command") << hex("00 4F0150") << -1 << -1;
    QTest::newRow("empty") << QByteArray() << -1 << -1;
}

void TestCommandRunner::commandShapes()
{
    QFETCH(QByteArray, command);
    QFETCH(int, address);
    QFETCH(int, gpio);

    const BridgeStatus::CommandShape shape = BridgeStatus::CommandShape::of(command);
    QCOMPARE(shape.address, address);
    QCOMPARE(shape.gpio, gpio);
}

// The status read ("R", 0x0A, "P") goes out after every "S" transaction
// when the checks are on, never after the bridge's own commands, and its
// answer lands nowhere: index 10 of the bridge's image, where the status
// register would go, stays 0.
void TestCommandRunner::statusReadsFollowTransactions_data()
{
    QTest::addColumn<bool>("checks");
    QTest::addColumn<QByteArray>("wire");

    QTest::newRow("checks on")
        << true << hex("53A00200AA50 520A50 4F0050 4950 53A0010053A10850 520A50 52000102030405060708090A50");
    QTest::newRow("checks off")
        << false << hex("53A00200AA50 4F0050 4950 53A0010053A10850 52000102030405060708090A50");
}

void TestCommandRunner::statusReadsFollowTransactions()
{
    QFETCH(bool, checks);
    QFETCH(QByteArray, wire);

    Fixture f;
    f.write(hex("00AA"));
    f.add(QStringLiteral("select"), SC18IM700::writeGpioCommands(0));
    f.commands.append(new DeviceCommand(QStringLiteral("gpio"), &f.bridge, 12, SC18IM700::readGpioCommands()));
    f.readPage(0);
    f.commands.append(new DeviceCommand(QStringLiteral("registers"), &f.bridge, 0,
                                        SC18IM700::readInternalRegistersCommand()));
    RecordingLink link(&f.simulator);
    CommandRunner runner(&link);
    runner.setAcknowledgeChecks(checks);
    const RunResult result = runner.run(f.commands);

    QVERIFY2(result.ok(), qPrintable(result.errorString));
    QCOMPARE(result.applied, 5);
    QCOMPARE(link.sent.toHex(), wire.toHex());
    QCOMPARE(f.eeprom.rxData(0, 2), hex("AAFF"));
    QCOMPARE(f.bridge.rxBuffer().toHex(), hex("F0025555000026130066F0 00 00").toHex());
}

// The run stops at the failing command and names the part at its place:
// the command before it stays applied, the one after it is never sent.
// With GPIO selection the part is looked up on the selected bus only: bus 1
// has no "header", and it should have a "spare".
void TestCommandRunner::acknowledgeChecksStopTheRun_data()
{
    QTest::addColumn<int>("selected"); // the bus selected first; -1: none, a write of AA first
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("status");

    QTest::newRow("part missing") << -1 << hex("53B0020011 50") << false
        << "bus 0, address 0xB0: no acknowledge on the address (I2C status 0xF1)" << 0xF1;
    QTest::newRow("data refused") << -1 << hex("5350022001 50") << false
        << "bus 0, address 0x50 (pots): no acknowledge on data (I2C status 0xF2)" << 0xF2;
    QTest::newRow("bus held low") << -1 << hex("53A0020022 50") << true
        << "bus 0, address 0xA0 (header): bus time-out (I2C status 0xF8)" << 0xF8;
    QTest::newRow("a bus 0 part asked for on bus 1") << 1 << hex("53A0020011 50") << false
        << "bus 1, address 0xA0: no acknowledge on the address (I2C status 0xF1)" << 0xF1;
    QTest::newRow("a bus 1 part that is missing") << 1 << hex("53A2020011 50") << false
        << "bus 1, address 0xA2 (spare): no acknowledge on the address (I2C status 0xF1)" << 0xF1;
    QTest::newRow("a bus 1 part asked for on bus 0") << 0 << hex("53A2020011 50") << false
        << "bus 0, address 0xA2: no acknowledge on the address (I2C status 0xF1)" << 0xF1;
}

void TestCommandRunner::acknowledgeChecksStopTheRun()
{
    QFETCH(int, selected);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, held);
    QFETCH(QString, error);
    QFETCH(int, status);

    Fixture f(selected < 0 ? BridgeSimulator::BusSelect::None : BridgeSimulator::BusSelect::Gpio);
    if (selected < 0)
        f.write(hex("00AA"));
    else
        f.add(QStringLiteral("select"), SC18IM700::writeGpioCommands(quint8(selected)));
    f.add(QStringLiteral("probe"), bytes);
    f.write(hex("00BB"));
    SimulatorLink link(&f.simulator);
    CommandRunner runner(&link);
    runner.setAcknowledgeChecks(true);
    runner.setProduct({&f.eeprom, &f.pots, &f.spare}, selected >= 0);
    runner.setProgress([&](int, int, const DeviceCommand*) { f.simulator.setBusHeld(held); });
    const RunResult result = runner.run(f.commands);

    QCOMPARE(result.errorString, "Command 2 of 3 (probe): " + error);
    QCOMPARE(result.failedIndex, 1);
    QCOMPARE(result.applied, 1);
    QCOMPARE(result.status, status);
    QCOMPARE(result.bus, qMax(selected, 0));
    QCOMPARE(result.address, int(quint8(bytes.at(1))));
    QCOMPARE(f.simulator.part(0, 0xA0)->memory().left(1), hex(selected < 0 ? "AA" : "FF"));
}

// A write that arrives while its part programs the one before is held back
// until the part takes it: the EEPROM's second page, and a potentiometer
// slower than the typical one (19 ms; 12 typical, 20 at most) that refuses
// the write sent when the typical cycle is over, is polled and sent it again.
// Everything reads back through the runner, and nothing else is refused.
void TestCommandRunner::writesLandThroughTheirCycle_data()
{
    QTest::addColumn<quint8>("address");
    QTest::addColumn<int>("cycleMs");
    QTest::addColumn<QList<QByteArray>>("writes");
    QTest::addColumn<qint32>("rate");
    QTest::addColumn<bool>("checks");
    const QList<QByteArray> pages{hex("00 0102030405060708"), hex("08 1112131415161718")};
    const QList<QByteArray> wipers{hex("00 40"), hex("01 41"), hex("02 42")};
    for (const qint32 rate : {9600, 115200, 460800}) {
        for (const bool checks : {false, true}) {
            const QString at = QStringLiteral(" at %1 baud, checks %2").arg(rate).arg(checks ? "on" : "off");
            QTest::newRow(qPrintable("two EEPROM pages" + at)) << quint8(0xA0) << 0 << pages << rate << checks;
            QTest::newRow(qPrintable("a slow potentiometer" + at)) << quint8(0x50) << 19 << wipers << rate << checks;
        }
    }
}

void TestCommandRunner::writesLandThroughTheirCycle()
{
    QFETCH(quint8, address);
    QFETCH(int, cycleMs);
    QFETCH(QList<QByteArray>, writes);
    QFETCH(qint32, rate);
    QFETCH(bool, checks);

    Fixture f;
    if (cycleMs > 0)
        f.simulator.part(0, address)->setWriteCycleTime(std::chrono::milliseconds(cycleMs));
    QByteArray expected;
    for (const QByteArray& write : writes) {
        f.write(write, address);
        expected += write.mid(1);
    }
    const bool eeprom = address == 0xA0;
    Device* const device = eeprom ? static_cast<Device*>(&f.eeprom) : &f.pots;
    if (eeprom) {
        f.readPage(0);
        f.readPage(1);
    } else {
        f.commands.append(new DeviceCommand(QStringLiteral("read pots"), &f.pots, 0,
                                            SC18IM700::readExternalDeviceCommands(0x50, 0, 15)));
    }
    Bench bench(f, rate, eeprom ? BridgeSetup::I2CClock::Fast : BridgeSetup::I2CClock::Standard, checks);
    const RunResult result = bench.runner.run(f.commands);

    QVERIFY2(result.ok(), qPrintable(result.errorString));
    QCOMPARE(device->rxData(0, expected.size()).toHex(), expected.toHex());
    QCOMPARE(refusals(f.simulator), QStringList());
    QCOMPARE(bench.runner.partsInWriteCycle(), 0);
}

// At 9600 baud four page writes queue for 55 ms on the link: the read after
// them gets its answer within 20 ms of its own bytes having gone out.
void TestCommandRunner::timeoutCountsFromTheWire()
{
    Fixture f;
    for (const char* const page : {"00", "08", "10", "18"})
        f.write(hex(page) + hex("0102030405060708"));
    f.readPage(3);
    Bench bench(f, 9600, BridgeSetup::I2CClock::Standard, false);
    bench.runner.setTimeout(20);
    const RunResult result = bench.runner.run(f.commands);

    QVERIFY2(result.ok(), qPrintable(result.errorString));
    QCOMPARE(f.eeprom.rxData(24, 8), hex("0102030405060708"));
}

// A part whose cycle never ends stops the run at the command that needs it,
// with nothing sent after the last poll. At 9600 baud without checks the
// next page's own bytes outlast the data sheet's maximum, so the runner
// sends it unasked and only the read-back finds the part gone.
void TestCommandRunner::stuckPartStopsTheRun_data()
{
    addRatesAndChecks(false);
}

void TestCommandRunner::stuckPartStopsTheRun()
{
    QFETCH(qint32, rate);
    QFETCH(bool, checks);

    Fixture f;
    f.simulator.part(0, 0xA0)->setWriteCycleNeverEnds(true);
    f.write(hex("00 0102030405060708"));
    f.write(hex("08 1112131415161718"));
    f.write(hex("10 2122232425262728"));
    Bench bench(f, rate, BridgeSetup::I2CClock::Standard, checks);
    const RunResult result = bench.runner.run(f.commands);

    QVERIFY(!result.ok());
    QCOMPARE(result.failedIndex, 1);
    QCOMPARE(result.applied, 1);
    QCOMPARE(result.status, 0xF1);
    const QRegularExpression line(QStringLiteral(
        "^Command 2 of 3 \\(write\\): bus 0, address 0xA0 \\(header\\): still busy (\\d+) ms after its write$"));
    const QRegularExpressionMatch match = line.match(result.errorString);
    QVERIFY2(match.hasMatch(), qPrintable(result.errorString));
    // Past the data sheet's 5 ms and the 10 ms margin, counted from when the
    // write was handed to the link, its own bytes included; long before the
    // answer timeout.
    const int busyMs = match.captured(1).toInt();
    QVERIFY2(busyMs >= 15 && busyMs <= 50, qPrintable(result.errorString));
    QCOMPARE(bench.link.sent.indexOf(f.commands.at(2)->bytes()), -1);
    QVERIFY(bench.link.sent.endsWith(hex("520A50")));
    QCOMPARE(f.simulator.part(0, 0xA0)->memory().left(24).toHex(),
             hex("0102030405060708 FFFFFFFFFFFFFFFF FFFFFFFFFFFFFFFF").toHex());
}

// At 460800 baud a poll costs far less than the 8 ms between the ISL22343's
// typical and maximum cycle, so the runner polls; the polls' answers land in
// no buffer of a part or of the bridge.
void TestCommandRunner::pollsReachNoBuffer()
{
    Fixture f;
    f.write(hex("00 55"), 0x50);
    f.commands.append(new DeviceCommand(QStringLiteral("read pots"), &f.pots, 0,
                                        SC18IM700::readExternalDeviceCommands(0x50, 0, 15)));
    Bench bench(f, 460800, BridgeSetup::I2CClock::Fast, false);
    const RunResult result = bench.runner.run(f.commands);

    QVERIFY2(result.ok(), qPrintable(result.errorString));
    const QByteArray poll = hex("53500050 520A50");
    QVERIFY(bench.link.sent.count(poll) >= 1);
    QCOMPARE(f.pots.rxData(0, 15).toHex(), f.simulator.part(0, 0x50)->memory().left(15).toHex());
    QCOMPARE(f.pots.rxData(0, 1), hex("55"));
    QCOMPARE(f.eeprom.rxBuffer(), QByteArray(f.eeprom.rxBuffer().size(), '\0'));
    QCOMPARE(f.bridge.rxBuffer(), QByteArray(f.bridge.rxBuffer().size(), '\0'));
}

// Time on the link in units of 1/23.04 GHz, worked out by hand: a byte is
// 10 bits of 7.3728 MHz / rate crystal periods (3125 units each), an I2C
// clock 8 x (I2CClkL + I2CClkH) periods of 15 MHz (1536 units each).
void TestCommandRunner::virtualTimeMatchesTheWire_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<bool>("fast");
    QTest::addColumn<bool>("writeFirst");
    QTest::addColumn<qint64>("units");

    const auto byteAt = [](qint64 rate) { return 10 * (7372800 / rate) * 3125; };
    const qint64 standardClock = 8 * 19 * 1536;
    const qint64 fastClock = 8 * 5 * 1536;
    // "S A0 01 00 S A1 08 P": 8 bytes out; start, address and pointer, a
    // repeated start, the address and 8 bytes, the stop: 102 clocks; 8 back.
    const qint64 read = 102;
    QTest::newRow("a page read at 9600 baud, standard clock")
        << 9600 << false << false << (16 * byteAt(9600) + read * standardClock);
    // "S A0 09 00 d0..d7 P": 13 bytes and 92 clocks to the stop. The status
    // read's answer proves the stop past; the runner then waits the rest of
    // the data sheet's 5 ms, less the read's 8 bytes at the fastest rate the
    // bridge takes (2 % above nominal); after the read, one more status read.
    const qint64 byte = byteAt(460800);
    const qint64 fiveMs = 23040000000 / 200;
    const qint64 statusAnswered = 13 * byte + 92 * fastClock + byte;
    const qint64 wait = fiveMs - 8 * (byte * 98 / 100);
    QTest::newRow("a page written, then read, at 460800 baud, fast clock")
        << 460800 << true << true
        << (statusAnswered + wait + 16 * byte + read * fastClock + 4 * byte);
}

void TestCommandRunner::virtualTimeMatchesTheWire()
{
    QFETCH(int, rate);
    QFETCH(bool, fast);
    QFETCH(bool, writeFirst);
    QFETCH(qint64, units);

    Fixture f;
    if (writeFirst)
        f.write(hex("00 0102030405060708"));
    f.readPage(0);
    Bench bench(f, rate, fast ? BridgeSetup::I2CClock::Fast : BridgeSetup::I2CClock::Standard, false);
    const RunResult result = bench.runner.run(f.commands);

    QVERIFY2(result.ok(), qPrintable(result.errorString));
    QCOMPARE(result.elapsed.count(), units);
}

QTEST_GUILESS_MAIN(TestCommandRunner)
#include "tst_commandrunner.moc"
