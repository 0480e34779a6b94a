// The six part drivers as the factory makes them: their page geometry (what
// the command generators read to cut each part's memory into transactions),
// which writes start a part's write cycle, their register reports compared
// whole with the files in tests/data/drivers and what each leaves behind in
// the caller's stream, and the DS4520's pins, port and pull-ups in its
// registers at 0xF0 to 0xF3.

#include <QtTest/QtTest>

#include "driverfactory.h"
#include "golden.h"

#include <ds4520device.h>
#include <parts.h>
#include <writecycle.h>

#include <functional>
#include <memory>

using Edit = std::function<void(DS4520Device&)>;
Q_DECLARE_METATYPE(Edit)

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
// A transmit image of size bytes of fill, with registers from 0xF0 on.
QByteArray image(const char* registers, const int& size = 248, const char& fill = '\0')
{
    QByteArray bytes(size, fill);
    const QByteArray values = QByteArray::fromHex(registers);
    return bytes.replace(0xF0, values.size(), values);
}
} // namespace

class TestDrivers : public QObject
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

    // The part table, line by line: line n is type n, and the driver a line
    // makes is of that type, answers with that line's geometry and has the
    // write cycle WriteCycle::of finds. Only the types without a driver have
    // no write cycle.
    void partTable()
    {
        QStringList lines;
        for (const Part& part : Part::table()) {
            QString line = QString::number(part.type) + ' ' + part.name;
            if (part.create) {
                const std::unique_ptr<Device> device(part.create(0, 0x50, QStringLiteral("line")));
                const auto* const paged = dynamic_cast<const PagedDevice*>(device.get());
                line += QStringLiteral(": %1 of type %2").arg(device->metaObject()->className()).arg(device->deviceType());
                if (paged && &paged->geometry() == &part.geometry)
                    line += QStringLiteral(", the line's geometry");
            }
            if (part.writeCycle && WriteCycle::of(part.type) && WriteCycle::of(part.type)->source == part.writeCycle->source)
                line += QStringLiteral(", its write cycle");
            lines << line;
        }
        QCOMPARE(lines, QStringList({"0 SC18IM700",
                                     "1 DS4520: DS4520Device of type 1, the line's geometry, its write cycle",
                                     "2 ISL22343: ISL22343Device of type 2, the line's geometry, its write cycle",
                                     "3 X95840: X95840Device of type 3, the line's geometry, its write cycle",
                                     "4 M25P40",
                                     "5 CAT24AA02: CAT24AA02Device of type 5, the line's geometry, its write cycle",
                                     "6 AD5144A: AD5144ADevice of type 6, the line's geometry, its write cycle",
                                     "7 X9408: X9408Device of type 7, the line's geometry, its write cycle"}));
        QCOMPARE(Part::of(-1), nullptr);
        QCOMPARE(Part::of(int(lines.size())), nullptr);
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

    // The pull-up registers keep the enables array through every clear or
    // whole-image write of the transmit buffer.
    void ds4520Writes_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QByteArray>("tx");
        QTest::addColumn<QByteArray>("enables");

        // The enables array is the transmit image's 0xF0/0xF1 unless the row says otherwise.
        const auto row = [](const char* name, const Edit& edit, const QByteArray& tx, const char* enables = nullptr) {
            QTest::newRow(name) << edit << tx << (enables ? QByteArray::fromHex(enables) : tx.mid(0xF0, 2));
        };
        using D = DS4520Device;
        const auto states = [](D& device) { device.setTxData(0xF2, QByteArray::fromHex("5A5A")); };
        row("pin 0 on keeps the other bits", [=](D& d) { states(d), d.setIoPinState(0, true); }, image("FF015B5A"));
        row("pin 3 off keeps the other bits", [=](D& d) { states(d), d.setIoPinState(3, false); }, image("FF01525A"));
        row("pin 8 is bit 0 of 0xF3", [=](D& d) { states(d), d.setIoPinState(8, true); }, image("FF015A5B"));
        row("pin 12 acts as pin 8", [](D& d) { d.setIoPinState(8, true), d.setIoPinState(12, false); }, image("FF010000"));
        row("negative pins change nothing", [](D& d) { d.setIoPinState(-1, true), d.setIoPinPullUpEnable(-3, false); },
            image("FF01"));
        row("port value: the port number is ignored", [](D& d) { d.setIoPortValue(5, 0xC3); }, image("FF01C300"));
        row("pin 2 pull-up off", [](D& d) { d.setIoPinPullUpEnable(2, false); }, image("FB01"));
        row("pin 9 pull-up acts as pin 8", [](D& d) { d.setIoPinPullUpEnable(9, false); }, image("FF00"));
        row("pull-up off survives a clear",
            [](D& d) { d.setIoPinPullUpEnable(8, false), d.setTxData(0xF2, "\x01"), d.clearTxData(); }, image("FF00"));
        row("whole image keeps the pull-ups", [](D& d) { d.setTxData(QByteArray(248, 0x33)); }, image("FF01", 248, 0x33));
        row("longer image keeps its size", [](D& d) { d.setTxData(QByteArray(300, 0x44)); }, image("FF01", 300, 0x44));
        row("short image grows to hold the pull-ups", [](D& d) { d.setTxData(QByteArray::fromHex("0102")); },
            image("FF01", 0xF2).replace(0, 2, "\x01\x02"));
        row("pin 8 grows a short image", [](D& d) { d.setTxData(QByteArray(2, 0)), d.setIoPinState(8, true); },
            image("FF010001", 0xF4));
        row("offset write to 0xF0 leaves the enables alone", [](D& d) { d.setTxData(0xF0, QByteArray(1, 0)); },
            image("0001"), "FF01");
        row("pin pull-up takes its byte from the enables, not the buffer",
            [](D& d) { d.setTxData(0xF0, QByteArray(1, 0)), d.setIoPinPullUpEnable(0, true); }, image("FF01"));
        row("enables replaced", [](D& d) { d.setPullUpEnables(QByteArray::fromHex("0F00")); }, image("0F00"));
        row("a missing enable byte writes zero", [](D& d) { d.setPullUpEnables("\xAA"); }, image("AA00"), "AA");
        row("a pin pull-up fills in missing enable bytes",
            [](D& d) { d.setPullUpEnables(QByteArray()), d.setIoPinPullUpEnable(8, true); }, image("0001"));
    }

    void ds4520Writes()
    {
        QFETCH(Edit, edit);
        QFETCH(QByteArray, tx);
        QFETCH(QByteArray, enables);

        DS4520Device device(0, 0x50, QStringLiteral("io"));
        edit(device);
        QCOMPARE(device.txBuffer(), tx);
        QCOMPARE(device.pullUpEnables(), enables);
        QCOMPARE(device.rxBuffer(), QByteArray(248, '\0'));
    }

    void ds4520Reads_data()
    {
        QTest::addColumn<QByteArray>("rx");
        QTest::addColumn<int>("pin");
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("read"); // the pin's state and pull-up, the port

        // Received 0F 00 81 00 at 0xF0, transmitting F0 01 08 01. Any source but
        // 0 reads the transmit buffer; the port number (the pin's here) is ignored.
        const auto row = [](const char* name, const QByteArray& rx, int pin, int source, const char* read) {
            QTest::newRow(name) << rx << pin << source << QString::fromLatin1(read);
        };
        const QByteArray rx = image("0F008100");
        row("pin 0 received", rx, 0, 0, "high, pull-up on, port 81");
        row("pin 7 received", rx, 7, 0, "high, pull-up off, port 81");
        row("pin 3 to transmit", rx, 3, 1, "high, pull-up off, port 08");
        row("pin 4 to transmit", rx, 4, 1, "low, pull-up on, port 08");
        row("pin 8 received: bit 0 of the second registers", rx, 8, 0, "low, pull-up off, port 81");
        row("pin 8 to transmit", rx, 8, 1, "high, pull-up on, port 08");
        row("pin 12 acts as pin 8", rx, 12, 1, "high, pull-up on, port 08");
        row("source 7 reads the transmit buffer", rx, 3, 7, "high, pull-up off, port 08");
        row("negative pin reads low", QByteArray(248, char(0xFF)), -1, 0, "low, pull-up off, port FF");
        row("empty receive buffer reads low", QByteArray(), 8, 0, "low, pull-up off, port 00");
    }

    void ds4520Reads()
    {
        QFETCH(QByteArray, rx);
        QFETCH(int, pin);
        QFETCH(int, source);

        DS4520Device device(0, 0x50, QStringLiteral("io"));
        device.setRxData(rx);
        device.setTxData(0xF0, QByteArray::fromHex("F0010801"));
        const QString port = QString::number(device.ioPortValue(pin, source), 16).toUpper().rightJustified(2, '0');
        const char* const state = device.ioPinState(pin, source) ? "high" : "low";
        const char* const pullUp = device.ioPinPullUpEnable(pin, source) ? "on" : "off";
        QTEST(QStringLiteral("%1, pull-up %2, port %3").arg(state, pullUp, port), "read");
    }
};

QTEST_GUILESS_MAIN(TestDrivers)
#include "tst_drivers.moc"
