// The built quelmctl on the demo product against its simulator: every
// subcommand, the state kept between runs, and every bad input's error line.

#include "quelmctlrun.h"

#include <QtTest/QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// New parts: the EEPROMs erased to FF, the wipers where they power up. The
// gain's channel 0 follows its backup in the calibration EEPROM.
const QString factoryTable = QStringLiteral(
    "NAME             KIND   DEVICE       ADDRESS  VALUE\n"
    "serial           bytes  header       0x10:4   FFFFFFFF\n"
    "revision         byte   header       0x14     FF\n"
    "io_port          port   io           PORT_0   FF\n"
    "reset_n          pin    io           IO_5     00\n"
    "led_ready        pin    io           IO_8     01\n"
    "io_user          bytes  io           0x00:2   FFFF\n"
    "trim_wiper       byte   trim         0x00     40\n"
    "bias_wiper       byte   bias         0x01     80\n"
    "gain_ch0         byte   gain         0x00     FF\n"
    "gain_ch2         byte   gain         0x02     80\n"
    "offset_wiper     byte   offset       0x01     00\n"
    "gain_ch0_backup  proxy  calibration  0x20     FF\n"
    "cal_note         null   calibration  0x30:16  factory calibration, written by the test station\n"
    "cal_table        bytes  calibration  0x40:8   FFFFFFFFFFFFFFFF\n");

// What an erase leaves: every byte 00.
const QString erasedTable = QStringLiteral(
    "NAME             KIND   DEVICE       ADDRESS  VALUE\n"
    "serial           bytes  header       0x10:4   00000000\n"
    "revision         byte   header       0x14     00\n"
    "io_port          port   io           PORT_0   00\n"
    "reset_n          pin    io           IO_5     01\n"
    "led_ready        pin    io           IO_8     00\n"
    "io_user          bytes  io           0x00:2   0000\n"
    "trim_wiper       byte   trim         0x00     00\n"
    "bias_wiper       byte   bias         0x01     00\n"
    "gain_ch0         byte   gain         0x00     00\n"
    "gain_ch2         byte   gain         0x02     00\n"
    "offset_wiper     byte   offset       0x01     00\n"
    "gain_ch0_backup  proxy  calibration  0x20     00\n"
    "cal_note         null   calibration  0x30:16  factory calibration, written by the test station\n"
    "cal_table        bytes  calibration  0x40:8   0000000000000000\n");

// The X9408 is write-only: it always reads back as 00.
const QString writtenTable = QStringLiteral(
    "NAME             KIND   DEVICE       ADDRESS  VALUE\n"
    "serial           bytes  header       0x10:4   51450001\n"
    "revision         byte   header       0x14     03\n"
    "io_port          port   io           PORT_0   A5\n"
    "reset_n          pin    io           IO_5     00\n"
    "led_ready        pin    io           IO_8     01\n"
    "io_user          bytes  io           0x00:2   CAFE\n"
    "trim_wiper       byte   trim         0x00     80\n"
    "bias_wiper       byte   bias         0x01     40\n"
    "gain_ch0         byte   gain         0x00     C0\n"
    "gain_ch2         byte   gain         0x02     20\n"
    "offset_wiper     byte   offset       0x01     00\n"
    "gain_ch0_backup  proxy  calibration  0x20     C0\n"
    "cal_note         null   calibration  0x30:16  factory calibration, written by the test station\n"
    "cal_table        bytes  calibration  0x40:8   0001020304050607\n");

const QString verified = QStringLiteral("verify: 6 devices match (write-only, not read back: offset)\n");

const QByteArray eepromOnly =
    "{\"busSelect\": \"%1\", \"boards\": [{\"title\": \"Main\", \"devices\": [\n"
    "  {\"type\": \"CAT24AA02\", \"bus\": 0, \"address\": \"0xA0\", \"name\": \"eeprom\"}]}],\n"
    " \"settings\": [{\"name\": \"s\", \"kind\": \"byte\", \"device\": \"eeprom\", \"address\": \"0x40\", \"value\": \"5A\"}]}\n";

QString pageWrite(int address, const QByteArray& data)
{
    const QByteArray bytes = QByteArray::fromHex("53A009") + char(address) + data + 'P';
    return QStringLiteral("Write Device: 0.A0.%1 (8 Bytes)\n  Tx Command: %2\n")
        .arg(QString::number(address, 16).toUpper(), QString::fromLatin1(bytes.toHex().toUpper()));
}

QString pageRead(int address)
{
    const QByteArray bytes = QByteArray::fromHex("53A001") + char(address) + QByteArray::fromHex("53A10850");
    return QStringLiteral("Read Device: 0.A0.%1 (8 Bytes)\n  Tx Command: %2\n        Data: 0000000000000000\n")
        .arg(QString::number(address, 16).toUpper(), QString::fromLatin1(bytes.toHex().toUpper()));
}

} // namespace

