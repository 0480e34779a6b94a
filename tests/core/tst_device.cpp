// The device base: padded reads, growing writes, dirty tests per page, page
// numbers outside the memory, clears, identity and the type names.

#include <quelmdevices/quelmdevices.h>

#include <QtTest/QtTest>

#include "hex.h"

#include <climits>

// Two 4-byte pages at 0 and 4 in an 8-byte memory: page edges are easy to see.
struct SmallDevice : PagedDevice {
    explicit SmallDevice(const int type = Device::CAT24AA02) : PagedDevice(0, 0x50, QStringLiteral("small"), nullptr)
    {
        initialize(), m_deviceType = type;
    }
    const DeviceGeometry& geometry() const override { return layout; }
    static const DeviceGeometry layout;
};

const DeviceGeometry SmallDevice::layout = {Device::CAT24AA02, 8, {2, 4, 4}, {2, 4, 4}};

class tst_Device : public QObject
{
    Q_OBJECT

private slots:
    // Positions outside a buffer read as zero; a write past the end grows it,
    // zero-filling any gap.
    void rangesOfTheBuffers_data()
    {
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("read"); // as many bytes as it holds
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("inside") << hex("0001020304") << 1 << hex("0102") << hex("AABB") << hex("00AABB0304");
        QTest::newRow("across the end") << hex("0102") << 1 << hex("020000") << hex("AABBCC") << hex("01AABBCC");
        QTest::newRow("empty buffer, gap zero-filled") << QByteArray() << 3 << hex("000000") << hex("AB") << hex("000000AB");
        QTest::newRow("count 0, empty bytes") << hex("01") << 200 << QByteArray() << QByteArray() << hex("01");
        QTest::newRow("largest offset and count") << hex("01") << 255 << QByteArray(255, '\0') << hex("0102") << hex("01") + QByteArray(254, '\0') + hex("0102");
    }

    void rangesOfTheBuffers()
    {
        QFETCH(QByteArray, buffer);
        QFETCH(int, offset);
        QFETCH(QByteArray, read);
        QFETCH(QByteArray, bytes);
        SmallDevice device;
        device.setRxData(buffer);
        device.setTxData(buffer);
        QCOMPARE(device.rxData(quint8(offset), quint8(read.size())) + device.txData(quint8(offset), quint8(read.size())), read + read);
        device.setRxData(quint8(offset), bytes);
        device.setTxData(quint8(offset), bytes);
        QTEST(device.rxBuffer(), "written");
        QTEST(device.txBuffer(), "written");
    }

    // The read and the write test of a page agree here; a transmit buffer
    // longer than the receive buffer makes the memory dirty, not a page.
    void dirtyTests_data()
    {
        QTest::addColumn<QByteArray>("rx");
        QTest::addColumn<QByteArray>("tx");
        QTest::addColumn<QString>("dirty"); // the memory, pages 0 and 1
        const QByteArray clean = hex("0102030405060708");
        QTest::newRow("equal") << clean << clean << "0 0 0";
        QTest::newRow("last byte of page 1 differs") << clean << hex("0102030405060709") << "1 0 1";
        QTest::newRow("first byte of page 0 differs") << clean << hex("FF02030405060708") << "1 1 0";
        QTest::newRow("transmit one byte longer, shared bytes equal") << clean << clean + '\0' << "1 0 0";
        QTest::newRow("short receive buffer reads zeros in the page test") << hex("01020304") << hex("0102030400000000") << "1 0 0";
        QTest::newRow("short receive buffer, non-zero transmit byte") << hex("01020304") << hex("0102030400000001") << "1 0 1";
    }

    void dirtyTests()
    {
        QFETCH(QByteArray, rx);
        QFETCH(QByteArray, tx);
        SmallDevice device;
        device.setRxData(rx);
        device.setTxData(tx);
        QTEST(QStringLiteral("%1 %2 %3").arg(device.isDirty()).arg(device.readPageIsDirty(0)).arg(device.readPageIsDirty(1)), "dirty");
        QTEST(QStringLiteral("%1 %2 %3").arg(device.isDirty()).arg(device.writePageIsDirty(0)).arg(device.writePageIsDirty(1)), "dirty");
    }

    // A page number is any int: its address saturates at the int range, and only
    // the transmit bytes past the receive buffer's end can make such a page dirty.
    void pagesOutsideTheMemory_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("address");
        QTest::addColumn<bool>("dirty");
        QTest::newRow("last page") << 31 << 0xF8 << true;
        QTest::newRow("just past the last page: the extra transmit bytes") << 32 << 0x100 << true;
        QTest::newRow("negative") << -1 << -8 << false;
        QTest::newRow("lowest page whose address fits") << -268435456 << INT_MIN << false;
        QTest::newRow("first page whose address does not fit") << 268435456 << INT_MAX << false;
        QTest::newRow("smallest page number") << INT_MIN << INT_MIN << false;
    }

    void pagesOutsideTheMemory()
    {
        QFETCH(int, page);
        CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
        eeprom.setTxData(QByteArray(300, '\x55'));
        QTEST(eeprom.readPageAddress(page), "address");
        QTEST(eeprom.writePageAddress(page), "address");
        QTEST(eeprom.readPageIsDirty(page), "dirty");
        QTEST(eeprom.writePageIsDirty(page), "dirty");
    }

    // Clearing reuses the buffers' storage; what a caller copied before, and the
    // array the buffer was set from, keep their bytes.
    void clearsRestoreTheMemorySizeAndLeaveCopiesAlone()
    {
        SmallDevice device;
        const QByteArray given(20, '\x11');
        device.setTxData(given);
        device.setRxData(QByteArray(3, '\x22'));
        const QByteArray rxCopy = device.rxBuffer();
        device.clearTxData();
        device.clearRxData();
        QCOMPARE(given + rxCopy, QByteArray(20, '\x11') + QByteArray(3, '\x22'));
        QCOMPARE(device.txBuffer() + device.rxBuffer(), QByteArray(16, '\0'));
    }

    // Bus and address keep their low 8 bits; the names of the eight types,
    // and a fallback for any other number.
    void identityAndTypeNames()
    {
        const CAT24AA02Device eeprom(0x102, 0x1A0, QStringLiteral("header"));
        QCOMPARE(QStringLiteral("%1.%2 ").arg(int(eeprom.busNumber())).arg(int(eeprom.busAddress()), 0, 16) + eeprom.name() + ' '
                     + eeprom.partName() + ' ' + eeprom.metaObject()->className() + ' ' + eeprom.pullUpEnables().toHex(),
                 QStringLiteral("2.a0 header CAT24AA02 CAT24AA02Device "));
        QStringList names;
        for (const int type : {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 1000}) {
            names << SmallDevice(type).deviceName();
            if (type >= 0 && type < 8) // an enum holds only its own values
                QCOMPARE(Device::deviceName(Device::DeviceTypes(type)), names.last());
        }
        const QString fallback = QStringLiteral("Device name not specified in device!!!");
        QCOMPARE(names, QStringList({fallback, "SC18IM700", "DS4520", "ISL22343", "X95840", "M25P40", "CAT24AA02", "AD5144A",
                                     "X9408", fallback, fallback}));
    }
};

QTEST_GUILESS_MAIN(tst_Device)
#include "tst_device.moc"
