#include <quelmdevices/quelmdevices.h>

#include <QtTest/QtTest>

#include <limits>
#include <memory>

// A part with two 4-byte pages at 0 and 4 in an 8-byte memory, so page
// ranges and buffer ends are easy to see.
class SmallDevice : public PagedDevice
{
public:
    SmallDevice() : PagedDevice(0, 0x50, QStringLiteral("small"), nullptr) { initialize(); }
    const DeviceGeometry& geometry() const override { return layout; }

private:
    static const DeviceGeometry layout;
};

const DeviceGeometry SmallDevice::layout = {Device::CAT24AA02, 8, {2, 4, 4}, {2, 4, 4}};

// A device whose type code lies outside the type table.
class UnknownDevice : public SmallDevice
{
public:
    explicit UnknownDevice(const int type) { m_deviceType = type; }
};

class tst_Device : public QObject
{
    Q_OBJECT

private slots:
    void paddedReads_data();
    void paddedReads();
    void offsetWritesGrow_data();
    void offsetWritesGrow();
    void dirtyTests_data();
    void dirtyTests();
    void pageTestsStayInsideTheirPage();
    void pageTestsToleratePagesOutsideTheMemory_data();
    void pageTestsToleratePagesOutsideTheMemory();
    void pageAddressesStayInTheIntRange_data();
    void pageAddressesStayInTheIntRange();
    void clearsRestoreTheMemorySize();
    void clearsLeaveEarlierCopiesAlone();
    void identity();
    void typeNames_data();
    void typeNames();
    void unknownTypesHaveTheFallbackName_data();
    void unknownTypesHaveTheFallbackName();
    void bridgeStartsWithItsRegisterImage();
    void driversAddNoDataMember();
};

void tst_Device::paddedReads_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("expected");

    QByteArray counting(256, '\0');
    for (int i = 0; i < counting.size(); ++i)
        counting[i] = char(i);
    QTest::newRow("inside the buffer") << counting << 0x10 << 4 << QByteArray::fromHex("10111213");
    QTest::newRow("past the end reads zeros") << counting << 250 << 10
                                              << QByteArray::fromHex("FAFBFCFDFEFF00000000");
    QTest::newRow("count 0 is empty") << counting << 7 << 0 << QByteArray();
    QTest::newRow("empty buffer reads zeros") << QByteArray() << 255 << 3 << QByteArray(3, '\0');
    QTest::newRow("largest offset and count") << QByteArray::fromHex("01") << 255 << 255 << QByteArray(255, '\0');
}

void tst_Device::paddedReads()
{
    QFETCH(QByteArray, buffer);
    QFETCH(int, offset);
    QFETCH(int, count);
    QFETCH(QByteArray, expected);

    SmallDevice device;
    device.setRxData(buffer);
    device.setTxData(buffer);
    QCOMPARE(device.rxData(quint8(offset), quint8(count)), expected);
    QCOMPARE(device.txData(quint8(offset), quint8(count)), expected);
}

void tst_Device::offsetWritesGrow_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("inside") << QByteArray::fromHex("00000000") << 1 << QByteArray::fromHex("AABB")
                            << QByteArray::fromHex("00AABB00");
    QTest::newRow("across the end") << QByteArray::fromHex("0102") << 1 << QByteArray::fromHex("AABBCC")
                                    << QByteArray::fromHex("01AABBCC");
    QTest::newRow("gap is zero-filled") << QByteArray() << 3 << QByteArray::fromHex("AB")
                                        << QByteArray::fromHex("000000AB");
    QTest::newRow("empty bytes change nothing") << QByteArray::fromHex("01") << 200 << QByteArray()
                                                << QByteArray::fromHex("01");
    QTest::newRow("offset 255 past the end")
        << QByteArray() << 255 << QByteArray::fromHex("0102")
        << QByteArray(255, '\0') + QByteArray::fromHex("0102");
}

void tst_Device::offsetWritesGrow()
{
    QFETCH(QByteArray, buffer);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);

    SmallDevice device;
    device.setRxData(buffer);
    device.setRxData(quint8(offset), bytes);
    QCOMPARE(device.rxBuffer(), expected);

    device.setTxData(buffer);
    device.setTxData(quint8(offset), bytes);
    QCOMPARE(device.txBuffer(), expected);
}

