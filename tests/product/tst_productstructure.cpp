#include "testproduct.h"

#include <QtCore/QPointer>
#include <QtTest/QtTest>

// Boards, their devices, the device order and what the product aggregates.
class TestProductStructure : public QObject
{
    Q_OBJECT

private slots:
    void addDevice_data();
    void addDevice();
    void deviceOrder_data();
    void deviceOrder();
    void lookups();
    void schematicLabel();
    void memoryImageAndDirtyState();
    void replaceSubassembly_data();
    void replaceSubassembly();
};

void TestProductStructure::addDevice_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("className");

    QTest::newRow("DS4520") << int(Device::DS4520) << QByteArray("DS4520Device");
    QTest::newRow("ISL22343") << int(Device::ISL22343) << QByteArray("ISL22343Device");
    QTest::newRow("X95840") << int(Device::X95840) << QByteArray("X95840Device");
    QTest::newRow("CAT24AA02") << int(Device::CAT24AA02) << QByteArray("CAT24AA02Device");
    QTest::newRow("AD5144A") << int(Device::AD5144A) << QByteArray("AD5144ADevice");
    QTest::newRow("X9408") << int(Device::X9408) << QByteArray("X9408Device");
    QTest::newRow("bus master is the host's") << int(Device::SC18IM700) << QByteArray();
    QTest::newRow("M25P40 has no driver") << int(Device::M25P40) << QByteArray();
}

void TestProductStructure::addDevice()
{
    QFETCH(int, type);
    QFETCH(QByteArray, className);

    TestBoard board;
    Device* const device = board.addDevice(Device::DeviceTypes(type), 1, 0xA0, QStringLiteral("U7"));
    if (className.isEmpty()) {
        QVERIFY(!device);
        QVERIFY(board.devices().isEmpty());
        return;
    }
    QVERIFY(device);
    QCOMPARE(QByteArray(device->metaObject()->className()), className);
    QCOMPARE(device->deviceType(), type);
    QCOMPARE(device->parent(), nullptr);
    QCOMPARE(board.devices(), QList<Device*>{device});
    QCOMPARE(board.device(1, 0xA0), device);
    QCOMPARE(board.device(0, 0xA0), nullptr);
    QCOMPARE(board.device(1, 0x1A0), nullptr); // the stored address is 8 bits, the argument is not cut
}

void TestProductStructure::deviceOrder_data()
{
    QTest::addColumn<QList<int>>("added"); // bus, address pairs, alternating boards
    QTest::addColumn<QList<int>>("ordered");

    QTest::newRow("bus first, then address")
        << QList<int>{1, 0x40, 0, 0xA0, 0, 0x50} << QList<int>{0, 0x50, 0, 0xA0, 1, 0x40};
    QTest::newRow("addresses compare unsigned")
        << QList<int>{2, 0xF0, 2, 0x10, 2, 0x80} << QList<int>{2, 0x10, 2, 0x80, 2, 0xF0};
    QTest::newRow("high address on a low bus") << QList<int>{3, 0x00, 0, 0xFE}
                                               << QList<int>{0, 0xFE, 3, 0x00};
}

void TestProductStructure::deviceOrder()
{
    QFETCH(QList<int>, added);
    QFETCH(QList<int>, ordered);

    ProductInterface product;
    TestBoard* const boards[] = {new TestBoard(&product), new TestBoard(&product)};
    product.addSubassembly(boards[0]);
    product.addSubassembly(boards[1]);
    for (int i = 0; i < added.size(); i += 2)
        boards[i / 2 % 2]->addDevice(Device::X95840, added.at(i), added.at(i + 1), QString());

    QList<int> order;
    const QList<Device*> devices = product.devices();
    for (const Device* device : devices)
        order << device->busNumber() << device->busAddress();
    QCOMPARE(order, ordered);
    for (int i = 1; i < devices.size(); ++i) {
        QVERIFY(ProductInterface::deviceLessThan(devices.at(i - 1), devices.at(i)));
        QVERIFY(!ProductInterface::deviceLessThan(devices.at(i), devices.at(i - 1)));
    }
    QVERIFY(!ProductInterface::deviceLessThan(devices.first(), devices.first()));

    // A device added after the order was asked for takes its place at once.
    Device* const lowest = boards[1]->addDevice(Device::X95840, 0, 0x00, QString());
    QCOMPARE(product.devices().first(), lowest);
    QCOMPARE(product.devices().size(), devices.size() + 1);
}

