// The runner side of the bridge: command lists run over the simulator on
// virtual time (answers stored, the run stopped at a missing answer or a
// refused acknowledge with the failing part named, status reads after
// transactions, write cycles waited out at every rate), the bridge's rate and
// I2C clock set up, and the bus scan.

#include <bridgesetup.h>
#include <bridgesimulator.h>
#include <bridgestatus.h>
#include <busscanner.h>
#include <commandrunner.h>

#include <cat24aa02device.h>
#include <devicecommand.h>
#include <isl22343device.h>
#include <sc18im700.h>

#include <QtTest/QtTest>

#include "fadinglink.h"
#include "golden.h"
#include "hex.h"

#include <optional>

namespace {

// The runner over the simulator: the EEPROM "header" at 0xA0 and the
// potentiometers "pots" at 0x50 on bus 0; "spare" on bus 1 is not fitted.
// Options: gpio (the GPIO port selects the bus), budget=N (answer bytes
// before the bridge falls silent), cycle=N (the pots' write cycle in ms),
// stuck (the EEPROM's cycle never ends), stale (an unread answer waits on
// the link), baud=N and fast (the bridge moved to that rate and I2C clock,
// the runner told the parts), product (the runner told all three parts),
// checks, timeout=N, hold=N (the bus held low once command N is applied),
// adapter=N (a USB adapter with an N ms latency timer), restart=N (the
// bridge restarts instead of running the Nth string it takes, the runner's
// own reads counted), lose=N (byte N of the run's first write is lost),
// again (the list is run once more on the same link and runner).
struct Rig
{
    explicit Rig(const QString& text)
        : options(text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        , simulator(option("gpio") ? BridgeSimulator::BusSelect::Gpio : BridgeSimulator::BusSelect::None)
        , link(&simulator)
        , runner(&link)
    {
        // The bridge was just powered on: its "OK" is read before anything.
        BridgeStatus::readAnnouncement(&link, 5);
        simulator.addPart(Device::CAT24AA02, 0, 0xA0);
        simulator.addPart(Device::ISL22343, 0, 0x50);
        simulator.part(0, 0x50)->setWriteCycleTime(std::chrono::milliseconds(option("cycle"))); // 0: the typical
        simulator.part(0, 0xA0)->setWriteCycleNeverEnds(option("stuck"));
        if (option("stale") && link.write(SC18IM700::readGpioCommands())) // an answer nobody reads
            link.wait(std::chrono::milliseconds(10));
        if (option("baud")) {
            const auto clock = option("fast") ? BridgeSetup::I2CClock::Fast : BridgeSetup::I2CClock::Standard;
            BridgeSetup setup(&link);
            if ((option("baud") != BridgeSetup::PowerOnBaudRate && !setup.setBaudRate(option("baud")))
                || !setup.setI2CClock(clock))
                qFatal("%s", qPrintable(setup.errorString()));
            runner.setProduct({&eeprom, &pots}, false);
            runner.setI2CClockDivider(BridgeSetup::clockSetting(clock).divider());
        }
        if (option("product"))
            runner.setProduct({&eeprom, &pots, &spare}, option("gpio"));
        runner.setAcknowledgeChecks(option("checks"));
        runner.setTimeout(option("timeout", CommandRunner::DefaultTimeoutMs));
        if (option("adapter"))
            link.setAdapter(UsbAdapter{std::chrono::milliseconds(option("adapter"))});
        simulator.setRestartAfter(option("restart", -1));
        link.written.clear();
        link.setBudget(option("budget", std::numeric_limits<int>::max()));
        if (option("lose", -1) >= 0)
            link.loseByte(0, option("lose"));
    }
    ~Rig() { qDeleteAll(commands); }

    // N for the option "name=N", 1 for a bare "name", otherwise when absent.
    int option(const QString& name, int otherwise = 0) const
    {
        for (const QString& word : options)
            if (word.section(QLatin1Char('='), 0, 0) == name)
                return word == name ? 1 : word.section(QLatin1Char('='), 1).toInt();
        return otherwise;
    }

    // Commands by "write A0 00 AA", "page A0 1", "pots", "gpio", "registers",
    // "select 1", "probe 53B0020011 50" and "null", separated by ";".
    void add(const QString& script)
    {
        for (const QString& line : script.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            const QString& kind = words.first();
            const quint8 address = quint8(words.value(1).toInt(nullptr, 16));
            const int page = words.value(2).toInt();
            const QByteArray data = QByteArray::fromHex(words.mid(2).join(QString()).toLatin1());
            if (kind == "write")
                commands.append(new DeviceCommand(kind, SC18IM700::writeExternalDeviceCommands(address, data)));
            else if (kind == "page")
                commands.append(new DeviceCommand(QStringLiteral("read page ") + words.at(2), &eeprom, page,
                                                  SC18IM700::readExternalDeviceCommands(address, quint8(8 * page), 8)));
            else if (kind == "pots")
                commands.append(new DeviceCommand(kind, &pots, 0, SC18IM700::readExternalDeviceCommands(0x50, 0, 15)));
            else if (kind == "gpio")
                commands.append(new DeviceCommand(kind, &bridge, 12, SC18IM700::readGpioCommands()));
            else if (kind == "registers")
                commands.append(new DeviceCommand(kind, &bridge, 0, SC18IM700::readInternalRegistersCommand()));
            else if (kind == "select")
                commands.append(new DeviceCommand(kind, SC18IM700::writeGpioCommands(address)));
            else if (kind == "probe")
                commands.append(new DeviceCommand(kind, QByteArray::fromHex(words.mid(1).join(QString()).toLatin1())));
            else
                commands.append(nullptr);
        }
    }

    RunResult run()
    {
        runner.setProgress([this](int index, int count, const DeviceCommand* command) {
            QCOMPARE(count, int(commands.size()));
            QCOMPARE(command, commands.at(index));
            progress += QByteArray::number(index) + ' ';
            if (option("hold", -1) == index)
                simulator.setBusHeld(true);
        });
        return runner.run(commands);
    }

    // What went out, how the run ended, and where every answer landed.
    QByteArray transcript(const RunResult& result) const
    {
        QByteArray text;
        for (const QByteArray& bytes : link.written)
            text += "> " + bytes.toHex().toUpper() + '\n';
        text += "progress " + progress + '\n';
        const auto hexOf = [](int n) { return n < 0 ? QStringLiteral("none") : QString::number(n, 16).toUpper(); };
        text += QStringLiteral("applied %1, failed at %2, status %3, bus %4, address %5\n")
                    .arg(result.applied).arg(result.failedIndex).arg(hexOf(result.status))
                    .arg(result.bus).arg(hexOf(result.address)).toLatin1();
        text += "error " + result.errorString.toLatin1() + '\n';
        if (result.restarted)
            text += "restarted, the link at " + QByteArray::number(link.baudRate()) + " baud\n";
        text += "elapsed " + QByteArray::number(result.elapsed.count()) + '\n';
        for (const Device* device : std::initializer_list<const Device*>{&eeprom, &pots, &bridge})
            text += device->name().toLatin1() + ' ' + device->rxBuffer().toHex().toUpper() + '\n';
        text += "0xA0 holds " + simulator.part(0, 0xA0)->memory().left(32).toHex().toUpper() + '\n';
        text += "0x50 holds " + simulator.part(0, 0x50)->memory().left(15).toHex().toUpper() + '\n';
        // The refusals of a part in its write cycle are the polls' doing.
        for (const QString& note : simulator.notes())
            if (!note.endsWith(QLatin1String("busy with its write cycle")))
                text += "refused " + note.toLatin1() + '\n';
        text += "in write cycle " + QByteArray::number(runner.partsInWriteCycle()) + '\n';
        return text;
    }

    const QStringList options;
    BridgeSimulator simulator;
    FadingLink link;
    CommandRunner runner;
    CAT24AA02Device eeprom{0, 0xA0, QStringLiteral("header")};
    ISL22343Device pots{0, 0x50, QStringLiteral("pots")};
    CAT24AA02Device spare{1, 0xA2, QStringLiteral("spare")};
    SC18IM700 bridge{QStringLiteral("bridge")};
    QList<DeviceCommand*> commands;
    QByteArray progress;
};

// A serial line as slow as a real one: written bytes stay on their way until
// the host drains the port or waits for an answer. Bytes still on their way
// when the host changes its rate are lost. Records what the host does.
class WireLink : public SimulatorLink
{
public:
    using SimulatorLink::SimulatorLink;

