#include "fieldfixture.h"

#include <ds4520device.h>
#include <iopinfield.h>
#include <ioportfield.h>

#include <QtTest/QtTest>

namespace {
constexpr int pullUpOn = 0x01;
constexpr int activeHigh = 0x02;
} // namespace

class TestIoFields : public QObject
{
    Q_OBJECT

private slots:
    void pinConstruction_data();
    void pinConstruction();
    void pinMapToEmbeddedData_data();
    void pinMapToEmbeddedData();
    void pinMapFromEmbeddedData_data();
    void pinMapFromEmbeddedData();
    void pinTexts();
    void portConstruction_data();
    void portConstruction();
    void portMapping();
    void withoutModelOrDevice();
    void ds4520Pin();
    void ds4520Port();
};

void TestIoFields::pinConstruction_data()
{
    QTest::addColumn<QVariant>("pin");
    QTest::addColumn<int>("configuration");
    QTest::addColumn<int>("expectedPin");
    QTest::addColumn<bool>("expectedPullUp");
    QTest::addColumn<int>("expectedActiveHigh");

    QTest::newRow("active high, no pull-up") << QVariant(3) << activeHigh << 3 << false << 1;
    QTest::newRow("active low, pull-up") << QVariant(3) << pullUpOn << 3 << true << 0;
    QTest::newRow("both bits") << QVariant(8) << (activeHigh | pullUpOn) << 8 << true << 1;
    QTest::newRow("higher bits ignored") << QVariant(0) << 0xFC << 0 << false << 0;
    QTest::newRow("pin above 8 bits") << QVariant(0x105) << pullUpOn << 5 << true << 0;
}

void TestIoFields::pinConstruction()
{
    QFETCH(QVariant, pin);
    QFETCH(int, configuration);
    QFETCH(int, expectedPin);
    QFETCH(bool, expectedPullUp);
    QFETCH(int, expectedActiveHigh);
    QuelmModel model(1, 15);
    fillRow(model, 0, {QVariant(), 3, pin, 4, configuration});
    RecordingDevice device;

    const IoPinField field(&model, 0, &device);

    QCOMPARE(int(field.address()), expectedPin);
    QCOMPARE(int(field.size()), 1);
    QCOMPARE(field.activeHigh(), expectedActiveHigh);
    QCOMPARE(device.pullUps, (QMap<int, bool>{{expectedPin, expectedPullUp}}));
    QVERIFY(device.transmitPins.isEmpty());
}

void TestIoFields::pinMapToEmbeddedData_data()
{
    QTest::addColumn<int>("configuration");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("expectedState");

    QTest::newRow("active high, 0x03 sets") << activeHigh << QByteArray::fromHex("03") << true;
    QTest::newRow("active high, 0x02 clears") << activeHigh << QByteArray::fromHex("02") << false;
    QTest::newRow("active high, later bytes ignored") << activeHigh << QByteArray::fromHex("00FF")
                                                      << false;
    QTest::newRow("active low, 0x01 clears") << pullUpOn << QByteArray::fromHex("01") << false;
    QTest::newRow("active low, 0x00 sets") << pullUpOn << QByteArray::fromHex("00") << true;
    QTest::newRow("active high, empty clears") << activeHigh << QByteArray() << false;
    QTest::newRow("active low, empty sets") << 0 << QByteArray() << true;
}

void TestIoFields::pinMapToEmbeddedData()
{
    QFETCH(int, configuration);
    QFETCH(QByteArray, value);
    QFETCH(bool, expectedState);
    QuelmModel model(1, 15);
    fillRow(model, 0, {value, 3, 6, 1, configuration});
    RecordingDevice device;
    IoPinField field(&model, 0, &device);

    field.mapToEmbeddedData();

    QCOMPARE(device.transmitPins, (QMap<int, bool>{{6, expectedState}}));
    QCOMPARE(device.txBuffer(), QByteArray(256, '\0'));
}

