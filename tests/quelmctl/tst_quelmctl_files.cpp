// Nothing the user owns is lost: every file quelmctl writes is replaced
// whole or left as it was, `set` changes only the value texts it is asked
// to, and runs on one simulator state take turns.

#include "quelmctlrun.h"

#include <QtCore/QLockFile>
#include <QtTest/QtTest>

#include <algorithm>

namespace {

// A description kept by hand: settings before boards, tabs, one-line and
// spread-out objects, spacing around the colons.
const QByteArray handKept =
    "{\n"
    "\t\"settings\": [\n"
    "\t\t{\"name\": \"s\", \"kind\": \"byte\", \"device\": \"eeprom\", \"address\": \"0x40\", \"value\": \"5A\"},\n"
    "\t\t{\n"
    "\t\t   \"value\" :   \"01\",\n"
    "\t\t   \"name\": \"t\", \"kind\": \"byte\", \"device\": \"eeprom\", \"address\": \"0x48\"\n"
    "\t\t}\n"
    "\t],\n"
    "\t\"busSelect\": \"none\",\n"
    "\t\"boards\": [{\"title\": \"Main\", \"devices\": [\n"
    "\t\t{\"type\": \"CAT24AA02\", \"bus\": 0, \"address\": \"0xA0\", \"name\": \"eeprom\"}]}]\n"
    "}\n";

// One EEPROM and one setting on it: two of these on one state file change
// different pages.
QByteArray oneSetting(const char* name, const char* address, const char* value)
{
    return QByteArray("{\"busSelect\": \"none\", \"boards\": [{\"title\": \"Main\", \"devices\": [\n"
                      "  {\"type\": \"CAT24AA02\", \"bus\": 0, \"address\": \"0xA0\", \"name\": \"eeprom\"}]}],\n"
                      " \"settings\": [") + (name ? QByteArray("{\"name\": \"") + name
                          + "\", \"kind\": \"byte\", \"device\": \"eeprom\", \"address\": \"" + address
                          + "\", \"value\": \"" + value + "\"}" : QByteArray()) + "]}\n";
}

// quelmctl with the size of the files it may write limited to `blocks` of
// 512 bytes: a disk that fills up in the middle of a write. In a coverage
// build the program's profile cannot be written either: it goes to a
// folder of its own, and what libgcov says of it is not quelmctl's output.
QuelmCtlRun runOnAFullDisk(const QString& directory, const QStringList& arguments, int blocks)
{
    const QString script = QStringLiteral("trap '' XFSZ; export GCOV_PREFIX=\"$PWD/.profile\"; ulimit -f %1; "
                                          "exec \"$0\" \"$@\"").arg(blocks);
    QuelmCtlRun run = runQuelmCtl(directory, QStringList{QStringLiteral("-c"), script,
                                                         QStringLiteral(QUELMCTL_PROGRAM)} + arguments,
                                  QStringLiteral("/bin/sh"));
    QStringList lines = run.err.split(QLatin1Char('\n'));
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const QString& line) { return line.startsWith(QLatin1String("libgcov profiling error:")); }),
                lines.end());
    run.err = lines.join(QLatin1Char('\n'));
    return run;
}

} // namespace

class TestQuelmCtlFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void setChangesOnlyTheValueText_data();
    void setChangesOnlyTheValueText();
    void runsOnOneStateTakeTurns();
    void heldStateIsRefusedAfterTheWait();

private:
    QuelmCtlRun run(const QStringList& arguments) const { return runQuelmCtl(m_dir->path(), arguments); }
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestQuelmCtlFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(copyDemo(*m_dir));
}

void TestQuelmCtlFiles::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("error");

    // The description is 4 KiB, the state 3 KiB, the report 15 KiB.
    QTest::newRow("set on a disk full after 512 bytes")
        << QStringList{"set", "demo.json", "revision=04"} << 1 << "demo.json"
        << "quelmctl: cannot write demo.json: File too large\n";
    QTest::newRow("report on a disk full after 4 KiB")
        << QStringList{"report", "-q", "-o", "report.html", "demo.json"} << 8 << "report.html"
        << "quelmctl: cannot write report.html: File too large\n";
    QTest::newRow("state on a disk full after 1 KiB")
        << QStringList{"write", "-q", "demo.json"} << 2 << "demo.sim-state.json"
        << "quelmctl: cannot write simulator state ./demo.sim-state.json: File too large\n";
}