    bool write(const QByteArray& bytes) override
    {
        events.append(QStringLiteral("write ") + QString::fromLatin1(bytes.toHex().toUpper()));
        m_onTheWay += bytes;
        return true;
    }
    QByteArray read(int count, int timeoutMs) override
    {
        arrive();
        return SimulatorLink::read(count, timeoutMs);
    }
    bool drain() override
    {
        events.append(QStringLiteral("drain"));
        arrive();
        m_drainedAt = now();
        return true;
    }
    bool setBaudRate(qint32 rate) override
    {
        events.append(QStringLiteral("rate %1").arg(rate));
        if (m_drainedAt)
            settledMs = std::chrono::duration_cast<std::chrono::milliseconds>(now() - *m_drainedAt).count();
        m_onTheWay.clear();
        return SimulatorLink::setBaudRate(rate);
    }

    QStringList events;
    qint64 settledMs = -1;

private:
    void arrive()
    {
        SimulatorLink::write(m_onTheWay);
        m_onTheWay.clear();
    }

    QByteArray m_onTheWay;
    std::optional<Link::Duration> m_drainedAt;
};

} // namespace

class TestRunner : public QObject
{
    Q_OBJECT

private slots:
    void runs_data();
    void runs();
    void commandShapes_data();
    void commandShapes();
    void baudRateGenerator_data();
    void baudRateGenerator();
    void baudRateChange_data();
    void baudRateChange();
    void i2cClock_data();
    void i2cClock();
    void i2cClockRange_data();
    void i2cClockRange();
    void scanProbesUntilTheAnswersStop_data();
    void scanProbesUntilTheAnswersStop();
};

static void row(const QString& name, const QString& options, const QString& script, qint64 units = -1)
{
    QTest::newRow(qPrintable(name)) << options << script << units;
}

// Each run's transcript is compared whole with runner/<row name>.txt; where
// the time on the link is worked out by hand, with that too.
void TestRunner::runs_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("script");
    QTest::addColumn<qint64>("units");