void TestIoFields::pinMapFromEmbeddedData_data()
{
    QTest::addColumn<int>("configuration");
    QTest::addColumn<bool>("receivedState");
    QTest::addColumn<QByteArray>("expectedValue");
    QTest::addColumn<int>("expectedTransmitState");

    QTest::newRow("active high, pin 1") << activeHigh << true << QByteArray::fromHex("01") << 1;
    QTest::newRow("active high, pin 0") << activeHigh << false << QByteArray::fromHex("00") << 1;
    QTest::newRow("active low, pin 0") << pullUpOn << false << QByteArray::fromHex("01") << 0;
    QTest::newRow("active low, pin 1") << pullUpOn << true << QByteArray::fromHex("00") << 0;
}

void TestIoFields::pinMapFromEmbeddedData()
{
    QFETCH(int, configuration);
    QFETCH(bool, receivedState);
    QFETCH(QByteArray, expectedValue);
    QFETCH(int, expectedTransmitState);
    QuelmModel model(1, 15);
    fillRow(model, 0, {QByteArray::fromHex("EE"), 3, 2, 1, configuration});
    RecordingDevice device;
    device.receivedPins[2] = receivedState;
    device.transmitPins[2] = true;
    IoPinField field(&model, 0, &device);

    field.mapFromEmbeddedData();

    QCOMPARE(modelValue(model, 0), expectedValue);
    // The source goes to the device unchanged: 1 asks for the state to transmit.
    QCOMPARE(field.ioPinState(1), expectedTransmitState);
}

void TestIoFields::pinTexts()
{
    QuelmModel model(1, 15);
    fillRow(model, 0, {QVariant(), 3, 300, 1, activeHigh | pullUpOn});
    const IoPinField field(&model, 0, nullptr);

    // The text keeps the whole number; the address keeps its low 8 bits.
    QCOMPARE(field.memoryAddressToString(), QStringLiteral("IO_300"));
    QCOMPARE(int(field.address()), 44);
    QCOMPARE(field.memoryConfigToString(), QStringLiteral("Bit 3"));
}

void TestIoFields::portConstruction_data()
{
    QTest::addColumn<QByteArray>("enables");
    QTest::addColumn<int>("configuration");
    QTest::addColumn<QByteArray>("expectedEnables");

    QTest::newRow("pin 8 kept") << QByteArray::fromHex("FFFF") << 0x5A << QByteArray::fromHex("5AFF");
    QTest::newRow("none yet") << QByteArray() << 0x5A << QByteArray::fromHex("5A");
    QTest::newRow("low 8 bits only") << QByteArray::fromHex("0001") << 0x1A5
                                     << QByteArray::fromHex("A501");
}

void TestIoFields::portConstruction()
{
    QFETCH(QByteArray, enables);
    QFETCH(int, configuration);
    QFETCH(QByteArray, expectedEnables);
    QuelmModel model(1, 15);
    fillRow(model, 0, {QVariant(), 2, 0, 3, configuration});
    RecordingDevice device;
    device.setPullUpBytes(enables);

    const IoPortField field(&model, 0, &device);

    QCOMPARE(device.pullUpEnables(), expectedEnables);
    QCOMPARE(int(field.size()), 1);
    QCOMPARE(field.memoryConfigToString(), QStringLiteral("Byte %1").arg(configuration));
}

void TestIoFields::portMapping()
{
    QuelmModel model(1, 15);
    fillRow(model, 0, {QByteArray::fromHex("C3FF"), 2, 1, 1, 0});
    RecordingDevice device;
    device.receivedPorts[1] = 0xA5;
    IoPortField field(&model, 0, &device);

    field.mapToEmbeddedData();
    QCOMPARE(device.ports, (QMap<int, unsigned char>{{1, 0xC3}}));

    field.mapFromEmbeddedData();
    QCOMPARE(modelValue(model, 0), QByteArray::fromHex("A5"));

    model.setData(model.index(0, Field::ValueColumn), QByteArray(), Qt::EditRole);
    field.mapToEmbeddedData();
    QCOMPARE(device.ports, (QMap<int, unsigned char>{{1, 0x00}}));
}

