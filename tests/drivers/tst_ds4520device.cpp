// The DS4520's pins, port and pull-ups, and the pull-up registers that every
// clear or whole-image write of the transmit buffer keeps.

#include <QtTest/QtTest>

#include "ds4520device.h"

namespace {
constexpr int receive = 0;
constexpr int transmit = 1;

uchar txByte(const Device& device, const int& address)
{
    return uchar(device.txBuffer().at(address));
}
} // namespace

class TestDS4520Device : public QObject
{
    Q_OBJECT

private slots:
    void newDevice();
    void pinState_data();
    void pinState();
    void pinPullUp_data();
    void pinPullUp();
    void portValue();
    void pullUpsSurviveClearAndReplace();
    void offsetWriteLeavesEnablesAlone();
    void setPullUpEnables();
    void shortImages();
    void negativePinsChangeNothing();
};

void TestDS4520Device::newDevice()
{
    DS4520Device device(0, 0x50, QStringLiteral("io"));
    QVERIFY(device.isDirty());
    QVERIFY(device.readPageIsDirty(8));
    QVERIFY(device.writePageIsDirty(8));
    for (int page = 0; page < 8; ++page)
        QVERIFY2(!device.writePageIsDirty(page), qPrintable(QString::number(page)));
    QCOMPARE(device.pullUpEnables(), QByteArray::fromHex("FF01"));
    QVERIFY(device.ioPinPullUpEnable(8, transmit));
    QVERIFY(!device.ioPinPullUpEnable(8, receive));
    for (int pin = 0; pin <= 9; ++pin) {
        QVERIFY(!device.ioPinState(pin, receive));
        QVERIFY(!device.ioPinState(pin, transmit));
    }
}

void TestDS4520Device::pinState_data()
{
    QTest::addColumn<int>("pin");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("mask");

    QTest::newRow("pin 0") << 0 << 0xF2 << 0x01;
    QTest::newRow("pin 3") << 3 << 0xF2 << 0x08;
    QTest::newRow("pin 7") << 7 << 0xF2 << 0x80;
    QTest::newRow("pin 8") << 8 << 0xF3 << 0x01;
    QTest::newRow("pin 12 acts as pin 8") << 12 << 0xF3 << 0x01;
}

void TestDS4520Device::pinState()
{
    QFETCH(int, pin);
    QFETCH(int, address);
    QFETCH(int, mask);

    DS4520Device device(0, 0x50, QStringLiteral("io"));
    QByteArray expected = device.txBuffer();
    device.setTxData(uchar(address), QByteArray(1, char(0x5A & ~mask)));

    device.setIoPinState(pin, true);
    expected[address] = char((0x5A & ~mask) | mask);
    QCOMPARE(device.txBuffer(), expected);
    QVERIFY(device.ioPinState(pin, transmit));
    QVERIFY(!device.ioPinState(pin, receive));
    QCOMPARE(device.rxBuffer(), QByteArray(248, '\0'));
    QCOMPARE(device.pullUpEnables(), QByteArray::fromHex("FF01"));

    device.setIoPinState(pin, false);
    expected[address] = char(0x5A & ~mask);
    QCOMPARE(device.txBuffer(), expected);
    QVERIFY(!device.ioPinState(pin, transmit));

    // Any source other than 0 selects the transmit buffer.
    device.setRxData(device.txBuffer());
    device.setIoPinState(pin, true);
    QVERIFY(!device.ioPinState(pin, receive));
    QVERIFY(device.ioPinState(pin, 7));
}

void TestDS4520Device::pinPullUp_data()
{
    QTest::addColumn<int>("pin");
    QTest::addColumn<QByteArray>("enables");

    QTest::newRow("pin 2 off") << 2 << QByteArray::fromHex("FB01");
    QTest::newRow("pin 7 off") << 7 << QByteArray::fromHex("7F01");
    QTest::newRow("pin 8 off") << 8 << QByteArray::fromHex("FF00");
    QTest::newRow("pin 9 acts as pin 8") << 9 << QByteArray::fromHex("FF00");
}

void TestDS4520Device::pinPullUp()
{
    QFETCH(int, pin);
    QFETCH(QByteArray, enables);

    DS4520Device device(0, 0x50, QStringLiteral("io"));
    device.setIoPinPullUpEnable(pin, false);
    QCOMPARE(device.pullUpEnables(), enables);
    QCOMPARE(device.txData(0xF0, 2), enables);
    QVERIFY(!device.ioPinPullUpEnable(pin, transmit));

    device.clearTxData();
    QByteArray cleared(248, '\0');
    cleared.replace(0xF0, 2, enables);
    QCOMPARE(device.txBuffer(), cleared);

    device.setIoPinPullUpEnable(pin, true);
    QCOMPARE(device.pullUpEnables(), QByteArray::fromHex("FF01"));
    QCOMPARE(device.txData(0xF0, 2), QByteArray::fromHex("FF01"));
}