    // Answers land where their commands say; an answer left unread from an
    // earlier exchange is discarded, a null command stops the run.
    row("in order, answers stored", "", "write A0 08 0102030405060708; page A0 1; gpio; write A0 00 AA; page A0 0");
    row("a stale answer discarded, a null command refused", "stale", "write A0 00 77; page A0 0; null");
    // A 16-byte write leaves no room in the FIFO for its port read: it goes
    // alone, and the port read once the bridge has surely taken it. A string
    // longer than the FIFO is refused before anything of it is sent.
    row("a write as long as the FIFO, then a longer one", "",
        "write A0 00 0102030405060708090A0B; write A0 00 0102030405060708090A0B0C");

    // The run stops at the read whose answer is missing or short: the
    // commands before it stay applied, nothing of its own answer is stored.
    const QString missing = "write A0 00 1112131415161718; write A0 08 2122232425262728; "
                            "page A0 0; page %1 1; page A0 2";
    row("nobody answers the address", "", missing.arg("B0"));
    row("the bridge falls silent", "budget=10", missing.arg("A0"));
    row("the answer breaks off", "budget=13", missing.arg("A0"));

    // The status read goes out after every "S" transaction when the checks
    // are on, never after the bridge's own commands, and lands nowhere.
    const QString shapes = "write A0 00 AA; select 0; gpio; page A0 0; registers";
    row("status reads with the checks on", "checks", shapes);
    row("no status reads with the checks off", "", shapes);

    // A refused acknowledge stops the run and names the part at its place;
    // with GPIO selection it is looked up on the selected bus only.
    const QString probe = "%1; probe %2; write A0 00 BB";
    row("part missing", "checks product", probe.arg("write A0 00 AA", "53B0020011 50"));
    row("data refused", "checks product", probe.arg("write A0 00 AA", "5350022001 50"));
    row("bus held low", "checks product hold=0", probe.arg("write A0 00 AA", "53A0020022 50"));
    row("a bus 0 part asked for on bus 1", "checks product gpio", probe.arg("select 1", "53A0020011 50"));
    row("a bus 1 part that is missing", "checks product gpio", probe.arg("select 1", "53A2020011 50"));
    row("a bus 1 part asked for on bus 0", "checks product gpio", probe.arg("select 0", "53A2020011 50"));

