// Boards and their devices, the device order and the header device after
// every change of the boards, lookups, and what the product aggregates.

#include "productrig.h"

#include <QtCore/QPointer>
#include <QtTest/QtTest>

namespace {

// "bus.ADDRESS" of every device, in order.
QStringList placesOf(const QList<Device*>& devices)
{
    QStringList places;
    for (const Device* const device : devices)
        places << QStringLiteral("%1.%2").arg(device->busNumber()).arg(QString::number(device->busAddress(), 16).toUpper());
    return places;
}

enum Change { None, AddDevice, AddBoard, ReplaceBoard, ReplaceBoardByItself };

} // namespace

class TestProductStructure : public QObject
{
    Q_OBJECT

private slots:
    void addDevice_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("className");
        for (const int type : {Device::DS4520, Device::ISL22343, Device::X95840, Device::CAT24AA02, Device::AD5144A, Device::X9408})
            QTest::addRow("%s", qPrintable(Device::deviceName(Device::DeviceTypes(type))))
                << type << Device::deviceName(Device::DeviceTypes(type)).toLatin1() + "Device";
        QTest::newRow("bus master is the host's") << int(Device::SC18IM700) << QByteArray();
        QTest::newRow("M25P40 has no driver") << int(Device::M25P40) << QByteArray();
    }

    void addDevice()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, className);
        TestBoard board;
        Device* const device = board.addDevice(Device::DeviceTypes(type), 1, 0xA0, QStringLiteral("U7"));
        QCOMPARE(board.devices(), device ? QList<Device*>{device} : QList<Device*>());
        if (!device) {
            QVERIFY(className.isEmpty());
            return;
        }
        QCOMPARE(QByteArray(device->metaObject()->className()), className);
        QCOMPARE(device->deviceType(), type);
        QCOMPARE(device->parent(), nullptr);
        QCOMPARE(board.device(1, 0xA0), device);
        QCOMPARE(board.device(0, 0xA0), nullptr);
        QCOMPARE(board.device(1, 0x1A0), nullptr); // the stored address is 8 bits, the argument is not cut
    }

    // Bus first, then address, both unsigned; a change of the boards or of a
    // board's devices shows in the next list.
    void orderFollowsEveryChange_data()
    {
        QTest::addColumn<QList<int>>("added"); // bus, address pairs, alternating boards
        QTest::addColumn<int>("change");
        QTest::addColumn<QStringList>("order");
        const QList<int> two{0, 0xA0, 1, 0x58};
        QTest::newRow("bus first, then address") << QList<int>{1, 0x40, 0, 0xA0, 0, 0x50} << int(None)
                                                 << QStringList{"0.50", "0.A0", "1.40"};
        QTest::newRow("addresses compare unsigned") << QList<int>{2, 0xF0, 2, 0x10, 2, 0x80} << int(None)
                                                    << QStringList{"2.10", "2.80", "2.F0"};
        QTest::newRow("high address on a low bus") << QList<int>{3, 0x00, 0, 0xFE} << int(None) << QStringList{"0.FE", "3.0"};
        QTest::newRow("device added to a board in the product") << two << int(AddDevice) << QStringList{"0.30", "0.A0", "1.58"};
        QTest::newRow("board added") << two << int(AddBoard) << QStringList{"0.28", "0.A0", "1.58"};
        QTest::newRow("board replaced") << two << int(ReplaceBoard) << QStringList{"0.28", "0.A0"};
        QTest::newRow("board replaced by itself") << two << int(ReplaceBoardByItself) << QStringList{"0.A0", "1.58"};
    }

    void orderFollowsEveryChange()
    {
        QFETCH(QList<int>, added);
        QFETCH(int, change);
        Rig<> rig;
        ProductInterface& product = rig.product;
        for (int i = 0; i < added.size(); i += 2)
            rig.add(Device::X95840, added.at(i), added.at(i + 1), i / 2 % 2);
        QCOMPARE(product.devices().size(), added.size() / 2);
        auto* const extra = new TestBoard(&product);
        extra->addDevice(Device::X95840, 0, 0x28, QString());
        if (change == AddDevice)
            rig.add(Device::ISL22343, 0, 0x30);
        if (change == AddBoard)
            product.addSubassembly(extra);
        if (change == ReplaceBoard || change == ReplaceBoardByItself)
            product.replaceSubassembly(1, change == ReplaceBoard ? extra : rig.second);
        const QList<Device*> devices = product.devices();
        QTEST(placesOf(devices), "order");
        QCOMPARE(product.device(0, 0x28) != nullptr, change == AddBoard || change == ReplaceBoard);
        for (int i = 1; i < devices.size(); ++i) {
            QVERIFY(ProductInterface::deviceLessThan(devices.at(i - 1), devices.at(i)));
            QVERIFY(!ProductInterface::deviceLessThan(devices.at(i), devices.at(i - 1)));
        }
        QVERIFY(!ProductInterface::deviceLessThan(devices.first(), devices.first()));
    }

    // Write pages 0 to 6 belong to whichever device is first now, in the
    // product's list and in each device's own list; the others are written whole.
    void headerDeviceSkipsTheHeaderPages_data()
    {
        QTest::addColumn<QList<int>>("boardAndAddress"); // EEPROMs on bus 0, in the order added
        QTest::addColumn<int>("header");                 // which of them is the header device
        QTest::newRow("header added first") << QList<int>{0, 0x50, 0, 0xA0, 1, 0xA2} << 0;
        QTest::newRow("header on the last board") << QList<int>{0, 0xA0, 1, 0xA2, 1, 0x50} << 2;
        QTest::newRow("two at the lowest address: the first added") << QList<int>{1, 0xA2, 1, 0x50, 0, 0x50} << 2;
        QTest::newRow("a header added ahead of the old one") << QList<int>{0, 0xA0, 0, 0x50} << 1;
    }

    void headerDeviceSkipsTheHeaderPages()
    {
        QFETCH(QList<int>, boardAndAddress);
        QFETCH(int, header);
        Rig<> rig;
        QList<Device*> added;
        for (int i = 0; i < boardAndAddress.size(); i += 2) {
            added << rig.add(Device::CAT24AA02, 0, boardAndAddress.at(i + 1), boardAndAddress.at(i));
            const CommandList soFar(rig.product.writeCommands()); // the order asked for before the next device
        }
        QStringList alone;
        for (Device* const device : rig.product.devices()) {
            const CommandList commands(rig.product.writeDeviceCommands(device, false));
            const int firstPage = device == added.at(header) ? 7 : 0;
            QCOMPARE(commands.commands.size(), 32 - firstPage);
            QCOMPARE(commands.descriptions().first(), QStringLiteral("Write Device: %1.%2 (8 Bytes)")
                                                          .arg(placesOf({device}).first(), QString::number(8 * firstPage, 16).toUpper()));
            alone += commands.descriptions();
        }
        const CommandList list(rig.product.writeCommands());
        QCOMPARE(list.descriptions(), alone);
    }

    void lookupsAndAggregates()
    {
        Rig<> rig;
        ProductInterface& product = rig.product;
        Device* const eeprom = rig.add(Device::CAT24AA02, 0, 0xA0);
        Device* const pot = rig.add(Device::AD5144A, 0, 0x58, true);
        QCOMPARE(product.busController(), &rig.bridge);
        QCOMPARE(product.device(0, 0xA0), eeprom);
        QCOMPARE(product.device(1, 0x58), nullptr);
        QCOMPARE(product.deviceSubassembly(&rig.bridge), rig.board); // not listed, but carried
        QCOMPARE(product.deviceSubassembly(pot), rig.second);
        QCOMPARE(product.deviceSubassembly(nullptr), nullptr);
        QVERIFY(!product.devices().contains(&rig.bridge));
        QCOMPARE(product.schematicLabel(0, 0x58, 3, Quelm::FieldTypes(3)), QStringLiteral("U0.58 item 3"));
        QCOMPARE(product.schematicLabel(0, 0x58, 3, Quelm::FieldTypes(1)), QString()); // a proxy
        QCOMPARE(product.schematicLabel(0, 0x52, 3, Quelm::FieldTypes(3)), QString());
        QCOMPARE(Subassembly::staticMetaObject.className(), "QObject"); // no meta-object of its own

        QCOMPARE(product.rxData(), QByteArray(260, '\0'));
        QVERIFY(!product.isDirty());
        pot->setTxData(QByteArray::fromHex("01020304"));
        eeprom->setRxData(0, QByteArray::fromHex("AA"));
        QVERIFY(product.isDirty());
        // The potentiometer comes first: it sits lower on bus 0.
        QCOMPARE(product.txData(), QByteArray::fromHex("01020304") + QByteArray(256, '\0'));
        QCOMPARE(product.rxData(), QByteArray(4, '\0') + QByteArray::fromHex("AA") + QByteArray(255, '\0'));
        ProductInterface empty;
        QCOMPARE(empty.busController(), nullptr);
    }

    void replaceSubassembly_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expectedIndex");
        QTest::addColumn<bool>("replacedDeleted");
        QTest::newRow("first") << 0 << 0 << true;
        QTest::newRow("last") << 1 << 1 << true;
        QTest::newRow("negative appends") << -1 << 2 << false;
        QTest::newRow("past the end appends") << 2 << 2 << false;
    }

    void replaceSubassembly()
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
        QCOMPARE(int(boards.at(0).isNull()) + int(boards.at(1).isNull()), int(replacedDeleted)); // the one replaced
        QVERIFY(!replacedDeleted || target.isNull());
        product.replaceSubassembly(expectedIndex, replacement); // by itself: kept
        QCOMPARE(product.subassemblies().at(expectedIndex), replacement);
    }
};

QTEST_GUILESS_MAIN(TestProductStructure)
#include "tst_productstructure.moc"
