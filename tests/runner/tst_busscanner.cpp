#include <bridgesimulator.h>
#include <busscanner.h>
#include <simulatorlink.h>

#include <sc18im700.h>

#include <QtTest/QtTest>

#include "hex.h"

namespace {

// Keeps what goes out; passes on only the first `budget` answer bytes.
class CountingLink : public SimulatorLink
{
public:
    CountingLink(BridgeSimulator* simulator, int budget)
        : SimulatorLink(simulator)
        , m_budget(budget)
    {
    }

    bool write(const QByteArray& bytes) override
    {
        sent += bytes;
        return SimulatorLink::write(bytes);
    }
    QByteArray read(int count, int timeoutMs) override
    {
        const QByteArray bytes = SimulatorLink::read(qMin(count, m_budget), timeoutMs);
        m_budget -= bytes.size();
        return bytes;
    }

    QByteArray sent;

private:
    int m_budget;
};

// Two segments, one address used on both.
struct TwoBuses
{
    TwoBuses()
    {
        simulator.addPart(Device::CAT24AA02, 0, 0xA0);
        simulator.addPart(Device::DS4520, 0, 0x90);
        simulator.addPart(Device::CAT24AA02, 1, 0xA0);
        simulator.addPart(Device::X9408, 1, 0x5E);
        simulator.addPart(Device::AD5144A, 1, 0x58);
    }

    BridgeSimulator simulator{BridgeSimulator::BusSelect::Gpio};
};

} // namespace

class TestBusScanner : public QObject
{
    Q_OBJECT

private slots:
    void probesEveryEvenAddressOnce();
    void stopsWhereTheAnswersStop_data();
    void stopsWhereTheAnswersStop();
};

void TestBusScanner::probesEveryEvenAddressOnce()
{
    TwoBuses product;
    CountingLink link(&product.simulator, 1000);
    QVERIFY(BusScanner(&link).scan().ok());
    QCOMPARE(link.sent.size(), 127 * 7);
    QCOMPARE(link.sent.left(14).toHex(), hex("53020050 520A50 53040050 520A50").toHex());
    QCOMPARE(link.sent.right(7).toHex(), hex("53FE0050 520A50").toHex());
}

void TestBusScanner::stopsWhereTheAnswersStop_data()
{
    QTest::addColumn<bool>("held");
    QTest::addColumn<int>("budget");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QByteArray>("found");

    QTest::newRow("bus held low") << true << 1000
        << QStringLiteral("probing 0x02: bus time-out (I2C status 0xF8)") << QByteArray();
    QTest::newRow("bridge gone after 0x92") << false << 73
        << QStringLiteral("probing 0x94: no answer to the I2C status read") << hex("90");
}

void TestBusScanner::stopsWhereTheAnswersStop()
{
    QFETCH(bool, held);
    QFETCH(int, budget);
    QFETCH(QString, error);
    QFETCH(QByteArray, found);

    TwoBuses product;
    product.simulator.feed(SC18IM700::writeGpioCommands(0));
    product.simulator.setBusHeld(held);
    CountingLink link(&product.simulator, budget);
    const ScanResult result = BusScanner(&link).scan();
    QCOMPARE(result.errorString, error);
    QByteArray answered;
    for (const quint8 address : result.answered)
        answered.append(char(address));
    QCOMPARE(answered.toHex(), found.toHex());
}

QTEST_GUILESS_MAIN(TestBusScanner)
#include "tst_busscanner.moc"