class TestQuelmCtl : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void writeThenReadAcrossRuns();
    void setChangesOnlyTheValues();
    void setRefusesBadAssignments_data();
    void setRefusesBadAssignments();
    void eraseClearsEverything();
    void headerWritesOnlyItsRange();
    void dumpPrintsTheListUnsent_data();
    void dumpPrintsTheListUnsent();
    void badInput_data();
    void badInput();
    void bridgeThatNeverAnswers();
    void writeThatLosesTheBridge();

private:
    QuelmCtlRun run(const QStringList& arguments) const { return runQuelmCtl(m_dir->path(), arguments); }
    QString demo() const { return QStringLiteral("demo.json"); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestQuelmCtl::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(copyDemo(*m_dir));
}

void TestQuelmCtl::writeThenReadAcrossRuns()
{
    QuelmCtlRun result = run({"read", demo()});
    QCOMPARE(result.err, QStringLiteral("read: 88 commands, 1.43 s at 9600 baud\n"));
    QCOMPARE(result.out, factoryTable);
    QCOMPARE(result.exitCode, 0);
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("demo.sim-state.json"))));

    result = run({"write", "-q", demo()});
    QCOMPARE(result.err, QString());
    QCOMPARE(result.out, QStringLiteral("write: 20 commands sent\n") + verified);
    QCOMPARE(result.exitCode, 0);

    result = run({"read", "--quiet", demo()});
    QCOMPARE(result.out, writtenTable);
    QCOMPARE(result.exitCode, 0);

    // Only the write-only potentiometer differs from what was read:
    // the bus select and its two commands.
    result = run({"write", "-q", demo()});
    QCOMPARE(result.out, QStringLiteral("write: 3 commands sent\n") + verified);

    // Another state file is another product.
    result = run({"read", "-q", "--sim-state", "other.json", demo()});
    QCOMPARE(result.out, factoryTable);
}

void TestQuelmCtl::setChangesOnlyTheValues()
{
    const QByteArray original = readFile(m_dir->filePath(demo()));
    QuelmCtlRun result = run({"set", demo(), "trim_wiper=7F", "gain_ch0=01"});
    QCOMPARE(result.err, QString());
    QCOMPARE(result.out, QString());
    QCOMPARE(result.exitCode, 0);
    QByteArray expected = original;
    expected.replace("\"value\": \"80\"", "\"value\": \"7F\"").replace("\"value\": \"C0\"", "\"value\": \"01\"");
    QCOMPARE(readFile(m_dir->filePath(demo())), expected);

    QCOMPARE(run({"write", "-q", demo()}).exitCode, 0);
    QString table = writtenTable;
    table.replace(QStringLiteral("0x00     80"), QStringLiteral("0x00     7F"))
        .replace(QStringLiteral("0x00     C0"), QStringLiteral("0x00     01"))
        .replace(QStringLiteral("0x20     C0"), QStringLiteral("0x20     01"));
    QCOMPARE(run({"read", "-q", demo()}).out, table);
}

void TestQuelmCtl::setRefusesBadAssignments_data()
{
    QTest::addColumn<QStringList>("assignments");
    QTest::addColumn<QString>("error");
    QTest::newRow("value not hex") << QStringList{"revision=0G"}
        << "quelmctl: demo.json: setting \"revision\": value \"0G\" is not hex\n";
    QTest::newRow("odd number of digits") << QStringList{"revision=A"}
        << "quelmctl: demo.json: setting \"revision\": value \"A\" is not hex\n";
    QTest::newRow("value longer than the setting") << QStringList{"serial=5145000102"}
        << "quelmctl: demo.json: setting \"serial\": value \"5145000102\" has 5 bytes, the setting holds 4\n";
    QTest::newRow("unknown setting after a good one") << QStringList{"revision=04", "speed=01"}
        << "quelmctl: demo.json: no setting is named \"speed\"\n";
    QTest::newRow("no equals sign") << QStringList{"revision"}
        << "quelmctl: \"revision\" is not NAME=VALUE\n";
    QTest::newRow("a null setting holds no value") << QStringList{"cal_note=00"}
        << "quelmctl: demo.json: setting \"cal_note\": a null setting takes no value\n";
    QTest::newRow("nothing to set") << QStringList{}
        << "quelmctl: set: give at least one NAME=VALUE\n";
}

void TestQuelmCtl::setRefusesBadAssignments()
{
    QFETCH(QStringList, assignments);
    QFETCH(QString, error);
    const QByteArray original = readFile(m_dir->filePath(demo()));
    const QuelmCtlRun result = run(QStringList{"set", demo()} + assignments);
    QCOMPARE(result.err, error);
    QCOMPARE(result.out, QString());
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(readFile(m_dir->filePath(demo())), original);
}

