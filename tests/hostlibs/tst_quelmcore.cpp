// The host's model and address services: memory address texts, field type
// names, the cells' roles, cells outside the table, row headers and inserts.

#include <quelmcore/quelmcore.h>

#include <QtTest/QtTest>

class TestQuelmCore : public QObject
{
    Q_OBJECT

private slots:
    void memoryAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address"); // type address+size; 0 0+0: not an address
        QTest::newRow("byte") << "0x1A" << "2 26+1";
        QTest::newRow("byte, one digit, upper prefix") << "0XF" << "2 15+1";
        QTest::newRow("bit 3") << "0x1a.3" << "3 26+1";
        QTest::newRow("bit 7") << "0xFF.7" << "3 255+1";
        QTest::newRow("run to the last byte") << "0xF0:16" << "5 240+16";
        QTest::newRow("whole memory") << "0x0:256" << "5 0+256";
        for (const char* const text : {"0xF0:17", "0x1A:0", "0x1A.8", "0x100", "1A", "26", "0x1G", " 0x1A", "0x1A:8x", "0x1A.3:2", ""})
            QTest::addRow("not an address: \"%s\"", text) << text << "0 0+0";
    }

    void memoryAddress()
    {
        QFETCH(QString, text);
        QTEST(QStringLiteral("%1 %2+%3").arg(int(MemoryAddress::fieldType(text))).arg(MemoryAddress::memoryAddress(text))
                  .arg(MemoryAddress::memorySize(text)), "address");
    }

    // The names in the table, and none for a type outside it.
    void fieldTypeNames()
    {
        QStringList names;
        for (int type = -1; type <= 6; ++type)
            names << Quelm::fieldTypeToString(Quelm::FieldTypes(type));
        QCOMPARE(names.join('|'), QStringLiteral("|Undefined|Identity Proxy|Byte|Bit|Register|Byte Array|"));
    }

    // The display role falls back to the edit value until it is set on its own;
    // each role keeps its own value and every change is signalled.
    void displayFallsBackToEditValue_data()
    {
        QTest::addColumn<QVariant>("edit");
        QTest::addColumn<QVariant>("setDisplay");
        QTest::addColumn<QVariant>("display");
        QTest::newRow("bytes as upper-case hex") << QVariant(QByteArray::fromHex("0aff10")) << QVariant() << QVariant("0AFF10");
        QTest::newRow("empty bytes") << QVariant(QByteArray()) << QVariant() << QVariant(QString());
        QTest::newRow("number") << QVariant(26) << QVariant() << QVariant("26");
        QTest::newRow("nothing") << QVariant() << QVariant() << QVariant();
        QTest::newRow("display set on its own") << QVariant(QByteArray::fromHex("01")) << QVariant("on") << QVariant("on");
    }

    void displayFallsBackToEditValue()
    {
        QFETCH(QVariant, edit);
        QFETCH(QVariant, setDisplay);
        QuelmModel model(2, 3);
        const QModelIndex cell = model.index(1, 2);
        QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(!edit.isValid() || model.setData(cell, edit, Qt::EditRole));
        QVERIFY(!setDisplay.isValid() || model.setData(cell, setDisplay, Qt::DisplayRole));
        QVERIFY(model.setData(cell, QStringLiteral("tip"), Qt::ToolTipRole));
        QTEST(model.data(cell, Qt::DisplayRole), "display");
        QCOMPARE(QVariantList({model.data(cell, Qt::EditRole), model.data(cell, Qt::ToolTipRole)}), QVariantList({edit, QVariant("tip")}));
        QCOMPARE(int(changes.size()), 1 + int(edit.isValid()) + int(setDisplay.isValid()));
    }

    // Cells and headers outside the table are refused and read as nothing;
    // rows and columns inserted before a cell move it and its row header along.
    void cellsOutsideTheTableRowHeadersAndInserts()
    {
        QuelmModel model(3, 2);
        const QuelmModel other(5, 5);
        QVERIFY(!model.index(3, 0).isValid() && !model.setData(other.index(4, 4), 1, Qt::EditRole));
        QCOMPARE(model.data(other.index(4, 4), Qt::EditRole), QVariant());
        QCOMPARE(model.data(QModelIndex(), Qt::DisplayRole), QVariant());
        const QuelmModel empty(-3, -1);
        QCOMPARE(model.rowCount(model.index(0, 0)) + empty.rowCount() + empty.columnCount(), 0);

        QVERIFY(model.setHeaderData(1, Qt::Vertical, QStringLiteral("Gain")));
        QVERIFY(!model.setHeaderData(3, Qt::Vertical, QStringLiteral("past")));
        QVERIFY(!model.setHeaderData(-1, Qt::Vertical, QStringLiteral("before")));
        QCOMPARE(QVariantList({model.headerData(1, Qt::Vertical), model.headerData(0, Qt::Vertical), model.headerData(3, Qt::Vertical)}),
                 QVariantList({QVariant("Gain"), QVariant(QString()), QVariant()}));
        QCOMPARE(model.rowText(1), QString());

        model.setData(model.index(1, 1), 5, Qt::EditRole);
        QVERIFY(model.insertRows(0, 2) && model.insertColumns(1, 1) && !model.insertRows(9, 1));
        QCOMPARE(QSize(model.columnCount(), model.rowCount()), QSize(3, 5));
        QCOMPARE(model.data(model.index(3, 2), Qt::EditRole), QVariant(5));
        QCOMPARE(model.headerData(3, Qt::Vertical), QVariant("Gain"));
    }
};

QTEST_GUILESS_MAIN(TestQuelmCore)
#include "tst_quelmcore.moc"