    // A write that arrives while its part programs the one before is held
    // back until the part takes it: the EEPROM's second page, and a
    // potentiometer slower than the typical one (19 ms; 12 typical, 20 at
    // most) that refuses the write sent when the typical cycle is over, is
    // polled and sent it again. A part whose cycle never ends stops the run
    // at the command that needs it, nothing sent after the last poll; at
    // 9600 baud without checks the next page's own bytes outlast the data
    // sheet's maximum, so the runner sends it unasked and only the
    // read-back would find the part gone.
    for (const int rate : {9600, 115200, 460800}) {
        for (const bool checks : {false, true}) {
            const QString at = QStringLiteral(" at %1 baud, checks %2").arg(rate).arg(checks ? "on" : "off");
            const QString options = QStringLiteral("baud=%1%2").arg(rate).arg(checks ? " checks" : "");
            row("two EEPROM pages" + at, options + " fast",
                "write A0 00 0102030405060708; write A0 08 1112131415161718; page A0 0; page A0 1");
            row("a slow potentiometer" + at, options + " cycle=19",
                "write 50 00 40; write 50 01 41; write 50 02 42; pots");
            if (checks || rate != 9600)
                row("a stuck EEPROM" + at, options + " stuck",
                    "write A0 00 0102030405060708; write A0 08 1112131415161718; write A0 10 2122232425262728");
        }
    }
    // At 9600 baud a page read's answer is in 9.4 ms after its 8 bytes have
    // left the host, and 17.7 ms after they were handed to the link with a
    // read before them: a 10 ms timeout is enough, counted from the wire.
    row("the timeout counts from the wire", "baud=9600 timeout=10", "page A0 0; page A0 1; page A0 2; page A0 3");
    // Several commands in flight: the one the bridge refuses is named, and
    // the port read behind it, answered, is not applied (the bridge's buffer
    // keeps its zeros); the commands before it are.
    row("a refusal with commands in flight behind it", "checks product",
        "write A0 00 AA; write B0 00 11; gpio; select 0");
    // The bridge restarts instead of running a string: the run stops at the
    // first command it has not proved done, nothing of that command or after
    // it stored, and the link is back at 9600 baud for the next run. An "OK"
    // among the data is checked against registers the runner knows, and
    // taken as data.
    const QString pages = "write A0 00 0102030405060708; page A0 0; page A0 1; page A0 2";
    row("a restart during a read", "restart=4 again", pages);
    row("a restart during a write", "restart=3", "write A0 00 0102030405060708; write A0 08 1112131415161718; page A0 0");
    row("a restart at 115200 baud", "baud=115200 restart=4 again", pages);
    row("an answer that holds OK", "", "write A0 00 4F4B4F4B4F4B4F4B; page A0 0; page A0 1");
    // A byte lost on the line: in the port read that proves a write done,
    // the run stops at the write; inside the write, the bridge drops the
    // write whole where the port read comes, and the read-back shows the
    // page as the part holds it.
    row("a byte lost from a write's port read", "lose=13", "write A0 00 0102030405060708; page A0 0");
    row("a byte lost inside a write", "lose=5", "write A0 00 0102030405060708; page A0 0");
    // Behind a USB adapter every answer waits for its latency timer.
    for (const int latency : {1, 16})
        row(QStringLiteral("pages written and read behind a %1 ms adapter").arg(latency),
            QStringLiteral("baud=460800 fast adapter=%1").arg(latency), pages);
    // At 460800 baud a poll costs far less than the 8 ms between the
    // ISL22343's typical and maximum cycle, so the runner polls; the polls'
    // answers land in no buffer.
    row("polls reach no buffer", "baud=460800 fast", "write 50 00 55; pots");

    // Time on the link in units of 1/23.04 GHz: a byte is 10 bits of
    // 7.3728 MHz / rate crystal periods (3125 units each), an I2C clock
    // 2 x (I2CClkL + I2CClkH) crystal periods.
    const auto byteAt = [](qint64 rate) { return 10 * (7372800 / rate) * 3125; };
    const qint64 standardClock = 2 * (0x13 + 0x13) * 3125;
    const qint64 fastClock = 2 * (5 + 5) * 3125;
    // "S A0 01 00 S A1 08 P": 8 bytes out; start, address and pointer, a
    // repeated start, the address and 8 bytes, the stop: 102 clocks; 8 back.
    const qint64 read = 102;
    row("a page read at 9600 baud, standard clock", "baud=9600", "page A0 0", 16 * byteAt(9600) + read * standardClock);
    // "S A0 09 00 d0..d7 P": 13 bytes and 92 clocks to the stop, sent with
    // a port read ("I", "P"). Once the 15 bytes have reached the bridge, the
    // write's last byte came at least the port read's 2 bytes before, at the
    // fastest rate the bridge takes (2 % above nominal): its stop is 92
    // clocks after that at the latest. The runner waits the data sheet's
    // 5 ms from there, less the read's own 8 bytes at that rate. A status
    // read follows the read's answer: sent with it, its answer could stand
    // in for the answer of a part that has not answered in this run yet.
    const qint64 byte = byteAt(460800);
    const qint64 fastest = byte * 98 / 100;
    const qint64 stopBy = 15 * byte - 2 * fastest + 92 * fastClock;
    const qint64 wait = 23040000000 / 200 - 8 * fastest;
    row("a page written, then read, at 460800 baud, fast clock", "baud=460800 fast",
        "write A0 00 0102030405060708; page A0 0", stopBy + wait + 20 * byte + read * fastClock);
}

