// The bus scan: one probe and one status read for every even address, in
// order, and the scan stops where the answers stop.

#include <bridgesimulator.h>
#include <busscanner.h>

#include <sc18im700.h>

#include <QtTest/QtTest>

#include "fadinglink.h"
#include "hex.h"

namespace {

// Keeps what goes out.
class RecordingFadingLink : public FadingLink
{
public:
    using FadingLink::FadingLink;

    bool write(const QByteArray& bytes) override
    {
        sent += bytes;
        return FadingLink::write(bytes);
    }

    QByteArray sent;
};

} // namespace

class TestBusScanner : public QObject
{
    Q_OBJECT

private slots:
    void probesUntilTheAnswersStop_data();
    void probesUntilTheAnswersStop();
};

void TestBusScanner::probesUntilTheAnswersStop_data()
{
    QTest::addColumn<bool>("held");
    QTest::addColumn<int>("budget");
    QTest::addColumn<int>("probes");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QByteArray>("found");

    QTest::newRow("every even address once") << false << 1000 << 127 << QString() << hex("90A0");
    QTest::newRow("bus held low") << true << 1000 << 1
        << QStringLiteral("probing 0x02: bus time-out (I2C status 0xF8)") << QByteArray();
    QTest::newRow("bridge gone after 0x92") << false << 73 << 74
        << QStringLiteral("probing 0x94: no answer to the I2C status read") << hex("90");
}

// Two segments, one address used on both; segment 0 selected.
void TestBusScanner::probesUntilTheAnswersStop()
{
    QFETCH(bool, held);
    QFETCH(int, budget);
    QFETCH(int, probes);
    QFETCH(QString, error);
    QFETCH(QByteArray, found);

    BridgeSimulator simulator{BridgeSimulator::BusSelect::Gpio};
    simulator.addPart(Device::CAT24AA02, 0, 0xA0);
    simulator.addPart(Device::DS4520, 0, 0x90);
    simulator.addPart(Device::CAT24AA02, 1, 0xA0);
    simulator.addPart(Device::X9408, 1, 0x5E);
    simulator.addPart(Device::AD5144A, 1, 0x58);
    simulator.feed(SC18IM700::writeGpioCommands(0));
    simulator.setBusHeld(held);
    RecordingFadingLink link(&simulator, budget);
    const ScanResult result = BusScanner(&link).scan();

    QCOMPARE(result.errorString, error);
    QByteArray answered;
    for (const quint8 address : result.answered)
        answered.append(char(address));
    QCOMPARE(answered.toHex(), found.toHex());
    QCOMPARE(link.sent.left(14).toHex(), hex("53020050 520A50 53040050 520A50").left(7 * probes).toHex());
    QByteArray sent;
    for (int probe = 1; probe <= probes; ++probe)
        sent += hex("53") + char(2 * probe) + hex("0050 520A50");
    QCOMPARE(link.sent.toHex(), sent.toHex());
}

QTEST_GUILESS_MAIN(TestBusScanner)
#include "tst_busscanner.moc"