void tst_Device::dirtyTests_data()
{
    QTest::addColumn<QByteArray>("rx");
    QTest::addColumn<QByteArray>("tx");
    QTest::addColumn<bool>("dirty");
    QTest::addColumn<bool>("page0");
    QTest::addColumn<bool>("page1");

    const QByteArray clean = QByteArray::fromHex("0102030405060708");
    QTest::newRow("equal") << clean << clean << false << false << false;
    QTest::newRow("last byte of page 1 differs")
        << clean << QByteArray::fromHex("0102030405060709") << true << false << true;
    QTest::newRow("first byte of page 0 differs")
        << clean << QByteArray::fromHex("FF02030405060708") << true << true << false;
    QTest::newRow("transmit one byte longer, shared bytes equal")
        << clean << clean + QByteArray(1, '\0') << true << false << false;
    QTest::newRow("short receive buffer reads zeros in the page test")
        << QByteArray::fromHex("01020304") << QByteArray::fromHex("0102030400000000")
        << true << false << false;
    QTest::newRow("short receive buffer, non-zero transmit byte")
        << QByteArray::fromHex("01020304") << QByteArray::fromHex("0102030400000001")
        << true << false << true;
}

void tst_Device::dirtyTests()
{
    QFETCH(QByteArray, rx);
    QFETCH(QByteArray, tx);

    SmallDevice device;
    device.setRxData(rx);
    device.setTxData(tx);
    QTEST(device.isDirty(), "dirty");
    QTEST(device.readPageIsDirty(0), "page0");
    QTEST(device.writePageIsDirty(0), "page0");
    QTEST(device.readPageIsDirty(1), "page1");
    QTEST(device.writePageIsDirty(1), "page1");
}

void tst_Device::pageTestsStayInsideTheirPage()
{
    CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
    eeprom.setTxData(0x0F, QByteArray::fromHex("01"));
    for (int page = 0; page < eeprom.readPages(); ++page) {
        QCOMPARE(eeprom.readPageIsDirty(page), page == 1);
        QCOMPARE(eeprom.writePageIsDirty(page), page == 1);
    }
}

void tst_Device::pageTestsToleratePagesOutsideTheMemory_data()
{
    QTest::addColumn<int>("page");
    QTest::newRow("negative") << -1;
    QTest::newRow("far negative") << -100000;
    QTest::newRow("just past the last page") << 32;
    QTest::newRow("far past the memory") << 100000;
    QTest::newRow("largest page number") << std::numeric_limits<int>::max();
    QTest::newRow("smallest page number") << std::numeric_limits<int>::min();
}

void tst_Device::pageTestsToleratePagesOutsideTheMemory()
{
    QFETCH(int, page);
    CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
    eeprom.setTxData(QByteArray(300, '\x55'));
    // Both buffers read as zero outside their ends, so only the 44 transmit
    // bytes past the receive buffer's end can make a page dirty.
    const int address = eeprom.readPageAddress(page);
    const bool overlapsExtraBytes = qint64(address) + 8 > 256 && address < 300;
    QCOMPARE(eeprom.readPageIsDirty(page), overlapsExtraBytes);
    QCOMPARE(eeprom.writePageIsDirty(page), overlapsExtraBytes);
}

void tst_Device::pageAddressesStayInTheIntRange_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("address");
    const int largest = std::numeric_limits<int>::max();
    const int smallest = std::numeric_limits<int>::min();
    QTest::newRow("last page") << 31 << 0xF8;
    QTest::newRow("lowest page whose address fits") << -268435456 << smallest;
    QTest::newRow("first page whose address does not fit") << 268435456 << largest;
    QTest::newRow("largest page number") << largest << largest;
    QTest::newRow("smallest page number") << smallest << smallest;
}

void tst_Device::pageAddressesStayInTheIntRange()
{
    QFETCH(int, page);
    CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
    QTEST(eeprom.readPageAddress(page), "address");
    QTEST(eeprom.writePageAddress(page), "address");
}

void tst_Device::clearsRestoreTheMemorySize()
{
    SmallDevice device;
    device.setTxData(QByteArray(20, '\x11'));
    device.setRxData(QByteArray(3, '\x22'));
    device.clearTxData();
    device.clearRxData();
    QCOMPARE(device.txBuffer(), QByteArray(8, '\0'));
    QCOMPARE(device.rxBuffer(), QByteArray(8, '\0'));
    QVERIFY(!device.isDirty());
}

