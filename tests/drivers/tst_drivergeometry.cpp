// The six part drivers as the factory makes them, their page geometry (what
// the command generators read to cut each part's memory into transactions)
// and which writes start a part's write cycle.

#include <QtTest/QtTest>

#include "driverfactory.h"
#include "golden.h"

#include <writecycle.h>

#include <memory>

class TestDriverGeometry : public QObject
{
    Q_OBJECT

private slots:
    void newDevice_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("identity");
        QTest::addColumn<QByteArray>("tx");
        QTest::addColumn<QString>("dirtyPages");

        const auto row = [](const char* part, const Device::DeviceTypes type, const int& size, const char* pages,
                            const char* dirty = "") {
            QByteArray tx(size, '\0');
            if (type == Device::DS4520)
                tx.replace(0xF0, 2, "\xFF\x01"); // the pull-ups enabled in the transmit image
            const QString identity = QStringLiteral("%1Device %1 %1 on 1 at 0x50: %2 bytes, %3").arg(part).arg(size);
            QTest::newRow(part) << int(type) << identity.arg(pages) << tx << QString::fromLatin1(dirty);
        };
        row("DS4520", Device::DS4520, 248, "9 read and 9 write pages", "read 8 write 8");
        row("ISL22343", Device::ISL22343, 15, "1 read and 15 write pages");
        row("X95840", Device::X95840, 4, "1 read and 4 write pages");
        row("CAT24AA02", Device::CAT24AA02, 256, "32 read and 32 write pages");
        row("AD5144A", Device::AD5144A, 4, "4 read and 4 write pages");
        row("X9408", Device::X9408, 4, "0 read and 4 write pages");
    }

    // A new driver: its names, sizes and cleared buffers, which a clear restores;
    // every page lies inside them, and where they differ is dirty.
    void newDevice()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, tx);
        QFETCH(QString, dirtyPages);

        const std::unique_ptr<Device> device = createDevice(type, 1, 0x50);
        QCOMPARE(device->deviceType(), type);
        const int size = device->memorySize();
        QTEST(QStringLiteral("%1 %2 %3 on %4 at 0x%5: %6 bytes, %7 read and %8 write pages")
                  .arg(QString::fromLatin1(device->metaObject()->className()), device->partName(), device->deviceName())
                  .arg(device->busNumber())
                  .arg(device->busAddress(), 0, 16)
                  .arg(size)
                  .arg(device->readPages())
                  .arg(device->writePages()),
              "identity");
        QCOMPARE(device->rxBuffer(), QByteArray(size, '\0'));
        QCOMPARE(device->txBuffer(), tx);
        QStringList dirty;
        for (int page = 0; page < qMax(device->readPages(), device->writePages()); ++page) {
            QVERIFY(page >= device->readPages() || device->readPageAddress(page) + device->readPageSize(page) <= size);
            QVERIFY(page >= device->writePages() || device->writePageAddress(page) + device->writePageSize(page) <= size);
            if (page < device->readPages() && device->readPageIsDirty(page))
                dirty << QStringLiteral("read %1").arg(page);
            if (page < device->writePages() && device->writePageIsDirty(page))
                dirty << QStringLiteral("write %1").arg(page);
        }
        QCOMPARE(dirty.join(' '), dirtyPages);
        QCOMPARE(device->isDirty(), !dirtyPages.isEmpty());

        device->setRxData(QByteArray(300, 'x'));
        device->setTxData(QByteArray(2, 'x'));
        device->clearRxData();
        device->clearTxData();
        QCOMPARE(device->rxBuffer(), QByteArray(size, '\0'));
        QCOMPARE(device->txBuffer(), tx);
        // A part without its line, or with a cycle of no time, would never be waited for.
        const WriteCycle* const cycle = WriteCycle::of(type);
        QVERIFY(cycle && int(cycle->type) == type);
        QVERIFY(cycle->typical > WriteCycle::Duration(0) && cycle->maximum >= cycle->typical);
    }

    // Every page of every part and the one past the last, as the command
    // generators read them.
    void pages()
    {
        QByteArray dump;
        for (const int type : {Device::DS4520, Device::ISL22343, Device::X95840, Device::CAT24AA02, Device::AD5144A, Device::X9408}) {
            const std::unique_ptr<Device> device = createDevice(type);
            dump += device->partName().toLatin1() + '\n';
            for (int page = 0; page <= qMax(device->readPages(), device->writePages()); ++page)
                dump += QStringLiteral("  page %1: read %2 at 0x%3, write %4 at 0x%5\n")
                            .arg(page)
                            .arg(device->readPageSize(page))
                            .arg(QString::number(device->readPageAddress(page), 16).toUpper())
                            .arg(device->writePageSize(page))
                            .arg(QString::number(device->writePageAddress(page), 16).toUpper())
                            .toLatin1();
        }
        QUELM_COMPARE_GOLDEN(dump, QStringLiteral("drivers/pages.txt"));
    }

    // Which write phases (the bytes after the address) start a part's cycle.
    void writeCycleStarts_data()
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

    void writeCycleStarts()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, written);
        QFETCH(bool, shadowing);

        QTEST(WriteCycle::of(type)->startsWith(written, shadowing), "starts");
    }
};

QTEST_GUILESS_MAIN(TestDriverGeometry)
#include "tst_drivergeometry.moc"
