// The device order, and with it the header device, follows every change of
// the product's boards, whether a whole list or one device's list is asked for.

#include <quelmdevices/quelmdevices.h>

#include <QtTest/QtTest>

#include <memory>
#include <vector>

namespace {

class Board : public Subassembly
{
public:
    using Subassembly::Subassembly;
    QString title() const override { return QStringLiteral("board"); }
};

// "bus.ADDRESS" of every device, in order.
QStringList placesOf(const QList<Device*>& devices)
{
    QStringList places;
    for (const Device* const device : devices)
        places << QStringLiteral("%1.%2").arg(device->busNumber()).arg(int(device->busAddress()), 0, 16).toUpper();
    return places;
}

QStringList descriptionsOf(const QList<DeviceCommand*>& commands)
{
    QStringList descriptions;
    for (const DeviceCommand* const command : commands)
        descriptions << command->description();
    return descriptions;
}

// The page writes of an EEPROM (8-byte pages at 8 * page) from firstPage on.
QStringList eepromPageWrites(const QString& place, const int firstPage)
{
    QStringList descriptions;
    for (int page = firstPage; page < 32; ++page)
        descriptions << QStringLiteral("Write Device: %1.%2 (8 Bytes)")
                            .arg(place, QString::number(page * 8, 16).toUpper());
    return descriptions;
}

enum class Change { AddDevice, AddBoard, ReplaceBoard, ReplaceBoardByItself };

} // namespace

Q_DECLARE_METATYPE(Change)

class tst_DeviceOrder : public QObject
{
    Q_OBJECT

private slots:
    void orderFollowsEveryChange_data();
    void orderFollowsEveryChange();
    void headerPagesMoveToANewHeaderDevice();
    void oneDeviceAtATimeMatchesTheList_data();
    void oneDeviceAtATimeMatchesTheList();
};

void tst_DeviceOrder::orderFollowsEveryChange_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("device added to a board in the product")
        << Change::AddDevice << QStringList{"0.30", "0.A0", "1.58"};
    QTest::newRow("board added")
        << Change::AddBoard << QStringList{"0.28", "0.A0", "1.58"};
    QTest::newRow("board replaced") << Change::ReplaceBoard << QStringList{"0.28", "0.A0"};
    QTest::newRow("board replaced by itself")
        << Change::ReplaceBoardByItself << QStringList{"0.A0", "1.58"};
}

void tst_DeviceOrder::orderFollowsEveryChange()
{
    QFETCH(Change, change);
    std::vector<std::unique_ptr<Device>> devices;
    ProductInterface product;
    auto* const first = new Board(&product);
    auto* const second = new Board(&product);
    devices.emplace_back(first->addDevice(Device::CAT24AA02, 0, 0xA0, QStringLiteral("eeprom")));
    devices.emplace_back(second->addDevice(Device::AD5144A, 1, 0x58, QStringLiteral("pot")));
    product.addSubassembly(first);
    product.addSubassembly(second);
    QCOMPARE(placesOf(product.devices()), (QStringList{"0.A0", "1.58"}));

    auto* const extra = new Board(&product);
    devices.emplace_back(extra->addDevice(Device::X95840, 0, 0x28, QStringLiteral("trim")));
    switch (change) {
    case Change::AddDevice:
        devices.emplace_back(first->addDevice(Device::ISL22343, 0, 0x30, QStringLiteral("isl")));
        break;
    case Change::AddBoard:
        product.addSubassembly(extra);
        break;
    case Change::ReplaceBoard:
        product.replaceSubassembly(1, extra);
        break;
    case Change::ReplaceBoardByItself:
        product.replaceSubassembly(1, second);
        break;
    }
    QTEST(placesOf(product.devices()), "order");
    QCOMPARE(product.device(0, 0x28) != nullptr, change == Change::AddBoard || change == Change::ReplaceBoard);
}

