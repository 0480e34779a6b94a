// quelmctl's habits for a real bridge: acknowledge checks, the bus scan, the
// baud rate and I2C clock set through the bridge's registers, and the JSON
// documents. The bench runs quelm-simulator on a pseudo-terminal with a
// description of its own, so that a part can be missing or undescribed.

#include "quelmctlrun.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtTest/QtTest>

namespace {

// What quelmctl is told: the offset potentiometer sits on bus 1.
const QByteArray product = R"({"busSelect": "gpio", "boards": [{"title": "Main", "devices": [
    {"type": "CAT24AA02", "bus": 0, "address": "0xA0", "name": "header"},
    {"type": "DS4520", "bus": 0, "address": "0x90", "name": "io"},
    {"type": "X9408", "bus": 1, "address": "0x5E", "name": "offset"}]}],
 "settings": [{"name": "offset_wiper", "kind": "byte", "device": "offset", "address": "0x01", "value": "20"}]})";

// What the bench holds: no offset potentiometer, a stray EEPROM at 0x70.
const QByteArray bench = R"({"busSelect": "gpio", "boards": [{"title": "Bench", "devices": [
    {"type": "CAT24AA02", "bus": 0, "address": "0xA0", "name": "header"},
    {"type": "DS4520", "bus": 0, "address": "0x90", "name": "io"},
    {"type": "CAT24AA02", "bus": 0, "address": "0x70", "name": "stray"}]}]})";

const QString gridHead = QStringLiteral(
    ", 8-bit write addresses (the 7-bit address shifted left by one):\n"
    "    0   1   2   3   4   5   6   7   8   9   A   B   C   D   E   F\n"
    "00:         --      --      --      --      --      --      --\n");

// Rows 10 to F0; rows not given are silent.
QString gridRows(const QMap<int, QString>& marked)
{
    QString rows;
    for (int row = 0x10; row < 0x100; row += 0x10) {
        const QString label = QString::number(row, 16).toUpper() + QLatin1Char(':');
        rows += label + marked.value(row, QStringLiteral(" --      --      --      --      --      --      --      --"))
            + QLatin1Char('\n');
    }
    return rows;
}

QJsonObject parse(const QString& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        qWarning("not a JSON object: %s", qPrintable(error.errorString()));
    return document.object();
}

// What a read of count commands says when the bridge runs at another rate.
QString lateBridge(int count)
{
    return QStringLiteral(
        "quelmctl: read stopped: Command 2 of %1 (Read GPIO Register.): no answer from the bridge (1 bytes expected)\n"
        "quelmctl: read: commands 1 to 1 of %1 were applied, the last \"Configuring GPIO Register.\"\n").arg(count);
}

} // namespace

class TestQuelmCtlBridge : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void scanMarksMissingAndStrayParts();
    void scanAsJson();
    void scanOfTheOnlySegment();
    void verifyNamesTheSilentPart();
    void baudRateAndClockReachTheRegisters_data();
    void baudRateAndClockReachTheRegisters();
    void badBridgeOptions_data();
    void badBridgeOptions();
    void readAndWriteAsJson();
    void portInUseIsNamed();
    void servedStateIsHeld();

private:
    QuelmCtlRun run(const QStringList& arguments) const { return runQuelmCtl(m_dir->path(), arguments); }
    // quelm-simulator serving the bench; the terminal's path, empty on failure.
    QString startBench(const QStringList& options = {});

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_simulator;
};

void TestQuelmCtlBridge::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(copyDemo(*m_dir));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("product.json")), product));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("bench.json")), bench));
}

void TestQuelmCtlBridge::cleanup()
{
    if (m_simulator) {
        m_simulator->terminate();
        m_simulator->waitForFinished(10000);
        m_simulator.reset();
    }
}

QString TestQuelmCtlBridge::startBench(const QStringList& options)
{
    m_simulator = std::make_unique<QProcess>();
    m_simulator->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_simulator->setWorkingDirectory(m_dir->path());
    m_simulator->start(QStringLiteral(QUELM_SIMULATOR_PROGRAM), options + QStringList{m_dir->filePath(QStringLiteral("bench.json"))});
    if (!m_simulator->waitForReadyRead(10000))
        return QString();
    return QString::fromLocal8Bit(m_simulator->readLine()).trimmed();
}

