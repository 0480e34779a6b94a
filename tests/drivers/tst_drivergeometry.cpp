// The page geometry of the six part drivers: what the command generators read
// to cut each part's memory into transactions.

#include <QtTest/QtTest>

#include "driverfactory.h"

#include <writecycle.h>

#include <memory>

class TestDriverGeometry : public QObject
{
    Q_OBJECT

private slots:
    void identity_data();
    void identity();
    void pages_data();
    void pages();
    void newDeviceBuffers_data();
    void newDeviceBuffers();
    void writeCycleStarts_data();
    void writeCycleStarts();
};

void TestDriverGeometry::identity_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("partName");
    QTest::addColumn<QString>("className");
    QTest::addColumn<int>("memorySize");
    QTest::addColumn<int>("readPages");
    QTest::addColumn<int>("writePages");

    QTest::newRow("DS4520") << int(Device::DS4520) << "DS4520" << "DS4520Device" << 248 << 9 << 9;
    QTest::newRow("ISL22343") << int(Device::ISL22343) << "ISL22343" << "ISL22343Device" << 15 << 1 << 15;
    QTest::newRow("X95840") << int(Device::X95840) << "X95840" << "X95840Device" << 4 << 1 << 4;
    QTest::newRow("CAT24AA02") << int(Device::CAT24AA02) << "CAT24AA02" << "CAT24AA02Device" << 256 << 32 << 32;
    QTest::newRow("AD5144A") << int(Device::AD5144A) << "AD5144A" << "AD5144ADevice" << 4 << 4 << 4;
    QTest::newRow("X9408") << int(Device::X9408) << "X9408" << "X9408Device" << 4 << 0 << 4;
}

void TestDriverGeometry::identity()
{
    QFETCH(int, type);
    QFETCH(QString, partName);
    QFETCH(QString, className);
    QFETCH(int, memorySize);
    QFETCH(int, readPages);
    QFETCH(int, writePages);

    const std::unique_ptr<Device> device = createDevice(type, 1, 0x50);
    QCOMPARE(device->deviceType(), type);
    QCOMPARE(device->partName(), partName);
    QCOMPARE(device->deviceName(), partName);
    QCOMPARE(QString::fromLatin1(device->metaObject()->className()), className);
    QCOMPARE(device->memorySize(), memorySize);
    QCOMPARE(device->readPages(), readPages);
    QCOMPARE(device->writePages(), writePages);
    // A part without its line, or with a cycle of no time, would never be
    // waited for.
    const WriteCycle* const cycle = WriteCycle::of(type);
    QVERIFY(cycle);
    QCOMPARE(int(cycle->type), type);
    QVERIFY(cycle->typical > WriteCycle::Duration(0));
    QVERIFY(cycle->maximum >= cycle->typical);
}

void TestDriverGeometry::pages_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("readSize");
    QTest::addColumn<int>("readAddress");
    QTest::addColumn<int>("writeSize");
    QTest::addColumn<int>("writeAddress");

    QTest::newRow("DS4520 EEPROM page 7") << int(Device::DS4520) << 7 << 8 << 0x38 << 8 << 0x38;
    QTest::newRow("DS4520 register page 8 at 0xF0") << int(Device::DS4520) << 8 << 8 << 0xF0 << 8 << 0xF0;
    QTest::newRow("DS4520 page 9 follows the stride") << int(Device::DS4520) << 9 << 8 << 72 << 8 << 72;
    QTest::newRow("ISL22343 page 0") << int(Device::ISL22343) << 0 << 15 << 0 << 1 << 0;
    QTest::newRow("ISL22343 page 9: one register") << int(Device::ISL22343) << 9 << 15 << 0 << 1 << 9;
    QTest::newRow("X95840 page 3") << int(Device::X95840) << 3 << 4 << 0 << 1 << 3;
    QTest::newRow("CAT24AA02 page 1") << int(Device::CAT24AA02) << 1 << 8 << 8 << 8 << 8;
    QTest::newRow("CAT24AA02 page 31") << int(Device::CAT24AA02) << 31 << 8 << 0xF8 << 8 << 0xF8;
    QTest::newRow("CAT24AA02 page 32 lies past the memory") << int(Device::CAT24AA02) << 32 << 8 << 256 << 8 << 256;
    QTest::newRow("AD5144A page 3: channel 3") << int(Device::AD5144A) << 3 << 1 << 3 << 1 << 3;
    QTest::newRow("X9408 page 2: write only") << int(Device::X9408) << 2 << 0 << 0 << 1 << 2;
}

