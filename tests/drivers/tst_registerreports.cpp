// Register reports of the six part drivers, compared whole with the files in
// tests/data/drivers (the HTML table, then the text sections), and what each
// report leaves behind in the caller's stream.

#include <QtTest/QtTest>

#include "driverfactory.h"
#include "golden.h"
#include "reportexpectation.h"

#include <memory>

namespace {
QByteArray counting(const int& size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i);
    return bytes;
}

QByteArray withByte(QByteArray bytes, const int& at, const char& value)
{
    bytes[at] = value;
    return bytes;
}
} // namespace

class TestRegisterReports : public QObject
{
    Q_OBJECT

private slots:
    void reports_data();
    void reports();
    void htmlAddressDigitsFollowTheStream_data();
    void htmlAddressDigitsFollowTheStream();
    void streamStateLeftBehind_data();
    void streamStateLeftBehind();
};

void TestRegisterReports::reports_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("rx");
    QTest::addColumn<QByteArray>("tx");
    QTest::addColumn<QString>("golden");

    const auto row = [](const char* name, const Device::DeviceTypes type, const QByteArray& rx,
                        const QByteArray& tx, const char* golden) {
        QTest::newRow(name) << int(type) << rx << tx << QString::fromLatin1(golden);
    };
    const QByteArray z4(4, '\0'), z15(15, '\0'), z256(256, '\0');
    row("ISL22343 new device: nothing marked", Device::ISL22343, z15, z15, "isl22343-new");
    row("ISL22343 changed EEPROM byte marks only the EEPROM row", Device::ISL22343, z15,
        withByte(z15, 5, char(0xAB)), "isl22343-eeprom-changed");
    row("ISL22343 empty receive buffer marks every row", Device::ISL22343, QByteArray(),
        QByteArray::fromHex("0A0B0C0D00000000000000000000FF"), "isl22343-empty-receive");
    row("ISL22343 short receive buffer is clipped, not padded", Device::ISL22343,
        QByteArray::fromHex("0102030405"), QByteArray::fromHex("010203040500000000000000000000"),
        "isl22343-short-receive");
    row("X95840 differing IVR2", Device::X95840, QByteArray::fromHex("01020004"),
        QByteArray::fromHex("01020304"), "x95840");
    row("X9408 new device", Device::X9408, z4, z4, "x9408-new");
    row("X9408 marked address cell opens on a line of its own", Device::X9408, z4,
        QByteArray::fromHex("00800000"), "x9408-marked");
    row("AD5144A differing RDAC4", Device::AD5144A, QByteArray::fromHex("10203040"),
        QByteArray::fromHex("102030A1"), "ad5144a");
    row("CAT24AA02 new device: 32 plain rows", Device::CAT24AA02, z256, z256, "cat24aa02-new");
    row("CAT24AA02 transmit byte 9 and the last received byte mark their rows", Device::CAT24AA02,
        withByte(z256, 255, char(0xEE)), withByte(z256, 9, 0x5C), "cat24aa02-two-rows-marked");
    row("CAT24AA02 receive buffer of 20 bytes: later rows empty and marked", Device::CAT24AA02,
        z256.left(20), z256, "cat24aa02-short-receive");
    row("CAT24AA02 every byte its own address", Device::CAT24AA02, z256, counting(256),
        "cat24aa02-counting");
    row("DS4520 new device: pull-ups marked", Device::DS4520, QByteArray(248, '\0'),
        QByteArray(248, '\0'), "ds4520-new");
    // Bytes outside every modelled row (0x80) change no cell.
    QByteArray image = createDevice(Device::DS4520)->txBuffer();
    row("DS4520 user EEPROM byte marks its row, a reserved byte none", Device::DS4520,
        withByte(withByte(image, 0x80, 0x77), 0xF6, 0x42), image, "ds4520-user-eeprom-marked");
}