// Clearing reuses the buffers' storage; what a caller copied before, and the
// array the buffer was set from, keep their bytes.
void tst_Device::clearsLeaveEarlierCopiesAlone()
{
    SmallDevice device;
    const QByteArray given = QByteArray::fromHex("0102030405060708");
    device.setTxData(given);
    device.setRxData(given);
    const QByteArray rxCopy = device.rxBuffer();
    device.clearTxData();
    device.clearRxData();
    QCOMPARE(given, QByteArray::fromHex("0102030405060708"));
    QCOMPARE(rxCopy, given);
    QCOMPARE(device.txBuffer(), QByteArray(8, '\0'));
    QCOMPARE(device.rxBuffer(), QByteArray(8, '\0'));
}

void tst_Device::identity()
{
    const CAT24AA02Device eeprom(0x102, 0x1A0, QStringLiteral("header"));
    QCOMPARE(eeprom.busNumber(), quint8(0x02));
    QCOMPARE(eeprom.busAddress(), quint8(0xA0));
    QCOMPARE(eeprom.name(), QStringLiteral("header"));
    QCOMPARE(eeprom.deviceType(), int(Device::CAT24AA02));
    QCOMPARE(eeprom.partName(), QStringLiteral("CAT24AA02"));
    QCOMPARE(eeprom.deviceName(), QStringLiteral("CAT24AA02"));
    QVERIFY(eeprom.pullUpEnables().isEmpty());
    QCOMPARE(QString::fromLatin1(eeprom.metaObject()->className()), QStringLiteral("CAT24AA02Device"));
    QVERIFY(eeprom.inherits("Device"));
}

void tst_Device::typeNames_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    const char* const names[] = {"SC18IM700", "DS4520", "ISL22343", "X95840",
                                 "M25P40", "CAT24AA02", "AD5144A", "X9408"};
    for (int type = 0; type < 8; ++type)
        QTest::newRow(names[type]) << type << QString::fromLatin1(names[type]);
}

void tst_Device::typeNames()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    QCOMPARE(Device::deviceName(Device::DeviceTypes(type)), name);
}

void tst_Device::unknownTypesHaveTheFallbackName_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("negative") << -1;
    QTest::newRow("one past the table") << 8;
    QTest::newRow("large") << 1000;
}

void tst_Device::unknownTypesHaveTheFallbackName()
{
    QFETCH(int, type);
    const UnknownDevice device(type);
    QCOMPARE(device.deviceName(), QStringLiteral("Device name not specified in device!!!"));
}

void tst_Device::bridgeStartsWithItsRegisterImage()
{
    const SC18IM700 bridge(QStringLiteral("bridge"));
    QCOMPARE(bridge.rxBuffer(), QByteArray(12, '\0'));
    QVERIFY(bridge.txBuffer().isEmpty());
    QVERIFY(bridge.isDirty());
    QCOMPARE(bridge.deviceName(), QStringLiteral("SC18IM700"));
    QCOMPARE(bridge.busNumber(), quint8(0));
    QCOMPARE(bridge.busAddress(), quint8(0));
    QCOMPARE(bridge.readPageSize(0), 11);
    QCOMPARE(bridge.readPageAddress(0), 0);
    QCOMPARE(bridge.readPageSize(5), 1);
    QCOMPARE(bridge.readPageAddress(5), 12);
    QCOMPARE(bridge.readPageAddress(12), 12);
    QCOMPARE(bridge.writePages(), 0);
    QCOMPARE(bridge.memorySize(), 12);
}

void tst_Device::driversAddNoDataMember()
{
    QCOMPARE(sizeof(DS4520Device), sizeof(Device));
    QCOMPARE(sizeof(ISL22343Device), sizeof(Device));
    QCOMPARE(sizeof(X95840Device), sizeof(Device));
    QCOMPARE(sizeof(X9408Device), sizeof(Device));
    QCOMPARE(sizeof(AD5144ADevice), sizeof(Device));
    QCOMPARE(sizeof(CAT24AA02Device), sizeof(Device));
    QCOMPARE(QByteArray(X9408Device::staticMetaObject.superClass()->className()), QByteArray("Device"));
}

QTEST_GUILESS_MAIN(tst_Device)
#include "tst_device.moc"
