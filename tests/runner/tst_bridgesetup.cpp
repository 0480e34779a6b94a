#include <bridgesetup.h>
#include <bridgesimulator.h>
#include <simulatorlink.h>

#include <QtTest/QtTest>

#include "hex.h"

#include <optional>

namespace {

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

class TestBridgeSetup : public QObject
{
    Q_OBJECT

private slots:
    void baudRateGenerator_data();
    void baudRateGenerator();
    void baudRateChange_data();
    void baudRateChange();
    void i2cClock_data();
    void i2cClock();
};

// BRG = 7.3728 MHz / rate - 16; a rate the generator misses by more than
// 2 % is refused.
void TestBridgeSetup::baudRateGenerator_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("generator");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("9600, the power-on rate") << 9600 << 0x02F0 << hex("5700F0010250");
    QTest::newRow("57600") << 57600 << 0x0070 << hex("570070010050");
    QTest::newRow("115200") << 115200 << 0x0030 << hex("570030010050");
    QTest::newRow("460800, the fastest") << 460800 << 0x0000 << hex("570000010050");
    QTest::newRow("300000 is 1.7 % off") << 300000 << 0x0009 << hex("570009010050");
    QTest::newRow("400000 is 2.4 % off") << 400000 << -1 << QByteArray();
    QTest::newRow("1000000 is too fast") << 1000000 << -1 << QByteArray();
    QTest::newRow("negative") << -9600 << -1 << QByteArray();
}

void TestBridgeSetup::baudRateGenerator()
{
    QFETCH(int, rate);
    QFETCH(int, generator);
    QFETCH(QByteArray, command);

    const std::optional<quint16> found = BridgeSetup::baudRateGenerator(rate);
    QCOMPARE(found ? int(*found) : -1, generator);
    if (found) {
        QCOMPARE(BridgeSetup::baudRateCommand(*found).toHex(), command.toHex());
        BridgeSimulator simulator;
        simulator.feed(command);
        QCOMPARE(simulator.baudRate(), BridgeSetup::baudRateOf(*found));
    }
}

void TestBridgeSetup::baudRateChange_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<int>("linkRate");
    QTest::addColumn<int>("bridgeRate");

    QTest::newRow("from power-on to 115200")
        << QByteArray() << 115200 << QString()
        << QStringList{QStringLiteral("write 52000150"), QStringLiteral("write 570030010050"),
                       QStringLiteral("drain"), QStringLiteral("rate 115200"), QStringLiteral("write 52000150")}
        << 115200 << 115200;
    QTest::newRow("left at 115200 by an earlier session")
        << hex("570030010050") << 115200 << QString()
        << QStringList{QStringLiteral("write 52000150"), QStringLiteral("rate 115200"),
                       QStringLiteral("write 52000150")}
        << 115200 << 115200;
    QTest::newRow("at neither rate")
        << hex("570070010150") << 115200
        << QStringLiteral("the bridge answers neither at 9600 nor at 115200 baud")
        << QStringList{QStringLiteral("write 52000150"), QStringLiteral("rate 115200"),
                       QStringLiteral("write 52000150"), QStringLiteral("rate 9600")}
        << 9600 << 19200;
    QTest::newRow("out of the bridge's reach")
        << QByteArray() << 400000 << QStringLiteral("the bridge cannot run at 400000 baud")
        << QStringList() << 9600 << 9600;
}

// The rate moves only after the write has left the host and the bridge had
// time to take it; the registers are read back at the new rate.
void TestBridgeSetup::baudRateChange()
{
    QFETCH(QByteArray, before);
    QFETCH(int, rate);
    QFETCH(QString, error);
    QFETCH(QStringList, events);
    QFETCH(int, linkRate);
    QFETCH(int, bridgeRate);

    BridgeSimulator simulator;
    simulator.feed(before);
    WireLink link(&simulator);
    BridgeSetup setup(&link);
    QCOMPARE(setup.setBaudRate(rate), error.isEmpty());

    QCOMPARE(setup.errorString(), error);
    QCOMPARE(link.events, events);
    QCOMPARE(link.baudRate(), linkRate);
    QCOMPARE(qRound(simulator.baudRate()), bridgeRate);
    if (events.contains(QStringLiteral("drain")))
        QVERIFY2(link.settledMs >= BridgeSetup::settleMs(9600), qPrintable(QString::number(link.settledMs)));
}

// f = 15 MHz / (8 x (I2CClkL + I2CClkH)).
void TestBridgeSetup::i2cClock_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("hertz");

    QTest::newRow("standard") << QStringLiteral("standard") << hex("570713080050") << 98684;
    QTest::newRow("fast") << QStringLiteral("fast") << hex("570705080050") << 375000;
}

void TestBridgeSetup::i2cClock()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, command);
    QFETCH(int, hertz);

    const BridgeSetup::ClockSetting* setting = BridgeSetup::clockSetting(name);
    QVERIFY(setting);
    QCOMPARE(BridgeSetup::i2cClockCommand(setting->clock).toHex(), command.toHex());
    QCOMPARE(qRound(BridgeSetup::i2cClockHz(setting->low, setting->high)), hertz);

    BridgeSimulator simulator;
    simulator.feed(hex("57 0720 0820 50"));
    SimulatorLink link(&simulator);
    BridgeSetup setup(&link);
    QVERIFY2(setup.setI2CClock(setting->clock), qPrintable(setup.errorString()));
    QCOMPARE(qRound(simulator.i2cClockHz()), hertz);
    QCOMPARE(simulator.notes(), QStringList());
    QVERIFY(!BridgeSetup::clockSetting(name.toUpper()));
}

QTEST_GUILESS_MAIN(TestBridgeSetup)
#include "tst_bridgesetup.moc"
