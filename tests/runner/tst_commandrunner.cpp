#include <bridgesimulator.h>
#include <commandrunner.h>
#include <simulatorlink.h>

#include <cat24aa02device.h>
#include <devicecommand.h>
#include <sc18im700.h>

#include <QtTest/QtTest>

#include <memory>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// A bridge that goes quiet: passes on only the first `budget` answer bytes.
class FadingLink : public SimulatorLink
{
public:
    FadingLink(BridgeSimulator* simulator, int budget)
        : SimulatorLink(simulator)
        , m_budget(budget)
    {
    }

    QByteArray read(int count, int timeoutMs) override
    {
        const QByteArray bytes = SimulatorLink::read(qMin(count, m_budget), timeoutMs);
        m_budget -= bytes.size();
        return bytes;
    }

private:
    int m_budget;
};

struct Fixture
{
    Fixture()
    {
        simulator.addPart(Device::CAT24AA02, 0, 0xA0);
    }
    ~Fixture() { qDeleteAll(commands); }

    DeviceCommand* write(const QByteArray& data)
    {
        commands.append(new DeviceCommand(QStringLiteral("write"),
                                          SC18IM700::writeExternalDeviceCommands(0xA0, data)));
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
    SC18IM700 bridge{QStringLiteral("bridge")};
    QList<DeviceCommand*> commands;
};

} // namespace

class TestCommandRunner : public QObject
{
    Q_OBJECT

private slots:
    void runsInOrderAndStoresAnswers();
    void stopsAtAMissingAnswer_data();
    void stopsAtAMissingAnswer();
    void staleAnswersAreDiscarded();
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
    QCOMPARE(f.eeprom.rxData(0, 16), hex("AA00000000000000 0102030405060708"));
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
        << QStringLiteral("Command 4 of 5 (read page 1): no answer from the bridge (8 bytes expected)");
    QTest::newRow("the bridge falls silent")
        << quint8(0xA0) << 8
        << QStringLiteral("Command 4 of 5 (read page 1): no answer from the bridge (8 bytes expected)");
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

    CommandRunner runner(&link);
    QVERIFY(runner.run(f.commands).ok());
    QCOMPARE(f.eeprom.rxData(0, 2), hex("7700"));

    const RunResult nullCommand = runner.run({f.commands.first(), nullptr});
    QCOMPARE(nullCommand.applied, 1);
    QCOMPARE(nullCommand.failedIndex, 1);
    QCOMPARE(nullCommand.errorString, QStringLiteral("Command 2 of 2 (none): the list holds a null command"));
}

QTEST_GUILESS_MAIN(TestCommandRunner)
#include "tst_commandrunner.moc"