// Through the terminal at 115200 baud and the fast clock; the bridge stays
// at 115200 for the second run, which finds it there.
void TestQuelmCtlBridge::scanMarksMissingAndStrayParts()
{
    const QString port = startBench();
    QVERIFY(!port.isEmpty());
    const QStringList options{"--port", port, "--baud", "115200", "-q"};
    const QString expected = QStringLiteral("Bus 0") + gridHead
        + gridRows({{0x70, QStringLiteral(" 70+     --      --      --      --      --      --      --")},
                    {0x90, QStringLiteral(" 90      --      --      --      --      --      --      --")},
                    {0xA0, QStringLiteral(" A0      --      --      --      --      --      --      --")}})
        + QStringLiteral("not described: 0x70\n\nBus 1") + gridHead
        + gridRows({{0x50, QStringLiteral(" --      --      --      --      --      --      --      5E!")}})
        + QStringLiteral("missing: offset (X9408) at 0x5E\n\n"
                         "A0 answers as described, A0+ answers but is not described, A0! is described but silent, -- silent\n");
    for (const QStringList& clock : {QStringList{"--i2c-clock", "fast"}, QStringList()}) {
        const QuelmCtlRun result = run(QStringList{"scan"} + options + clock + QStringList{"product.json"});
        QCOMPARE(result.err, QStringLiteral("quelmctl: scan: bus 1: offset (X9408) at 0x5E does not answer\n"));
        QCOMPARE(result.out, expected);
        QCOMPARE(result.exitCode, 1);
    }
    // The bridge kept 115200 baud: at 9600 nobody understands it.
    const QuelmCtlRun late = run({"read", "-q", "--timeout", "200", "--port", port, "product.json"});
    QCOMPARE(late.err, lateBridge(46));
    QCOMPARE(late.exitCode, 1);
}

void TestQuelmCtlBridge::scanAsJson()
{
    const QString port = startBench();
    QVERIFY(!port.isEmpty());
    const QuelmCtlRun result = run({"scan", "--json", "-q", "--port", port, "product.json"});
    QCOMPARE(result.exitCode, 1);
    const QJsonObject document = parse(result.out);
    const QJsonObject offset{{"name", "offset"}, {"type", "X9408"}, {"address", "0x5E"}};
    QCOMPARE(document, (QJsonObject{
        {"command", "scan"}, {"ok", false}, {"addressing", "8-bit write addresses"},
        {"error", QJsonObject{{"message", "quelmctl: scan: bus 1: offset (X9408) at 0x5E does not answer"}}},
        {"buses", QJsonArray{
            QJsonObject{{"bus", 0}, {"answered", QJsonArray{"0x70", "0x90", "0xA0"}},
                        {"expected", QJsonArray{QJsonObject{{"name", "io"}, {"type", "DS4520"}, {"address", "0x90"}},
                                                QJsonObject{{"name", "header"}, {"type", "CAT24AA02"}, {"address", "0xA0"}}}},
                        {"missing", QJsonArray()}, {"notDescribed", QJsonArray{"0x70"}}},
            QJsonObject{{"bus", 1}, {"answered", QJsonArray()}, {"expected", QJsonArray{offset}},
                        {"missing", QJsonArray{offset}}, {"notDescribed", QJsonArray()}}}}}));
}

// Without bus selection the one segment is scanned as it is.
void TestQuelmCtlBridge::scanOfTheOnlySegment()
{
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("one.json")), R"({"busSelect": "none", "boards": [
        {"title": "t", "devices": [{"type": "X95840", "bus": 3, "address": "0x52", "name": "trim"}]}]})"));
    const QuelmCtlRun result = run({"scan", "-q", "one.json"});
    QCOMPARE(result.err, QString());
    QCOMPARE(result.out, QStringLiteral("The bus") + gridHead
                             + gridRows({{0x50, QStringLiteral(" --      52      --      --      --      --      --      --")}})
                             + QStringLiteral("\nA0 answers as described, A0+ answers but is not described, "
                                              "A0! is described but silent, -- silent\n"));
    QCOMPARE(result.exitCode, 0);
    const QJsonObject bus = parse(run({"scan", "-q", "--json", "one.json"}).out)
                                .value(QStringLiteral("buses")).toArray().at(0).toObject();
    QCOMPARE(bus.value(QStringLiteral("bus")), QJsonValue());
    QCOMPARE(bus.value(QStringLiteral("answered")), QJsonValue(QJsonArray{"0x52"}));
}