void TestQuelmCtlFiles::failedSaveKeepsTheOldFile()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, blocks);
    QFETCH(QString, file);
    QFETCH(QString, error);

    QCOMPARE(run({"read", "-q", "demo.json"}).exitCode, 0); // the state of an earlier run
    if (!QFile::exists(path(file)))
        QVERIFY(writeFile(path(file), "what the user had\n"));
    const QByteArray before = readFile(path(file));
    const QuelmCtlRun result = runOnAFullDisk(m_dir->path(), arguments, blocks);
    QCOMPARE(result.err, error);
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(readFile(path(file)), before);
}

void TestQuelmCtlFiles::setChangesOnlyTheValueText_data()
{
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QStringList>("assignments");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("hand-ordered, tab-indented")
        << handKept << QStringList{"t=FF", "s=A5"}
        << QByteArray(handKept).replace("\"5A\"", "\"A5\"").replace("\"01\"", "\"FF\"");
    QByteArray crlf = oneSetting("s", "0x40", "5A");
    crlf.replace("\n", "\r\n");
    QTest::newRow("Windows line ends") << crlf << QStringList{"s=00"}
                                       << QByteArray(crlf).replace("\"5A\"", "\"00\"");
}

void TestQuelmCtlFiles::setChangesOnlyTheValueText()
{
    QFETCH(QByteArray, original);
    QFETCH(QStringList, assignments);
    QFETCH(QByteArray, expected);

    QVERIFY(writeFile(path("kept.json"), original));
    const QuelmCtlRun result = run(QStringList{"set", "kept.json"} + assignments);
    QCOMPARE(result.err, QString());
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(readFile(path("kept.json")), expected);
}

// A run that finds the state held waits for it, and then starts from what
// the holder left: here the test holds it and, while the second run waits,
// leaves the state of a first run that changed another page.
void TestQuelmCtlFiles::runsOnOneStateTakeTurns()
{
    QVERIFY(writeFile(path("first.json"), oneSetting("a", "0x40", "11")));
    QVERIFY(writeFile(path("second.json"), oneSetting("b", "0x48", "22")));
    QCOMPARE(run({"write", "-q", "--sim-state", "first.sim-state.json", "first.json"}).exitCode, 0);

    QLockFile held(path("shared.json.lock"));
    QVERIFY(held.tryLock(0));
    QProcess second;
    second.setWorkingDirectory(m_dir->path());
    second.start(QStringLiteral(QUELMCTL_PROGRAM), {"write", "-q", "--sim-state", "shared.json", "second.json"});
    QVERIFY(second.waitForStarted());
    QTest::qWait(500); // a run that did not wait would be done by now
    QVERIFY(QFile::copy(path("first.sim-state.json"), path("shared.json")));
    held.unlock();
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.readAllStandardError(), QByteArray());
    QCOMPARE(second.exitCode(), 0);

    QVERIFY(writeFile(path("both.json"), QByteArray(oneSetting("a", "0x40", "00")).replace(
        "]}\n", ", {\"name\": \"b\", \"kind\": \"byte\", \"device\": \"eeprom\", \"address\": \"0x48\", \"value\": \"00\"}]}\n")));
    QCOMPARE(run({"read", "-q", "--sim-state", "shared.json", "both.json"}).out,
             QStringLiteral("NAME  KIND  DEVICE  ADDRESS  VALUE\n"
                            "a     byte  eeprom  0x40     11\n"
                            "b     byte  eeprom  0x48     22\n"));
}

void TestQuelmCtlFiles::heldStateIsRefusedAfterTheWait()
{
    QLockFile held(path("demo.sim-state.json.lock"));
    QVERIFY(held.tryLock(0));
    const QuelmCtlRun result = run({"write", "-q", "--sim-lock-wait", "200", "demo.json"});
    QCOMPARE(result.err, QStringLiteral("quelmctl: simulator state %1 is in use by another run (%2, process %3); waited 0.2 s\n")
                             .arg(QStringLiteral("./demo.sim-state.json"), QCoreApplication::applicationName())
                             .arg(QCoreApplication::applicationPid()));
    QCOMPARE(result.exitCode, 1);
    QVERIFY(!QFile::exists(path("demo.sim-state.json")));
}

QTEST_GUILESS_MAIN(TestQuelmCtlFiles)
#include "tst_quelmctl_files.moc"
