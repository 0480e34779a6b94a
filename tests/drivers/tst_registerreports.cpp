// Register reports of the six part drivers, compared whole with the files in
// tests/data/drivers, and what each report leaves behind in the caller's stream.

#include <QtTest/QtTest>

#include "driverfactory.h"
#include "golden.h"

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
    void reports_data()
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
        row("ISL22343 changed EEPROM byte marks only the EEPROM row", Device::ISL22343, z15,
            withByte(z15, 5, char(0xAB)), "isl22343-eeprom-changed");
        row("ISL22343 empty receive buffer marks every row", Device::ISL22343, QByteArray(),
            QByteArray::fromHex("0A0B0C0D00000000000000000000FF"), "isl22343-empty-receive");
        row("ISL22343 short receive buffer is clipped, not padded", Device::ISL22343,
            QByteArray::fromHex("0102030405"), QByteArray::fromHex("010203040500000000000000000000"),
            "isl22343-short-receive");
        row("X95840 differing IVR2", Device::X95840, QByteArray::fromHex("01020004"),
            QByteArray::fromHex("01020304"), "x95840");
        row("X9408 marked address cell opens on a line of its own", Device::X9408, z4,
            QByteArray::fromHex("00800000"), "x9408-marked");
        row("AD5144A differing RDAC4", Device::AD5144A, QByteArray::fromHex("10203040"),
            QByteArray::fromHex("102030A1"), "ad5144a");
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

    // Each golden file: the HTML report on a new stream and a number after it,
    // the text report on the stream given other flags and a number, the HTML
    // report again and a number. The reports restore nothing: a text report
    // leaves upper-case digits alone in the flags, an HTML report keeps them,
    // and hex stays once applied, so the numbers show what each report leaves.
    void reports()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, rx);
        QFETCH(QByteArray, tx);
        QFETCH(QString, golden);

        const std::unique_ptr<Device> device = createDevice(type);
        device->setRxData(rx);
        device->setTxData(tx);
        QString text;
        QTextStream stream(&text);
        device->toHtml(stream) << "-- 255 after the HTML report: " << 255 << "\n";
        stream.setNumberFlags(QTextStream::ShowBase | QTextStream::ForceSign);
        device->output(stream) << "-- 255 after the text report: " << 255 << "\n";
        device->toHtml(stream) << "-- 255 after the second HTML report: " << 255 << "\n";
        stream.flush();
        QUELM_COMPARE_GOLDEN(text.toUtf8(), "drivers/" + golden + ".txt");
    }
};

QTEST_GUILESS_MAIN(TestRegisterReports)
#include "tst_registerreports.moc"