// Unchecked, a write to a part that is not there passes: the bridge answers
// nothing to a write either way. Checked, it stops there and names the part.
void TestQuelmCtlBridge::verifyNamesTheSilentPart()
{
    const QString port = startBench();
    QVERIFY(!port.isEmpty());
    const QuelmCtlRun unchecked = run({"write", "-q", "--port", port, "product.json"});
    QCOMPARE(unchecked.exitCode, 0);

    const QuelmCtlRun checked = run({"write", "-q", "--verify", "--port", port, "product.json"});
    QCOMPARE(checked.err, QStringLiteral(
        "quelmctl: write stopped: Command 2 of 3 (Write Device: 1.5E.1 (1 Bytes)): "
        "bus 1, address 0x5E (offset): no acknowledge on the address (I2C status 0xF1)\n"
        "quelmctl: write: commands 1 to 1 of 3 were applied, the last \"Write GPIO Register 1.\"\n"));
    QCOMPARE(checked.out, QString());
    QCOMPARE(checked.exitCode, 1);

    const QuelmCtlRun json = run({"write", "-q", "--verify", "--json", "--port", port, "product.json"});
    QCOMPARE(json.exitCode, 1);
    const QJsonObject error = parse(json.out).value(QStringLiteral("error")).toObject();
    QCOMPARE(error, (QJsonObject{
        {"phase", "write"},
        {"message", "Command 2 of 3 (Write Device: 1.5E.1 (1 Bytes)): bus 1, address 0x5E (offset): "
                    "no acknowledge on the address (I2C status 0xF1)"},
        {"command", QJsonObject{{"index", 2}, {"description", "Write Device: 1.5E.1 (1 Bytes)"},
                                {"bytes", "535E02A12050"}}},
        {"status", "0xF1"}, {"bus", 1}, {"address", "0x5E"}}));
}

// The built-in simulator keeps its registers in its state file: BRG0 and
// BRG1 are its first two bytes, I2CClkL and I2CClkH its eighth and ninth.
void TestQuelmCtlBridge::baudRateAndClockReachTheRegisters_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("baudRegisters");
    QTest::addColumn<QString>("clockRegisters");

    QTest::newRow("57600, standard clock") << QStringList{"--baud", "57600", "--i2c-clock", "standard"}
                                           << "7000" << "1300";
    QTest::newRow("115200, fast clock") << QStringList{"--baud", "115200", "--i2c-clock", "fast"} << "3000" << "0500";
    QTest::newRow("460800, clock untouched") << QStringList{"--baud", "460800"} << "0000" << "1300";
    QTest::newRow("power-on rate") << QStringList{"--i2c-clock", "fast"} << "F002" << "0500";
}

void TestQuelmCtlBridge::baudRateAndClockReachTheRegisters()
{
    QFETCH(QStringList, options);
    QFETCH(QString, baudRegisters);
    QFETCH(QString, clockRegisters);

    QCOMPARE(run(QStringList{"read", "-q"} + options + QStringList{"demo.json"}).exitCode, 0);
    const QString registers = parse(QString::fromUtf8(readFile(m_dir->filePath(QStringLiteral("demo.sim-state.json")))))
                                  .value(QStringLiteral("registers")).toString();
    QCOMPARE(registers.mid(0, 4), baudRegisters);
    QCOMPARE(registers.mid(14, 4), clockRegisters);
    // The next run finds the bridge at its new rate only when told the rate.
    QCOMPARE(run(QStringList{"read", "-q"} + options + QStringList{"demo.json"}).exitCode, 0);
    const QuelmCtlRun plain = run({"read", "-q", "--timeout", "200", "demo.json"});
    QCOMPARE(plain.exitCode, baudRegisters == QLatin1String("F002") ? 0 : 1);
    QCOMPARE(plain.err, baudRegisters == QLatin1String("F002") ? QString() : lateBridge(88));
}

void TestQuelmCtlBridge::badBridgeOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");

    QTest::newRow("rate the bridge misses") << QStringList{"read", "--baud", "400000", "demo.json"}
        << "quelmctl: the bridge cannot run at 400000 baud\n";
    QTest::newRow("rate of zero") << QStringList{"scan", "--baud", "0", "demo.json"}
        << "quelmctl: the bridge cannot run at 0 baud\n";
    QTest::newRow("unknown clock") << QStringList{"write", "--i2c-clock", "turbo", "demo.json"}
        << "quelmctl: --i2c-clock takes standard or fast, not \"turbo\"\n";
    QTest::newRow("json on a command without it") << QStringList{"erase", "--json", "demo.json"}
        << "quelmctl: Unknown option 'json'.\n";
}