void TestRunner::runs()
{
    QFETCH(QString, options);
    QFETCH(QString, script);
    QFETCH(qint64, units);

    Rig rig(options);
    rig.add(script);
    const RunResult result = rig.run();
    if (units >= 0)
        QCOMPARE(result.elapsed.count(), units);
    QByteArray text = rig.transcript(result);
    // The next run on the same link and runner.
    if (rig.option("again")) {
        const RunResult again = rig.runner.run(rig.commands);
        text += "again: applied " + QByteArray::number(again.applied) + ", error " + again.errorString.toLatin1() + '\n';
    }
    const QString name = QString(QTest::currentDataTag()).toLower().replace(QRegularExpression("[^a-z0-9]+"), "-");
    QUELM_COMPARE_GOLDEN(text, "runner/" + name + ".txt");
}

// Which transaction a command string holds decides whether a status read
// follows it and which part a failure names.
void TestRunner::commandShapes_data()
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

void TestRunner::commandShapes()
{
    QFETCH(QByteArray, command);
    QFETCH(int, address);
    QFETCH(int, gpio);

    const BridgeStatus::CommandShape shape = BridgeStatus::CommandShape::of(command);
    QCOMPARE(shape.address, address);
    QCOMPARE(shape.gpio, gpio);
}

// BRG = 7.3728 MHz / rate - 16; a rate the generator misses by more than
// 2 % is refused.
void TestRunner::baudRateGenerator_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<QByteArray>("command"); // "W", BRG0, its low byte, BRG1, its high byte, "P"

    QTest::newRow("9600, the power-on rate") << 9600 << hex("5700F0010250");
    QTest::newRow("57600") << 57600 << hex("570070010050");
    QTest::newRow("115200") << 115200 << hex("570030010050");
    QTest::newRow("460800, the fastest") << 460800 << hex("570000010050");
    QTest::newRow("300000 is 1.7 % off") << 300000 << hex("570009010050");
    QTest::newRow("400000 is 2.4 % off") << 400000 << QByteArray();
    QTest::newRow("1000000 is too fast") << 1000000 << QByteArray();
    QTest::newRow("negative") << -9600 << QByteArray();
}

void TestRunner::baudRateGenerator()
{
    QFETCH(int, rate);
    QFETCH(QByteArray, command);

    const std::optional<quint16> found = BridgeSetup::baudRateGenerator(rate);
    QCOMPARE(found.has_value(), !command.isEmpty());
    if (found) {
        QCOMPARE(BridgeSetup::baudRateCommand(*found).toHex(), command.toHex());
        BridgeSimulator simulator;
        simulator.feed(command);
        QCOMPARE(simulator.baudRate(), BridgeSetup::baudRateOf(*found));
    }
}