void TestIoFields::withoutModelOrDevice()
{
    QuelmModel model(1, 15);
    fillRow(model, 0, {QByteArray::fromHex("01"), 3, 2, 1, pullUpOn});
    RecordingDevice device;
    device.setPullUpBytes(QByteArray::fromHex("FF01"));
    device.receivedPins[0] = true;
    device.receivedPorts[0] = 0x77;

    IoPinField pinWithoutModel(nullptr, 0, &device);
    IoPortField portWithoutModel(nullptr, 0, &device);
    IoPinField pinWithoutDevice(&model, 0, nullptr);
    IoPortField portWithoutDevice(&model, 0, nullptr);
    for (Field* const field : std::initializer_list<Field*>{
             &pinWithoutModel, &portWithoutModel, &pinWithoutDevice, &portWithoutDevice}) {
        field->mapToEmbeddedData();
        field->mapFromEmbeddedData();
    }

    QVERIFY(device.pullUps.isEmpty());
    QVERIFY(device.transmitPins.isEmpty());
    QVERIFY(device.ports.isEmpty());
    QCOMPARE(device.pullUpEnables(), QByteArray::fromHex("FF01"));
    QCOMPARE(modelValue(model, 0), QByteArray::fromHex("01"));
    QCOMPARE(pinWithoutModel.ioPinState(0), 0);
    QCOMPARE(pinWithoutDevice.ioPinState(0), 0);
    QCOMPARE(pinWithoutModel.memoryAddressToString(), QString());
    QCOMPARE(portWithoutModel.memoryConfigToString(), QString());
}

// The real expander keeps pins and pull-ups in its register page at 0xF0.
void TestIoFields::ds4520Pin()
{
    QuelmModel model(2, 15);
    fillRow(model, 0, {QByteArray::fromHex("00"), 3, 3, 1, pullUpOn});
    fillRow(model, 1, {QByteArray::fromHex("01"), 3, 8, 1, activeHigh});
    DS4520Device device(0, 0x50, QStringLiteral("expander"));
    IoPinField activeLowPin(&model, 0, &device);
    IoPinField pinEight(&model, 1, &device);
    QCOMPARE(device.txData(0xF0, 2), QByteArray::fromHex("FF00"));

    activeLowPin.mapToEmbeddedData();
    pinEight.mapToEmbeddedData();
    QCOMPARE(device.txData(0xF2, 2), QByteArray::fromHex("0801"));

    device.setRxData(0xF2, QByteArray::fromHex("0801"));
    activeLowPin.mapFromEmbeddedData();
    pinEight.mapFromEmbeddedData();
    QCOMPARE(modelValue(model, 0), QByteArray::fromHex("00"));
    QCOMPARE(modelValue(model, 1), QByteArray::fromHex("01"));
}

void TestIoFields::ds4520Port()
{
    QuelmModel model(1, 15);
    fillRow(model, 0, {QByteArray::fromHex("3C"), 2, 0, 1, 0x5A});
    DS4520Device device(0, 0x50, QStringLiteral("expander"));
    device.setPullUpEnables(QByteArray::fromHex("FFFF"));
    IoPortField port(&model, 0, &device);
    QCOMPARE(device.pullUpEnables(), QByteArray::fromHex("5AFF"));
    QCOMPARE(device.txData(0xF0, 2), QByteArray::fromHex("5AFF"));

    port.mapToEmbeddedData();
    QCOMPARE(device.txData(0xF2, 1), QByteArray::fromHex("3C"));

    device.setRxData(0xF2, QByteArray::fromHex("A5"));
    port.mapFromEmbeddedData();
    QCOMPARE(modelValue(model, 0), QByteArray::fromHex("A5"));
}

QTEST_GUILESS_MAIN(TestIoFields)
#include "tst_iofields.moc"
