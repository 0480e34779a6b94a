// The built-in simulator's state file: what one run saves the next loads,
// a state that does not fit its product is refused by name and changes
// nothing, and a save the disk cuts short fails and keeps the old file.

#include <bridgesimulator.h>
#include <savefile.h>
#include <simulatedproduct.h>
#include <simulatorstate.h>

#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <csignal>
#include <sys/resource.h>

#include "hex.h"

namespace {

const QByteArray product = R"({"busSelect": "none", "boards": [{"title": "main", "devices": [
    {"type": "CAT24AA02", "bus": 0, "address": "0xA0", "name": "header"},
    {"type": "X9408", "bus": 0, "address": "0x5E", "name": "gain"}]}]})";

std::unique_ptr<BridgeSimulator> simulate()
{
    QString error;
    const std::optional<ProductDescription> description =
        ProductDescription::parse(product, QStringLiteral("p.json"), &error);
    return description ? SimulatedProduct::of(*description, &error) : nullptr;
}

QByteArray readFile(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Files this process writes may grow to a few bytes while it lives: a
// write past them fails as on a full disk.
class SmallDisk
{
public:
    explicit SmallDisk(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_before);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_before;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~SmallDisk()
    {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

private:
    rlimit m_before{};
    void (*m_handler)(int) = nullptr;
};

} // namespace

class TestSimulatorState : public QObject
{
    Q_OBJECT

private slots:
    void savedStateLoads();
    void unfitStateIsRefused_data();
    void unfitStateIsRefused();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
};

void TestSimulatorState::savedStateLoads()
{
    const QTemporaryDir dir;
    QString error;
    const std::unique_ptr<SimulatorState> state =
        SimulatorState::lock(dir.filePath(QStringLiteral("p.sim-state.json")), 0, &error);
    QVERIFY2(state, qPrintable(error));
    QCOMPARE(SimulatorState::defaultFile(dir.filePath(QStringLiteral("p.json"))), state->fileName());

    const std::unique_ptr<BridgeSimulator> simulator = simulate();
    QVERIFY(state->load(*simulator, &error)); // no file yet: as it is
    simulator->feed(hex("53A00410AABBCC50 4F0750"));
    QVERIFY(state->save(*simulator, &error));
    const std::unique_ptr<BridgeSimulator> next = simulate();
    QVERIFY(state->load(*next, &error));
    QCOMPARE(next->saveState(), simulator->saveState());
    QCOMPARE(next->part(0, 0xA0)->memory().mid(0x10, 3), hex("AABBCC"));
    QVERIFY(error.isEmpty());
}

void TestSimulatorState::unfitStateIsRefused_data()
{
    QTest::addColumn<QString>("key");    // of the EEPROM's state
    QTest::addColumn<QJsonValue>("value"); // undefined: the file is not JSON
    const QString eeprom = QString(2 * 256, QLatin1Char('F'));

    QTest::newRow("memory text two characters too long") << "memory" << QJsonValue(eeprom + QStringLiteral("zz"));
    QTest::newRow("memory of 255 bytes") << "memory" << QJsonValue(eeprom.mid(2));
    QTest::newRow("pointer past the part") << "pointer" << QJsonValue(256);
    QTest::newRow("not JSON") << "" << QJsonValue(QJsonValue::Undefined);
}

// The line names the file, and nothing of it reaches the simulator.
void TestSimulatorState::unfitStateIsRefused()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    const QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.sim-state.json"));
    const std::unique_ptr<BridgeSimulator> simulator = simulate();
    simulator->feed(hex("53A00410AABBCC50"));
    const QJsonObject before = simulator->saveState();

    QJsonObject state = before;
    QJsonArray parts = state.value(QStringLiteral("parts")).toArray();
    QJsonObject eeprom = parts.at(0).toObject();
    QJsonObject memory = eeprom.value(QStringLiteral("state")).toObject();
    memory.insert(key, value);
    eeprom.insert(QStringLiteral("state"), memory);
    parts.replace(0, eeprom);
    state.insert(QStringLiteral("parts"), parts);
    QVERIFY(writeFile(file, value.isUndefined() ? QByteArray("{\"parts\": [") : QJsonDocument(state).toJson()));

    QString error;
    const std::unique_ptr<SimulatorState> held = SimulatorState::lock(file, 0, &error);
    QVERIFY2(held, qPrintable(error));
    QVERIFY(!held->load(*simulator, &error));
    QCOMPARE(error, QStringLiteral("simulator state %1 does not fit the product; delete it to start afresh").arg(file));
    QCOMPARE(simulator->saveState(), before);
}

void TestSimulatorState::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("state"); // the simulator's state, else a report through saveFile
    QTest::newRow("simulator state") << true;
    QTest::newRow("report") << false;
}

// The new contents outgrow the disk after the file was opened: the save
// fails with the system's reason, the old file stays as it was, and no
// half-written file is left beside it.
void TestSimulatorState::failedSaveKeepsTheOldFile()
{
    QFETCH(bool, state);
    const QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("kept.json"));
    const QByteArray old = "{}\n";
    QVERIFY(writeFile(file, old));
    const std::unique_ptr<BridgeSimulator> simulator = simulate(); // more than 512 bytes of state
    QString error;
    const std::unique_ptr<SimulatorState> held = SimulatorState::lock(file, 0, &error);
    QVERIFY2(held, qPrintable(error));
    bool saved = true;
    {
        const SmallDisk disk(512);
        saved = state ? held->save(*simulator, &error) : saveFile(file, QByteArray(4096, 'x'), &error);
    }
    QVERIFY(!saved);
    QCOMPARE(error, state ? QStringLiteral("cannot write simulator state %1: File too large").arg(file)
                          : QStringLiteral("cannot write %1: File too large").arg(file));
    QCOMPARE(readFile(file), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"kept.json", "kept.json.lock"}));
}

QTEST_GUILESS_MAIN(TestSimulatorState)
#include "tst_simulatorstate.moc"