void TestRegisterReports::reports()
{
    QFETCH(int, type);
    QFETCH(QByteArray, rx);
    QFETCH(QByteArray, tx);
    QFETCH(QString, golden);

    const std::unique_ptr<Device> device = createDevice(type);
    device->setRxData(rx);
    device->setTxData(tx);
    QUELM_COMPARE_GOLDEN(Expect::htmlOf(*device).toUtf8(), "drivers/" + golden + ".html");
    QUELM_COMPARE_GOLDEN(Expect::textOf(*device).toUtf8(), "drivers/" + golden + ".txt");
}

void TestRegisterReports::htmlAddressDigitsFollowTheStream_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("golden");

    QTest::newRow("CAT24AA02") << int(Device::CAT24AA02) << QStringLiteral("cat24aa02");
    QTest::newRow("DS4520") << int(Device::DS4520) << QStringLiteral("ds4520");
}

// HTML reports never set the number flags: after a text report on the same
// stream, the hex addresses come out in upper case.
void TestRegisterReports::htmlAddressDigitsFollowTheStream()
{
    QFETCH(int, type);
    QFETCH(QString, golden);

    const std::unique_ptr<Device> device = createDevice(type);
    QString sink;
    QTextStream stream(&sink);
    QUELM_COMPARE_GOLDEN(Expect::runHtml(*device, stream, sink).toUtf8(), "drivers/" + golden + "-new.html");
    Expect::runText(*device, stream, sink);
    QUELM_COMPARE_GOLDEN(Expect::runHtml(*device, stream, sink).toUtf8(),
                         "drivers/" + golden + "-upper-case.html");
}

void TestRegisterReports::streamStateLeftBehind_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("text");
    QTest::addColumn<int>("base"); // 0: the base of a new stream, untouched
    QTest::addColumn<QString>("after");

    // Printed after the report: 255 in the base and digit case it left behind.
    // Every report but the X95840's switches to hex; the AD5144A's text only.
    const struct
    {
        const char* name;
        Device::DeviceTypes type;
        bool textHex, htmlHex;
    } devices[] = {{"DS4520", Device::DS4520, true, true},      {"ISL22343", Device::ISL22343, true, true},
                   {"X95840", Device::X95840, false, false},    {"X9408", Device::X9408, true, true},
                   {"AD5144A", Device::AD5144A, true, false},   {"CAT24AA02", Device::CAT24AA02, true, true}};
    for (const auto& device : devices) {
        QTest::addRow("%s text", device.name) << int(device.type) << true << (device.textHex ? 16 : 0)
                                              << QString::fromLatin1(device.textHex ? "FF" : "255");
        QTest::addRow("%s html", device.name) << int(device.type) << false << (device.htmlHex ? 16 : 0)
                                              << QString::fromLatin1(device.htmlHex ? "+0xff" : "+255");
    }
}

// The reports restore nothing: a text report replaces the flags with upper-case
// digits alone, an HTML report keeps the caller's flags; hex stays once applied.
void TestRegisterReports::streamStateLeftBehind()
{
    QFETCH(int, type);
    QFETCH(bool, text);
    QFETCH(int, base);
    QFETCH(QString, after);

    const std::unique_ptr<Device> device = createDevice(type);
    QString sink;
    QTextStream stream(&sink);
    const QTextStream::NumberFlags callerFlags = QTextStream::ShowBase | QTextStream::ForceSign;
    stream.setNumberFlags(callerFlags);
    if (text)
        Expect::runText(*device, stream, sink);
    else
        Expect::runHtml(*device, stream, sink);

    QCOMPARE(stream.integerBase(), base);
    QCOMPARE(stream.numberFlags(), text ? QTextStream::NumberFlags(QTextStream::UppercaseDigits) : callerFlags);
    sink.clear();
    stream << 255;
    stream.flush();
    QCOMPARE(sink, after);
}

QTEST_GUILESS_MAIN(TestRegisterReports)
#include "tst_registerreports.moc"