void TestQuelmCtlBridge::badBridgeOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    const QuelmCtlRun result = run(arguments);
    QCOMPARE(result.err, error);
    QCOMPARE(result.out, QString());
    QCOMPARE(result.exitCode, 2);
}

// After a write, only the write-only potentiometer's page differs from what
// a read brings back.
void TestQuelmCtlBridge::readAndWriteAsJson()
{
    const QuelmCtlRun write = run({"write", "-q", "--json", "demo.json"});
    QCOMPARE(write.err, QString());
    QCOMPARE(write.exitCode, 0);
    const QJsonObject written = parse(write.out);
    QCOMPARE(written.value(QStringLiteral("ok")), QJsonValue(true));
    QCOMPARE(written.value(QStringLiteral("sent")), QJsonValue(20));
    QCOMPARE(written.value(QStringLiteral("verify")).toObject(),
             (QJsonObject{{"matching", 6}, {"writeOnly", QJsonArray{"offset"}}, {"mismatches", QJsonArray()}}));

    const QuelmCtlRun read = run({"read", "-q", "--json", "demo.json"});
    QCOMPARE(read.exitCode, 0);
    const QJsonObject document = parse(read.out);
    QStringList dirty;
    for (const QJsonValue& device : document.value(QStringLiteral("devices")).toArray()) {
        const QJsonObject object = device.toObject();
        for (const QJsonValue& page : object.value(QStringLiteral("dirtyPages")).toArray())
            dirty.append(QStringLiteral("%1 %2 page %3").arg(object.value(QStringLiteral("name")).toString(),
                                                             object.value(QStringLiteral("address")).toString())
                             .arg(page.toInt()));
    }
    QCOMPARE(dirty, QStringList{"offset 0x5E page 1"});
    const QJsonArray settings = document.value(QStringLiteral("settings")).toArray();
    QCOMPARE(settings.size(), 14);
    QCOMPARE(settings.at(0).toObject(), (QJsonObject{{"name", "serial"}, {"kind", "bytes"}, {"device", "header"},
                                                      {"address", "0x10:4"}, {"value", "51450001"}}));
    QCOMPARE(settings.at(12).toObject().value(QStringLiteral("text")).toString(),
             QStringLiteral("factory calibration, written by the test station"));

    const QuelmCtlRun lost = run({"write", "-q", "--json", "--sim-disconnect-after", "89", "demo.json"});
    QCOMPARE(lost.exitCode, 1);
    const QJsonObject failed = parse(lost.out);
    QCOMPARE(failed.value(QStringLiteral("ok")), QJsonValue(false));
    QCOMPARE(failed.value(QStringLiteral("error")).toObject().value(QStringLiteral("command")).toObject(),
             (QJsonObject{{"index", 2}, {"description", "Write Device: 1.5E.1 (1 Bytes)"}, {"bytes", "535E02A12A50"}}));
}

// A second run on a port that a first one holds (a read at 9600 baud takes
// a while in real time) is told so, and the first run goes on unharmed.
void TestQuelmCtlBridge::portInUseIsNamed()
{
    const QString port = startBench();
    QVERIFY(!port.isEmpty());
    QProcess first;
    first.setWorkingDirectory(m_dir->path());
    first.start(QStringLiteral(QUELMCTL_PROGRAM), {"read", "-q", "--port", port, "bench.json"});
    QVERIFY(first.waitForStarted());
    QTest::qWait(300);
    const QuelmCtlRun second = run({"read", "-q", "--port", port, "bench.json"});
    QCOMPARE(second.err, QStringLiteral("quelmctl: cannot open %1: it is in use by another program\n").arg(port));
    QCOMPARE(second.exitCode, 1);
    QVERIFY(first.waitForFinished(60000));
    QCOMPARE(first.exitCode(), 0);
}

// While quelm-simulator serves a state file, a run of the built-in
// simulator on the same file is refused once its wait is over.
void TestQuelmCtlBridge::servedStateIsHeld()
{
    QVERIFY(!startBench({"--state", "served.json"}).isEmpty());
    const QuelmCtlRun run = this->run({"read", "-q", "--sim-state", "served.json", "--sim-lock-wait", "100", "bench.json"});
    QCOMPARE(run.err, QStringLiteral("quelmctl: simulator state served.json is in use by another run "
                                     "(quelm-simulator, process %1); waited 0.1 s\n").arg(m_simulator->processId()));
    QCOMPARE(run.exitCode, 1);
}

QTEST_GUILESS_MAIN(TestQuelmCtlBridge)
#include "tst_quelmctl_bridge.moc"