// Before: what an earlier session sent, sinceMs before the search. The
// bridge is looked for at the link's rate, the rate asked for, 9600 and the
// rest fastest first (0 asks for none), with a read of BRG0, BRG1, I2CClkL
// and I2CClkH ("probe" below): three where it answers, for the round trip.
// It is moved only after the write has left the host and the bridge had
// time to take it; the registers are read back at the new rate, three
// times.
void TestRunner::baudRateChange_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("sinceMs");
    QTest::addColumn<int>("present");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("linkRate");
    QTest::addColumn<int>("bridgeRate");

    QTest::newRow("from power-on to 115200") << QByteArray() << 10 << 9600 << 115200 << QString()
        << "probe; probe; probe; write 570030010050; drain; rate 115200; probe; probe; probe" << 115200 << 115200;
    QTest::newRow("left at 115200 by an earlier session") << hex("570030010050") << 10 << 9600 << 115200 << QString()
        << "probe; rate 115200; probe; probe; probe" << 115200 << 115200;
    QTest::newRow("at the port's rate, kept") << hex("570010010050") << 10 << 230400 << 0 << QString()
        << "probe; probe; probe" << 230400 << 230400;
    QTest::newRow("an unread answer waiting on the link") << hex("4950") << 10 << 9600 << 0 << QString()
        << "probe; probe; probe" << 9600 << 9600;
    // PortConf1 and PortConf2 read "OK" as the search starts, like a bridge
    // that has just come up.
    QTest::newRow("an OK arriving with the answer") << hex("57024F034B50 52020350") << 0 << 9600 << 0 << QString()
        << "probe; probe; probe" << 9600 << 9600;
    QTest::newRow("found last, at 19200") << hex("570070010150") << 10 << 9600 << 0 << QString()
        << "probe; rate 460800; probe; rate 230400; probe; rate 115200; probe; rate 57600; probe; "
           "rate 38400; probe; rate 19200; probe; probe; probe" << 19200 << 19200;
    QTest::newRow("at no standard rate") << hex("570009010050") << 10 << 9600 << 115200
        << QStringLiteral("no answer from the bridge at 9600, 115200, 460800, 230400, 57600, 38400 or 19200 baud")
        << "probe; rate 115200; probe; rate 460800; probe; rate 230400; probe; rate 57600; probe; "
           "rate 38400; probe; rate 19200; probe; rate 9600" << 9600 << 294912;
    QTest::newRow("out of the bridge's reach") << QByteArray() << 10 << 9600 << 400000
        << QStringLiteral("the bridge cannot run at 400000 baud") << "" << 9600 << 9600;
}

void TestRunner::baudRateChange()
{
    QFETCH(QByteArray, before);
    QFETCH(int, sinceMs);
    QFETCH(int, present);
    QFETCH(int, rate);
    QFETCH(QString, error);
    QFETCH(QString, events);
    QFETCH(int, linkRate);
    QFETCH(int, bridgeRate);

    BridgeSimulator simulator;
    WireLink link(&simulator);
    BridgeStatus::readAnnouncement(&link, BridgeStatus::AnnouncementGapMs); // the bridge was just powered on
    link.write(before); // at 9600, its answers left unread
    link.drain();
    link.wait(std::chrono::milliseconds(sinceMs));
    link.setBaudRate(present);
    link.events.clear();
    BridgeSetup setup(&link);
    QCOMPARE(rate ? setup.setBaudRate(rate) : setup.findBridge().has_value(), error.isEmpty());
    QCOMPARE(setup.errorString(), error);
    QCOMPARE(link.events.join(QStringLiteral("; ")).replace(QStringLiteral("write 520001070850"), QStringLiteral("probe")),
             events);
    QCOMPARE(link.baudRate(), linkRate);
    QCOMPARE(qRound(simulator.baudRate()), bridgeRate);
    if (link.events.contains(QStringLiteral("drain")))
        QVERIFY2(link.settledMs >= BridgeSetup::settleMs(9600), qPrintable(QString::number(link.settledMs)));
}

// f = 7.3728 MHz / (2 x (I2CClkL + I2CClkH)): standard is the reset
// setting, fast the smallest sum the data sheet allows (10).
void TestRunner::i2cClock_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("hertz");

    QTest::newRow("standard") << hex("570713081350") << 97011;
    QTest::newRow("fast") << hex("570705080550") << 368640;
}

// Sums under 10 are out of the data sheet's range and never reach the
// bridge; 10 and more are taken.
void TestRunner::i2cClockRange_data()
{
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<QString>("error");

    QTest::newRow("5 + 5, the smallest") << 5 << 5 << QString();
    QTest::newRow("9 + 0") << 9 << 0 << QStringLiteral("I2C clock registers 0x09 and 0x00 add up to 9; the bridge needs at least 10 (369 kHz)");
    QTest::newRow("0 + 0") << 0 << 0 << QStringLiteral("I2C clock registers 0x00 and 0x00 add up to 0; the bridge needs at least 10 (369 kHz)");
    QTest::newRow("0xFF + 0xFF, the slowest") << 0xFF << 0xFF << QString();
}