void TestQuelmCtl::eraseClearsEverything()
{
    QCOMPARE(run({"write", "-q", demo()}).exitCode, 0);
    const QuelmCtlRun result = run({"erase", "-q", demo()});
    QCOMPARE(result.err, QString());
    // Bus 0: a bus select, 32 + 9 EEPROM and expander pages; bus 1: a bus
    // select, 15 + 4 + 8 + 8 potentiometer commands, 32 EEPROM pages.
    QCOMPARE(result.out, QStringLiteral("erase: 110 commands sent\n") + verified);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(run({"read", "-q", demo()}).out, erasedTable);
}

void TestQuelmCtl::headerWritesOnlyItsRange()
{
    QCOMPARE(run({"set", demo(), "serial=0A0B0C0D"}).exitCode, 0);
    const QuelmCtlRun result = run({"header", "-q", "--offset", "0x10", "--count", "4", demo()});
    QCOMPARE(result.err, QString());
    QCOMPARE(result.out, QStringLiteral("header: 2 commands sent\nverify: 1 device matches\n"));
    QCOMPARE(result.exitCode, 0);
    // The revision byte right after the range stays as it was.
    QString table = factoryTable;
    table.replace(QStringLiteral("0x10:4   FFFFFFFF"), QStringLiteral("0x10:4   0A0B0C0D"));
    QCOMPARE(run({"read", "-q", demo()}).out, table);

    const QuelmCtlRun whole = run({"header", "-q", demo()});
    QCOMPARE(whole.out, QStringLiteral("header: 9 commands sent\nverify: 1 device matches\n"));
    table.replace(QStringLiteral("0x14     FF"), QStringLiteral("0x14     03"));
    QCOMPARE(run({"read", "-q", demo()}).out, table);
}

void TestQuelmCtl::dumpPrintsTheListUnsent_data()
{
    QTest::addColumn<QString>("busSelect");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("expected");

    QString erase;
    QString write;
    QString read = QStringLiteral("Configuring GPIO Register.\n  Tx Command: 5702FF03FF50\n"
                                  "Read GPIO Register.\n  Tx Command: 4950\n"
                                  "Read Internal Registers.\n  Tx Command: 52000102030405060708090A50\n"
                                  "        Data: 0000000000000000000000\n");
    for (int page = 0; page < 32; ++page) {
        erase += pageWrite(page * 8, QByteArray(8, '\0'));
        if (page >= 7)
            write += pageWrite(page * 8, page == 8 ? QByteArray::fromHex("5A00000000000000") : QByteArray(8, '\0'));
        read += pageRead(page * 8);
    }
    const QString select = QStringLiteral("Write GPIO Register 0.\n  Tx Command: 4F0050\n");
    QTest::newRow("erase") << "none" << "erase" << erase;
    QTest::newRow("erase with bus selection") << "gpio" << "erase" << select + erase;
    QTest::newRow("write leaves out the header") << "none" << "write" << write;
    QTest::newRow("write with bus selection") << "gpio" << "write" << select + write;
    QTest::newRow("read") << "none" << "read" << read;
}

void TestQuelmCtl::dumpPrintsTheListUnsent()
{
    QFETCH(QString, busSelect);
    QFETCH(QString, list);
    QFETCH(QString, expected);
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("eeprom.json")),
                      QString::fromLatin1(eepromOnly).arg(busSelect).toLatin1()));
    const QuelmCtlRun result = run({"dump", "eeprom.json", list});
    QCOMPARE(result.err, QString());
    QCOMPARE(result.out, expected);
    QCOMPARE(result.exitCode, 0);
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("eeprom.sim-state.json"))));
}