void TestProductStructure::lookups()
{
    ProductInterface product;
    TestBoard* const plain = new TestBoard(&product);
    TestBoard* const carrier = new TestBoard(&product);
    product.addSubassembly(plain);
    product.addSubassembly(carrier);
    QCOMPARE(product.busController(), nullptr);

    SC18IM700 bridge(QStringLiteral("bridge"));
    carrier->setBusController(&bridge);
    Device* const eeprom = carrier->addDevice(Device::CAT24AA02, 0, 0xA0, QStringLiteral("U1"));
    Device* const pot = plain->addDevice(Device::AD5144A, 1, 0x58, QStringLiteral("U2"));

    QCOMPARE(product.busController(), &bridge);
    QCOMPARE(product.device(0, 0xA0), eeprom);
    QCOMPARE(product.device(1, 0x58), pot);
    QCOMPARE(product.device(0, 0x58), nullptr);
    QCOMPARE(product.deviceSubassembly(&bridge), carrier); // not listed, but carried
    QCOMPARE(product.deviceSubassembly(pot), plain);
    QCOMPARE(product.deviceSubassembly(nullptr), nullptr);
    QVERIFY(!product.devices().contains(&bridge));
}

void TestProductStructure::schematicLabel()
{
    ProductInterface product;
    TestBoard* const board = new TestBoard(&product);
    product.addSubassembly(board);
    board->addDevice(Device::DS4520, 0, 0x50, QString());

    QCOMPARE(product.schematicLabel(0, 0x50, 3, Quelm::FieldTypes(3)), QStringLiteral("U0.50 item 3"));
    QCOMPARE(product.schematicLabel(0, 0x50, 3, Quelm::FieldTypes(1)), QString()); // a proxy
    QCOMPARE(product.schematicLabel(0, 0x52, 3, Quelm::FieldTypes(3)), QString());
    QCOMPARE(Subassembly::staticMetaObject.className(), "QObject"); // no meta-object of its own
}

void TestProductStructure::memoryImageAndDirtyState()
{
    ProductInterface product;
    TestBoard* const board = new TestBoard(&product);
    product.addSubassembly(board);
    Device* const eeprom = board->addDevice(Device::CAT24AA02, 0, 0xA0, QString());
    Device* const pot = board->addDevice(Device::AD5144A, 0, 0x20, QString());
    QCOMPARE(product.rxData(), QByteArray(260, '\0'));
    QVERIFY(!product.isDirty());

    pot->setTxData(QByteArray::fromHex("01020304"));
    eeprom->setRxData(0, QByteArray::fromHex("AA"));
    QVERIFY(product.isDirty());
    // The potentiometer comes first: it sits lower on bus 0.
    QCOMPARE(product.txData(), QByteArray::fromHex("01020304") + QByteArray(256, '\0'));
    QCOMPARE(product.rxData(), QByteArray(4, '\0') + QByteArray::fromHex("AA") + QByteArray(255, '\0'));
}

void TestProductStructure::replaceSubassembly_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("expectedIndex");
    QTest::addColumn<bool>("replacedDeleted");

    QTest::newRow("first") << 0 << 0 << true;
    QTest::newRow("last") << 1 << 1 << true;
    QTest::newRow("negative appends") << -1 << 2 << false;
    QTest::newRow("past the end appends") << 2 << 2 << false;
}

void TestProductStructure::replaceSubassembly()
{
    QFETCH(int, index);
    QFETCH(int, expectedIndex);
    QFETCH(bool, replacedDeleted);

    ProductInterface product;
    QList<QPointer<TestBoard>> boards{new TestBoard(&product), new TestBoard(&product)};
    for (TestBoard* board : boards) {
        product.addSubassembly(board);
        board->addDevice(Device::X95840, 0, 0x50 + 2 * product.devices().size(), QString());
    }
    const QPointer<TestBoard> target = boards.value(index);

    TestBoard* const replacement = new TestBoard(&product);
    product.replaceSubassembly(index, replacement);
    QCOMPARE(product.subassemblies().indexOf(replacement), expectedIndex);
    QCOMPARE(product.subassemblies().size(), replacedDeleted ? 2 : 3);
    QCOMPARE(product.devices().size(), replacedDeleted ? 1 : 2); // the new board has none
    if (replacedDeleted)
        QVERIFY(target.isNull());

    product.replaceSubassembly(expectedIndex, replacement); // by itself: kept
    QCOMPARE(product.subassemblies().at(expectedIndex), replacement);
    QCOMPARE(replacement->title(), QStringLiteral("Test board"));
}

QTEST_GUILESS_MAIN(TestProductStructure)
#include "tst_productstructure.moc"