void TestRunner::i2cClockRange()
{
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(QString, error);

    BridgeSimulator simulator;
    SimulatorLink link(&simulator);
    BridgeStatus::readAnnouncement(&link, 5);
    BridgeSetup setup(&link);
    QCOMPARE(setup.setI2CClock(quint8(low), quint8(high)), error.isEmpty());
    QCOMPARE(setup.errorString(), error);
    const QByteArray expected = error.isEmpty() ? QByteArray(1, char(low)) + char(high) : hex("1313");
    QCOMPARE(QByteArray(1, char(simulator.registerValue(SC18IM700Protocol::I2CClkL)))
                 + char(simulator.registerValue(SC18IM700Protocol::I2CClkH)), expected);
}

void TestRunner::i2cClock()
{
    QFETCH(QByteArray, command);
    QFETCH(int, hertz);

    const BridgeSetup::ClockSetting* setting = BridgeSetup::clockSetting(QString(QTest::currentDataTag()));
    QVERIFY(setting);
    QCOMPARE(BridgeSetup::i2cClockCommand(setting->clock).toHex(), command.toHex());
    QCOMPARE(qRound(BridgeSetup::i2cClockHz(setting->low, setting->high)), hertz);

    BridgeSimulator simulator;
    simulator.feed(hex("57 0720 0820 50"));
    SimulatorLink link(&simulator);
    BridgeStatus::readAnnouncement(&link, 5);
    BridgeSetup setup(&link);
    QVERIFY2(setup.setI2CClock(setting->clock), qPrintable(setup.errorString()));
    QCOMPARE(qRound(simulator.i2cClockHz()), hertz);
    QCOMPARE(simulator.notes(), QStringList());
    QVERIFY(!BridgeSetup::clockSetting(QString(setting->name).toUpper()));
}

// One probe and one status read for every even address, in order, until
// the answers stop. Two segments, one address used on both; segment 0
// selected. restart: the bridge restarts instead of running the Nth string.
void TestRunner::scanProbesUntilTheAnswersStop_data()
{
    QTest::addColumn<bool>("held");
    QTest::addColumn<int>("budget");
    QTest::addColumn<int>("restart");
    QTest::addColumn<int>("probes");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QList<quint8>>("found");

    QTest::newRow("every even address once") << false << 1000 << -1 << 127 << QString() << QList<quint8>{0x90, 0xA0};
    QTest::newRow("bus held low") << true << 1000 << -1 << 1
        << QStringLiteral("probing 0x02: bus time-out (I2C status 0xF8)") << QList<quint8>();
    QTest::newRow("bridge gone after 0x92") << false << 73 << -1 << 74
        << QStringLiteral("probing 0x94: no answer to the I2C status read") << QList<quint8>{0x90};
    // Instead of the third probe: the status read after it gets "OK" first.
    QTest::newRow("the bridge restarts") << false << 1000 << 5 << 3
        << QStringLiteral("probing 0x06: the bridge restarted (it said OK)") << QList<quint8>();
}

void TestRunner::scanProbesUntilTheAnswersStop()
{
    QFETCH(bool, held);
    QFETCH(int, budget);
    QFETCH(int, restart);
    QFETCH(int, probes);
    QFETCH(QString, error);
    QFETCH(QList<quint8>, found);

    BridgeSimulator simulator{BridgeSimulator::BusSelect::Gpio};
    simulator.addPart(Device::CAT24AA02, 0, 0xA0);
    simulator.addPart(Device::DS4520, 0, 0x90);
    simulator.addPart(Device::CAT24AA02, 1, 0xA0);
    simulator.addPart(Device::X9408, 1, 0x5E);
    simulator.addPart(Device::AD5144A, 1, 0x58);
    simulator.feed(SC18IM700::writeGpioCommands(0));
    simulator.setBusHeld(held);
    FadingLink link(&simulator);
    BridgeStatus::readAnnouncement(&link, 5);
    link.setBudget(budget);
    simulator.setRestartAfter(restart);
    const ScanResult result = BusScanner(&link).scan();

    QCOMPARE(result.errorString, error);
    QCOMPARE(result.answered, found);
    QByteArray sent = hex("53020050 520A50 53040050 520A50").left(7 * qMin(probes, 2));
    for (int probe = 3; probe <= probes; ++probe)
        sent += hex("53") + char(2 * probe) + hex("0050 520A50");
    QCOMPARE(link.written.join().toHex(), sent.toHex());
}

QTEST_GUILESS_MAIN(TestRunner)
#include "tst_runner.moc"