void TestQuelmCtl::badInput_data()
{
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("exitCode");

    const QByteArray device = "{\"type\": \"CAT24AA02\", \"bus\": 0, \"address\": \"0xA0\", \"name\": \"e\"}";
    const QByteArray product = "{\"boards\": [{\"title\": \"t\", \"devices\": [" + device + "]}], \"settings\": [%1]}";
    auto withSetting = [&](const char* setting) { return QString::fromLatin1(product).arg(QLatin1String(setting)).toLatin1(); };

    QTest::newRow("malformed description") << QByteArray("{\"boards\": [\n  {\"title\": \"a\", \"devices\": [}\n]}")
        << QStringList{"read", "p.json"}
        << "quelmctl: p.json:2:30: malformed description: object is missing after a comma\n" << 1;
    QTest::newRow("unknown device type") << QByteArray("{\"boards\": [{\"title\": \"t\", \"devices\": [{\"type\": \"M25P40\", \"bus\": 0, \"address\": \"0xA0\", \"name\": \"flash\"}]}]}")
        << QStringList{"read", "p.json"}
        << "quelmctl: p.json: device \"flash\": unknown device type \"M25P40\"\n" << 1;
    QTest::newRow("two devices at one address") << QByteArray("{\"boards\": [{\"title\": \"t\", \"devices\": [" + device + "]}, {\"title\": \"u\", \"devices\": [{\"type\": \"DS4520\", \"bus\": 0, \"address\": \"0xa0\", \"name\": \"io\"}]}]}")
        << QStringList{"write", "p.json"}
        << "quelmctl: p.json: devices \"e\" and \"io\" are both at bus 0 address 0xA0\n" << 1;
    QTest::newRow("setting names an unknown device") << withSetting("{\"name\": \"s\", \"kind\": \"byte\", \"device\": \"x\", \"address\": \"0x01\", \"value\": \"00\"}")
        << QStringList{"report", "p.json"}
        << "quelmctl: p.json: setting \"s\" names unknown device \"x\"\n" << 1;
    QTest::newRow("value not hex") << withSetting("{\"name\": \"s\", \"kind\": \"byte\", \"device\": \"e\", \"address\": \"0x01\", \"value\": \"0x01\"}")
        << QStringList{"read", "p.json"}
        << "quelmctl: p.json: setting \"s\": value \"0x01\" is not hex\n" << 1;
    QTest::newRow("port that cannot be opened") << withSetting("")
        << QStringList{"read", "--port", "/nonexistent/ttyUSB9", "p.json"}
        << "quelmctl: cannot open /nonexistent/ttyUSB9: No such file or directory\n" << 1;
    QTest::newRow("missing description file") << QByteArray()
        << QStringList{"read", "absent.json"}
        << "quelmctl: cannot read absent.json: No such file or directory\n" << 1;
    QTest::newRow("unknown command") << QByteArray() << QStringList{"flash", "p.json"}
        << "quelmctl: unknown command \"flash\"; see quelmctl --help\n" << 2;
    QTest::newRow("unknown option") << QByteArray() << QStringList{"read", "--verbose", "p.json"}
        << "quelmctl: Unknown option 'verbose'.\n" << 2;
    QTest::newRow("header range past the memory") << withSetting("")
        << QStringList{"header", "--offset", "250", "--count", "8", "p.json"}
        << "quelmctl: header: offset 250 and count 8 do not fit in 256 bytes\n" << 1;
    QTest::newRow("dump of an unknown list") << withSetting("") << QStringList{"dump", "p.json", "verify"}
        << "quelmctl: dump: name one list: read, write or erase\n" << 1;
}

void TestQuelmCtl::badInput()
{
    QFETCH(QByteArray, description);
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QFETCH(int, exitCode);
    if (!description.isEmpty())
        QVERIFY(writeFile(m_dir->filePath(QStringLiteral("p.json")), description));
    const QuelmCtlRun result = run(arguments);
    QCOMPARE(result.err, error);
    QCOMPARE(result.out, QString());
    QCOMPARE(result.exitCode, exitCode);
}

void TestQuelmCtl::bridgeThatNeverAnswers()
{
    // A pseudo-terminal that nobody answers on stands for a silent bridge.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
    const QString port = QString::fromLatin1(ptsname(master));
    const QuelmCtlRun result = run({"read", "-q", "--port", port, "--timeout", "200", demo()});
    close(master);
    QCOMPARE(result.err, QStringLiteral(
        "quelmctl: read stopped: Command 2 of 88 (Read GPIO Register.): no answer from the bridge (1 bytes expected)\n"
        "quelmctl: read: commands 1 to 1 of 88 were applied, the last \"Configuring GPIO Register.\"\n"));
    QCOMPARE(result.out, QString());
    QCOMPARE(result.exitCode, 1);
}

void TestQuelmCtl::writeThatLosesTheBridge()
{
    // 88 commands read the product, then the bridge goes after two writes.
    const QuelmCtlRun result = run({"write", "-q", "--sim-disconnect-after", "90", demo()});
    QCOMPARE(result.err, QStringLiteral(
        "quelmctl: write stopped: Command 3 of 20 (Write GPIO Register 0.): could not be sent: the bridge is disconnected\n"
        "quelmctl: write: commands 1 to 2 of 20 were applied, the last \"Write Device: 0.A0.10 (8 Bytes)\"\n"));
    QCOMPARE(result.out, QString());
    QCOMPARE(result.exitCode, 1);
    // What was applied stays applied: the header page with serial and revision.
    QString table = factoryTable;
    table.replace(QStringLiteral("0x10:4   FFFFFFFF"), QStringLiteral("0x10:4   51450001"))
        .replace(QStringLiteral("0x14     FF"), QStringLiteral("0x14     03"));
    QCOMPARE(run({"read", "-q", demo()}).out, table);
}

QTEST_GUILESS_MAIN(TestQuelmCtl)
#include "tst_quelmctl.moc"