// Write pages 0 to 6 belong to whichever device is first now: a device added
// ahead of the old header takes them over, and the old header is written in
// full, in the product's list and when asked for on its own.
void tst_DeviceOrder::headerPagesMoveToANewHeaderDevice()
{
    std::vector<std::unique_ptr<Device>> devices;
    SC18IM700 bridge(QStringLiteral("bridge"));
    ProductInterface product;
    auto* const board = new Board(&product);
    board->setBusController(&bridge);
    product.addSubassembly(board);
    Device* const oldHeader = board->addDevice(Device::CAT24AA02, 0, 0xA0, QStringLiteral("old"));
    devices.emplace_back(oldHeader);

    QList<DeviceCommand*> before = product.writeCommands();
    const QStringList beforeDescriptions = descriptionsOf(before);
    qDeleteAll(before);
    QCOMPARE(beforeDescriptions, eepromPageWrites(QStringLiteral("0.A0"), 7));

    Device* const newHeader = board->addDevice(Device::CAT24AA02, 0, 0x50, QStringLiteral("new"));
    devices.emplace_back(newHeader);
    QList<DeviceCommand*> after = product.writeCommands();
    const QStringList afterDescriptions = descriptionsOf(after);
    qDeleteAll(after);
    QCOMPARE(afterDescriptions,
             eepromPageWrites(QStringLiteral("0.50"), 7) + eepromPageWrites(QStringLiteral("0.A0"), 0));

    QList<DeviceCommand*> alone = product.writeDeviceCommands(oldHeader, false);
    const QStringList aloneDescriptions = descriptionsOf(alone);
    qDeleteAll(alone);
    QCOMPARE(aloneDescriptions, eepromPageWrites(QStringLiteral("0.A0"), 0));
}

QTEST_GUILESS_MAIN(tst_DeviceOrder)

#include "tst_deviceorder.moc"

void tst_DeviceOrder::oneDeviceAtATimeMatchesTheList_data()
{
    QTest::addColumn<QList<int>>("boardAndAddress"); // of device 0, 1, 2 in turn
    QTest::addColumn<int>("header");
    QTest::newRow("header added first") << QList<int>{0, 0x50, 0, 0xA0, 1, 0xA2} << 0;
    QTest::newRow("header on the last board") << QList<int>{0, 0xA0, 1, 0xA2, 1, 0x50} << 2;
    QTest::newRow("two at the lowest address: the first added")
        << QList<int>{1, 0xA2, 1, 0x50, 0, 0x50} << 2;
}

// A host that builds each device's list on its own, in device order, gets
// the product's write list: the header device alone skips the header pages.
void tst_DeviceOrder::oneDeviceAtATimeMatchesTheList()
{
    QFETCH(QList<int>, boardAndAddress);
    QFETCH(int, header);
    std::vector<std::unique_ptr<Device>> devices;
    SC18IM700 bridge(QStringLiteral("bridge"));
    ProductInterface product;
    Board* const boards[] = {new Board(&product), new Board(&product)};
    boards[0]->setBusController(&bridge);
    for (Board* const board : boards)
        product.addSubassembly(board);
    for (int i = 0; i < boardAndAddress.size(); i += 2)
        devices.emplace_back(boards[boardAndAddress.at(i)]->addDevice(
            Device::CAT24AA02, 0, boardAndAddress.at(i + 1), QString::number(i / 2)));

    QStringList alone;
    for (Device* const device : product.devices()) {
        const QList<DeviceCommand*> commands = product.writeDeviceCommands(device, false);
        const int firstPage = device == devices.at(size_t(header)).get() ? 7 : 0;
        QCOMPARE(descriptionsOf(commands), eepromPageWrites(placesOf({device}).constFirst(), firstPage));
        alone += descriptionsOf(commands);
        qDeleteAll(commands);
    }
    const QList<DeviceCommand*> list = product.writeCommands();
    QCOMPARE(descriptionsOf(list), alone);
    qDeleteAll(list);
}