void TestDriverGeometry::pages()
{
    QFETCH(int, type);
    QFETCH(int, page);
    QFETCH(int, readSize);
    QFETCH(int, readAddress);
    QFETCH(int, writeSize);
    QFETCH(int, writeAddress);

    const std::unique_ptr<Device> device = createDevice(type, 1, 0x50);
    QCOMPARE(device->readPageSize(page), readSize);
    QCOMPARE(device->readPageAddress(page), readAddress);
    QCOMPARE(device->writePageSize(page), writeSize);
    QCOMPARE(device->writePageAddress(page), writeAddress);
}

void TestDriverGeometry::newDeviceBuffers_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("tx");

    QByteArray ds4520(248, '\0');
    ds4520[0xF0] = char(0xFF);
    ds4520[0xF1] = char(0x01);
    QTest::newRow("DS4520: pull-ups enabled in the transmit image") << int(Device::DS4520) << ds4520;
    QTest::newRow("ISL22343") << int(Device::ISL22343) << QByteArray(15, '\0');
    QTest::newRow("X95840") << int(Device::X95840) << QByteArray(4, '\0');
    QTest::newRow("CAT24AA02") << int(Device::CAT24AA02) << QByteArray(256, '\0');
    QTest::newRow("AD5144A") << int(Device::AD5144A) << QByteArray(4, '\0');
    QTest::newRow("X9408") << int(Device::X9408) << QByteArray(4, '\0');
}

// Every read page and write page lies inside the cleared buffers.
void TestDriverGeometry::newDeviceBuffers()
{
    QFETCH(int, type);
    QFETCH(QByteArray, tx);

    const std::unique_ptr<Device> device = createDevice(type, 1, 0x50);
    QCOMPARE(device->rxBuffer(), QByteArray(device->memorySize(), '\0'));
    QCOMPARE(device->txBuffer(), tx);
    QCOMPARE(device->busNumber(), quint8(1));
    QCOMPARE(device->busAddress(), quint8(0x50));
    for (int page = 0; page < device->readPages(); ++page)
        QVERIFY(device->readPageAddress(page) + device->readPageSize(page) <= device->memorySize());
    for (int page = 0; page < device->writePages(); ++page)
        QVERIFY(device->writePageAddress(page) + device->writePageSize(page) <= device->memorySize());
}

// Which write phases (the bytes after the address) start a part's cycle.
void TestDriverGeometry::writeCycleStarts_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<bool>("shadowing");
    QTest::addColumn<bool>("starts");

    const auto row = [](const char* name, Device::DeviceTypes type, const char* written, bool shadowing, bool starts) {
        QTest::newRow(name) << int(type) << QByteArray::fromHex(written) << shadowing << starts;
    };
    row("EEPROM page write", Device::CAT24AA02, "F8 0102030405060708", true, true);
    row("EEPROM pointer only, as before a read", Device::CAT24AA02, "00", true, false);
    row("nothing written", Device::CAT24AA02, "", true, false);
    row("expander EEPROM's last byte", Device::DS4520, "3F 01", true, true);
    row("expander SRAM", Device::DS4520, "40 01", true, false);
    row("expander write that runs into the pull-ups", Device::DS4520, "EF 01 02", true, true);
    row("expander pull-ups, shadowed", Device::DS4520, "F0 00", true, true);
    row("expander pull-ups, not shadowed", Device::DS4520, "F0 00", false, false);
    row("expander configuration register", Device::DS4520, "F4 01", true, false);
    row("ISL22343 wiper", Device::ISL22343, "00 40", true, true);
    row("ISL22343 past its registers", Device::ISL22343, "0F 40", true, false);
    row("X95840 wiper 3", Device::X95840, "03 80", true, true);
    row("X95840 access control", Device::X95840, "08 80", true, false);
    row("AD5144A copy of RDAC 2 to EEPROM", Device::AD5144A, "72 01", true, true);
    row("AD5144A restore from EEPROM", Device::AD5144A, "72 00", true, false);
    row("AD5144A RDAC write", Device::AD5144A, "10 80", true, false);
    row("X9408 transfer of wiper 1 to data register 2", Device::X9408, "E6", true, true);
    row("X9408 data register write", Device::X9408, "C4 3F", true, true);
    row("X9408 wiper write", Device::X9408, "A0 3F", true, false);
}

void TestDriverGeometry::writeCycleStarts()
{
    QFETCH(int, type);
    QFETCH(QByteArray, written);
    QFETCH(bool, shadowing);
    QFETCH(bool, starts);

    QCOMPARE(WriteCycle::of(type)->startsWith(written, shadowing), starts);
}

QTEST_GUILESS_MAIN(TestDriverGeometry)
#include "tst_drivergeometry.moc"