void TestDS4520Device::portValue()
{
    DS4520Device device(0, 0x50, QStringLiteral("io"));
    device.setIoPinState(3, true);
    QCOMPARE(device.ioPortValue(0, transmit), uchar(0x08));
    QCOMPARE(device.ioPortValue(1, transmit), uchar(0x08));
    QCOMPARE(device.ioPortValue(0, receive), uchar(0));

    device.setIoPortValue(5, 0xC3);
    QCOMPARE(txByte(device, 0xF2), uchar(0xC3));
    QCOMPARE(txByte(device, 0xF3), uchar(0));
    QVERIFY(device.ioPinState(7, transmit));
    QVERIFY(!device.ioPinState(2, transmit));

    device.setRxData(0xF2, QByteArray(1, char(0x81)));
    QCOMPARE(device.ioPortValue(0, receive), uchar(0x81));
}

void TestDS4520Device::pullUpsSurviveClearAndReplace()
{
    DS4520Device device(0, 0x50, QStringLiteral("io"));
    device.setTxData(QByteArray(248, char(0x33)));
    QCOMPARE(txByte(device, 0xEF), uchar(0x33));
    QCOMPARE(device.txData(0xF0, 3), QByteArray::fromHex("FF0133"));

    device.setTxData(QByteArray(248, '\0'));
    QCOMPARE(device.txData(0xF0, 2), QByteArray::fromHex("FF01"));

    device.setTxData(QByteArray(300, char(0x44)));
    QCOMPARE(device.txBuffer().size(), 300);
    QCOMPARE(device.txData(0xEF, 4), QByteArray::fromHex("44FF0144"));
}

void TestDS4520Device::offsetWriteLeavesEnablesAlone()
{
    DS4520Device device(0, 0x50, QStringLiteral("io"));
    device.setTxData(0xF0, QByteArray(1, '\0'));
    QCOMPARE(txByte(device, 0xF0), uchar(0));
    QCOMPARE(device.pullUpEnables(), QByteArray::fromHex("FF01"));

    // The new enable byte comes from the array, not from the buffer.
    device.setIoPinPullUpEnable(0, true);
    QCOMPARE(txByte(device, 0xF0), uchar(0xFF));
}

void TestDS4520Device::setPullUpEnables()
{
    DS4520Device device(0, 0x50, QStringLiteral("io"));
    device.setPullUpEnables(QByteArray::fromHex("0F00"));
    QCOMPARE(device.pullUpEnables(), QByteArray::fromHex("0F00"));
    QCOMPARE(device.txData(0xF0, 2), QByteArray::fromHex("0F00"));
    QVERIFY(device.ioPinPullUpEnable(3, transmit));
    QVERIFY(!device.ioPinPullUpEnable(4, transmit));
    QVERIFY(!device.ioPinPullUpEnable(8, transmit));
    QCOMPARE(device.rxData(0xF0, 2), QByteArray(2, '\0'));

    // A missing enable byte writes zero; setting a pin's pull-up fills it in.
    device.setPullUpEnables(QByteArray::fromHex("AA"));
    QCOMPARE(device.txData(0xF0, 2), QByteArray::fromHex("AA00"));
    device.setPullUpEnables(QByteArray());
    QCOMPARE(device.txData(0xF0, 2), QByteArray::fromHex("0000"));
    device.setIoPinPullUpEnable(8, true);
    QCOMPARE(device.pullUpEnables(), QByteArray::fromHex("0001"));
    QCOMPARE(device.txData(0xF0, 2), QByteArray::fromHex("0001"));
    QCOMPARE(device.txBuffer().size(), 248);
}

// A short whole image grows to hold the pull-up registers; setters grow it too.
void TestDS4520Device::shortImages()
{
    DS4520Device device(0, 0x50, QStringLiteral("io"));
    device.setTxData(QByteArray::fromHex("0102"));
    QByteArray expected(0xF2, '\0');
    expected[0] = 0x01;
    expected[1] = 0x02;
    expected[0xF0] = char(0xFF);
    expected[0xF1] = 0x01;
    QCOMPARE(device.txBuffer(), expected);

    device.setIoPinState(8, true);
    QCOMPARE(device.txBuffer(), expected + QByteArray::fromHex("0001"));
    QCOMPARE(device.ioPortValue(0, transmit), uchar(0));

    device.setRxData(QByteArray());
    QVERIFY(!device.ioPinState(8, receive));
    QCOMPARE(device.ioPortValue(0, receive), uchar(0));
}

void TestDS4520Device::negativePinsChangeNothing()
{
    DS4520Device device(0, 0x50, QStringLiteral("io"));
    device.setRxData(QByteArray(248, char(0xFF)));
    const QByteArray tx = device.txBuffer();
    device.setIoPinState(-1, true);
    device.setIoPinPullUpEnable(-3, false);
    QCOMPARE(device.txBuffer(), tx);
    QCOMPARE(device.pullUpEnables(), QByteArray::fromHex("FF01"));
    QVERIFY(!device.ioPinState(-1, receive));
    QVERIFY(!device.ioPinPullUpEnable(-1, receive));
}

QTEST_GUILESS_MAIN(TestDS4520Device)
#include "tst_ds4520device.moc"
