#include <quelmcore/quelmcore.h>

#include <QtTest/QSignalSpy>
#include <QtTest/QtTest>

class TestQuelmCore : public QObject
{
    Q_OBJECT

private slots:
    void memoryAddress_data();
    void memoryAddress();
    void fieldTypeNames_data();
    void fieldTypeNames();
    void displayFallsBackToEditValue_data();
    void displayFallsBackToEditValue();
    void rolesAreKeptApart();
    void cellsOutsideTheTable();
    void rowHeaders();
    void insertRows();
};

void TestQuelmCore::memoryAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("size");

    QTest::newRow("byte") << "0x1A" << int(Quelm::ByteField) << 0x1A << 1;
    QTest::newRow("byte, one digit, upper prefix") << "0XF" << int(Quelm::ByteField) << 0x0F << 1;
    QTest::newRow("bit 3") << "0x1a.3" << int(Quelm::BitField) << 0x1A << 1;
    QTest::newRow("bit 7") << "0xFF.7" << int(Quelm::BitField) << 0xFF << 1;
    QTest::newRow("8 bytes") << "0x1A:8" << int(Quelm::ByteArrayField) << 0x1A << 8;
    QTest::newRow("run to the last byte") << "0xF0:16" << int(Quelm::ByteArrayField) << 0xF0 << 16;
    QTest::newRow("whole memory") << "0x0:256" << int(Quelm::ByteArrayField) << 0 << 256;
    QTest::newRow("run past the last byte") << "0xF0:17" << 0 << 0 << 0;
    QTest::newRow("size 0") << "0x1A:0" << 0 << 0 << 0;
    QTest::newRow("bit 8") << "0x1A.8" << 0 << 0 << 0;
    QTest::newRow("address above 0xFF") << "0x100" << 0 << 0 << 0;
    QTest::newRow("no prefix") << "1A" << 0 << 0 << 0;
    QTest::newRow("decimal") << "26" << 0 << 0 << 0;
    QTest::newRow("not hexadecimal") << "0x1G" << 0 << 0 << 0;
    QTest::newRow("surrounding space") << " 0x1A" << 0 << 0 << 0;
    QTest::newRow("trailing garbage") << "0x1A:8x" << 0 << 0 << 0;
    QTest::newRow("bit and size") << "0x1A.3:2" << 0 << 0 << 0;
    QTest::newRow("empty") << "" << 0 << 0 << 0;
}

void TestQuelmCore::memoryAddress()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(int, address);
    QFETCH(int, size);

    QCOMPARE(int(MemoryAddress::fieldType(text)), type);
    QCOMPARE(MemoryAddress::memoryAddress(text), address);
    QCOMPARE(MemoryAddress::memorySize(text), size);
}

void TestQuelmCore::fieldTypeNames_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");

    QTest::newRow("first") << 0 << "Undefined";
    QTest::newRow("last") << 5 << "Byte Array";
    QTest::newRow("past the table") << 6 << "";
    QTest::newRow("negative") << -1 << "";
}

void TestQuelmCore::fieldTypeNames()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    QCOMPARE(Quelm::fieldTypeToString(Quelm::FieldTypes(type)), name);
}

void TestQuelmCore::displayFallsBackToEditValue_data()
{
    QTest::addColumn<QVariant>("edit");
    QTest::addColumn<QVariant>("display");

    QTest::newRow("bytes as upper-case hex") << QVariant(QByteArray::fromHex("0aff10"))
                                             << QVariant(QStringLiteral("0AFF10"));
    QTest::newRow("empty bytes") << QVariant(QByteArray()) << QVariant(QString());
    QTest::newRow("number") << QVariant(26) << QVariant(QStringLiteral("26"));
    QTest::newRow("text") << QVariant(QStringLiteral("0x1A")) << QVariant(QStringLiteral("0x1A"));
    QTest::newRow("nothing") << QVariant() << QVariant();
}

void TestQuelmCore::displayFallsBackToEditValue()
{
    QFETCH(QVariant, edit);
    QFETCH(QVariant, display);
    QuelmModel model(2, 3);
    if (edit.isValid())
        QVERIFY(model.setData(model.index(1, 2), edit, Qt::EditRole));

    QCOMPARE(model.data(model.index(1, 2), Qt::DisplayRole), display);
    QCOMPARE(model.data(model.index(1, 2), Qt::EditRole), edit);
}

void TestQuelmCore::rolesAreKeptApart()
{
    QuelmModel model(1, 1);
    const QModelIndex cell = model.index(0, 0);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);

    QVERIFY(model.setData(cell, QByteArray::fromHex("01"), Qt::EditRole));
    QVERIFY(model.setData(cell, QStringLiteral("on"), Qt::DisplayRole));
    QVERIFY(model.setData(cell, QStringLiteral("tip"), Qt::ToolTipRole));

    QCOMPARE(model.data(cell, Qt::EditRole).toByteArray(), QByteArray::fromHex("01"));
    QCOMPARE(model.data(cell, Qt::DisplayRole).toString(), QStringLiteral("on"));
    QCOMPARE(model.data(cell, Qt::ToolTipRole).toString(), QStringLiteral("tip"));
    QCOMPARE(changes.size(), 3);
}

void TestQuelmCore::cellsOutsideTheTable()
{
    QuelmModel model(2, 2);
    QuelmModel other(5, 5);
    const QModelIndex outside = other.index(4, 4);

    QVERIFY(!model.index(2, 0).isValid());
    QVERIFY(!model.setData(outside, 1, Qt::EditRole));
    QCOMPARE(model.data(outside, Qt::EditRole), QVariant());
    QCOMPARE(model.data(QModelIndex(), Qt::DisplayRole), QVariant());
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);

    const QuelmModel empty(-3, -1);
    QCOMPARE(empty.rowCount(), 0);
    QCOMPARE(empty.columnCount(), 0);
}

void TestQuelmCore::rowHeaders()
{
    QuelmModel model(3, 2);

    QVERIFY(model.setHeaderData(1, Qt::Vertical, QStringLiteral("Gain")));
    QVERIFY(!model.setHeaderData(3, Qt::Vertical, QStringLiteral("past")));
    QVERIFY(!model.setHeaderData(-1, Qt::Vertical, QStringLiteral("before")));

    QCOMPARE(model.headerData(1, Qt::Vertical).toString(), QStringLiteral("Gain"));
    QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QString());
    QCOMPARE(model.headerData(3, Qt::Vertical), QVariant());
    QCOMPARE(model.rowText(1), QString());
}

void TestQuelmCore::insertRows()
{
    QuelmModel model(2, 2);
    model.setData(model.index(1, 1), 5, Qt::EditRole);
    model.setHeaderData(1, Qt::Vertical, QStringLiteral("second"));

    QVERIFY(model.insertRows(0, 2));
    QVERIFY(model.insertColumns(1, 1));
    QVERIFY(!model.insertRows(9, 1));

    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.data(model.index(3, 2), Qt::EditRole), QVariant(5));
    QCOMPARE(model.headerData(3, Qt::Vertical).toString(), QStringLiteral("second"));
}

QTEST_GUILESS_MAIN(TestQuelmCore)
#include "tst_quelmcore.moc"
