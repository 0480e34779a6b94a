#include "fieldfixture.h"

#include <QtCore/QTextStream>
#include <QtTest/QtTest>

namespace {

// A host model with texts of its own for its rows.
class TextModel : public QuelmModel
{
public:
    using QuelmModel::QuelmModel;
    QString rowText(const int& row) const override { return QStringLiteral("text of %1").arg(row); }
};

QString report(const Field& field, const int& base = 10)
{
    QString text;
    QTextStream stream(&text);
    stream.setIntegerBase(base);
    field.output(stream);
    return text;
}

} // namespace

class TestField : public QObject
{
    Q_OBJECT

private slots:
    void construction_data();
    void construction();
    void mapToEmbeddedData_data();
    void mapToEmbeddedData();
    void mapFromEmbeddedData_data();
    void mapFromEmbeddedData();
    void embeddedValueStartWraps_data();
    void embeddedValueStartWraps();
    void texts();
    void output_data();
    void output();
    void withoutDevice();
    void withoutModel();
};

void TestField::construction_data()
{
    QTest::addColumn<QVariant>("address");
    QTest::addColumn<QVariant>("size");
    QTest::addColumn<int>("expectedAddress");
    QTest::addColumn<int>("expectedSize");

    QTest::newRow("numbers") << QVariant(0x1A) << QVariant(3) << 0x1A << 3;
    QTest::newRow("low 8 bits kept") << QVariant(0x1A5) << QVariant(258) << 0xA5 << 2;
    QTest::newRow("negative wraps") << QVariant(-1) << QVariant(-2) << 0xFF << 0xFE;
    QTest::newRow("doubles round half up") << QVariant(2.5) << QVariant(-0.5) << 3 << 0;
    QTest::newRow("negative half rounds up") << QVariant(-1.5) << QVariant(-2.5) << 0xFF << 0xFE;
    QTest::newRow("numeric text") << QVariant(QStringLiteral("17")) << QVariant(QStringLiteral("4"))
                                  << 17 << 4;
    QTest::newRow("text that is no number") << QVariant(QStringLiteral("0x1A"))
                                            << QVariant(QStringLiteral("one")) << 0 << 0;
    QTest::newRow("empty cells") << QVariant() << QVariant() << 0 << 0;
}

void TestField::construction()
{
    QFETCH(QVariant, address);
    QFETCH(QVariant, size);
    QFETCH(int, expectedAddress);
    QFETCH(int, expectedSize);
    QuelmModel model(4, 15);
    fillRow(model, 2, {QVariant(), 0, address, size, QVariant()});
    RecordingDevice device;

    const Field field(&model, 2, &device);

    QCOMPARE(int(field.address()), expectedAddress);
    QCOMPARE(int(field.size()), expectedSize);
    QCOMPARE(field.model(), &model);
    QCOMPARE(field.row(), 2);
    QCOMPARE(field.device(), &device);
}

void TestField::mapToEmbeddedData_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("expectedTx");

    // Every byte of the value is written, whatever the field's size (1 here).
    QTest::newRow("three bytes at 5") << 5 << QByteArray::fromHex("A1B2C3")
                                      << QByteArray::fromHex("0000000000A1B2C300");
    QTest::newRow("empty value changes nothing") << 5 << QByteArray()
                                                 << QByteArray::fromHex("000000000000000000");
    QTest::newRow("one byte at 0") << 0 << QByteArray::fromHex("7F")
                                   << QByteArray::fromHex("7F0000000000000000");
}

void TestField::mapToEmbeddedData()
{
    QFETCH(int, address);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, expectedTx);
    QuelmModel model(1, 15);
    fillRow(model, 0, {value, 2, address, 1, QVariant()});
    RecordingDevice device;
    Field field(&model, 0, &device);

    field.mapToEmbeddedData();

    QCOMPARE(device.txData(0, 9), expectedTx);
    QCOMPARE(device.txBuffer().size(), 256);
    QCOMPARE(device.rxBuffer(), QByteArray(256, '\0'));
}

void TestField::mapFromEmbeddedData_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("expectedValue");

    QTest::newRow("size 1 reads one byte") << 5 << 1 << QByteArray::fromHex("05");
    QTest::newRow("two bytes") << 5 << 2 << QByteArray::fromHex("0506");
    QTest::newRow("past the end reads zeros") << 250 << 10
                                              << QByteArray::fromHex("FAFBFCFDFEFF00000000");
    QTest::newRow("size 0 reads nothing") << 5 << 0 << QByteArray();
}

void TestField::mapFromEmbeddedData()
{
    QFETCH(int, address);
    QFETCH(int, size);
    QFETCH(QByteArray, expectedValue);
    QuelmModel model(1, 15);
    fillRow(model, 0, {QByteArray::fromHex("EEEE"), 5, address, size, QVariant()});
    RecordingDevice device;
    QByteArray received(256, '\0');
    for (int i = 0; i < received.size(); ++i)
        received[i] = char(i);
    device.setRxData(received);
    Field field(&model, 0, &device);

    field.mapFromEmbeddedData();

    QCOMPARE(modelValue(model, 0), expectedValue);
    QCOMPARE(model.data(model.index(0, Field::ValueColumn), Qt::EditRole).userType(),
             int(QMetaType::QByteArray));
}

void TestField::embeddedValueStartWraps_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("expectedStart");

    QTest::newRow("200 + 100 starts at 44") << 200 << 100 << 44;
    QTest::newRow("no wrap") << 16 << 4 << 20;
    QTest::newRow("negative offset wraps down") << 10 << -20 << 246;
}

void TestField::embeddedValueStartWraps()
{
    QFETCH(int, address);
    QFETCH(int, offset);
    QFETCH(int, expectedStart);
    QuelmModel model(1, 15);
    fillRow(model, 0, {QVariant(), 5, address, 3, QVariant()});
    RecordingDevice device;
    QByteArray rx(256, '\0'), tx(256, '\0');
    for (int i = 0; i < 256; ++i) {
        rx[i] = char(i);
        tx[i] = char(255 - i);
    }
    device.setRxData(rx);
    device.setTxData(tx);
    const Field field(&model, 0, &device);

    // The run after the start counts upward and reads zeros past the end.
    QCOMPARE(field.rxEmbeddedValue(offset), device.rxData(quint8(expectedStart), 3));
    QCOMPARE(field.txEmbeddedValue(offset), device.txData(quint8(expectedStart), 3));
    QCOMPARE(field.rxEmbeddedValue(offset).at(0), char(expectedStart));
}

void TestField::texts()
{
    QuelmModel model(1, 15);
    fillRow(model, 0, {QByteArray::fromHex("0aff"), 3, 0x1A, 1, QVariant()});
    model.setData(model.index(0, Field::AddressColumn), QStringLiteral("0x1A.3"), Qt::DisplayRole);
    const Field field(&model, 0, nullptr);

    QCOMPARE(field.modelEmbeddedValue(), QByteArray::fromHex("0AFF"));
    QCOMPARE(field.embeddedValueToString(), QStringLiteral("0AFF"));
    QCOMPARE(field.memoryType(), Quelm::BitField);
    QCOMPARE(field.memoryAddressToString(), QStringLiteral("0x1A.3"));
    QCOMPARE(field.fieldSizeToString(), QStringLiteral("1"));
    QCOMPARE(field.memoryConfigToString(), QStringLiteral("Bit"));
}

void TestField::output_data()
{
    QTest::addColumn<int>("base");
    QTest::addColumn<QString>("deviceLink");

    // The row number stays decimal; the device link follows the stream.
    QTest::newRow("decimal stream") << 10 << QStringLiteral("1.80");
    QTest::newRow("hexadecimal stream") << 16 << QStringLiteral("1.50");
}

void TestField::output()
{
    QFETCH(int, base);
    QFETCH(QString, deviceLink);
    TextModel model(20, 15);
    fillRow(model, 17, {QByteArray::fromHex("AB01"), 2, 0x1A, 2, QVariant()});
    model.setHeaderData(17, Qt::Vertical, QStringLiteral("Gain"));
    RecordingDevice device(1, 80);
    const Field field(&model, 17, &device);

    QCOMPARE(report(field, base),
             QStringLiteral("<td><a name='model-row-17'>17 (Gain)</td>\n"
                            "<td><a href='#%1'>CAT24AA02</td>\n"
                            "<td>text of 17</td>\n"
                            "<td>26</td>\n"
                            "<td>2</td>\n"
                            "<td>Byte</td>\n"
                            "<td><span style='word-wrap: break-word;'>AB01</span></td>\n")
                 .arg(deviceLink));
}

void TestField::withoutDevice()
{
    QuelmModel model(8, 15);
    fillRow(model, 7, {QByteArray::fromHex("01"), 2, 4, 1, QVariant()});
    Field field(&model, 7, nullptr);

    field.mapToEmbeddedData();
    field.mapFromEmbeddedData();

    QCOMPARE(modelValue(model, 7), QByteArray::fromHex("01"));
    QCOMPARE(field.rxEmbeddedValue(0), QByteArray());
    QCOMPARE(field.txEmbeddedValue(0), QByteArray());
    QCOMPARE(report(field),
             QStringLiteral("<td><a name='model-row-7'>7 ()</td>\n"
                            "<td>No device</td>\n"
                            "<td></td>\n"
                            "<td>4</td>\n"
                            "<td>1</td>\n"
                            "<td>Byte</td>\n"
                            "<td><span style='word-wrap: break-word;'>01</span></td>\n"));
}

void TestField::withoutModel()
{
    RecordingDevice device;
    device.setRxData(QByteArray(256, '\x11'));
    Field field(nullptr, 3, &device);

    field.mapToEmbeddedData();
    field.mapFromEmbeddedData();

    QCOMPARE(int(field.address()), 0);
    QCOMPARE(int(field.size()), 0);
    QCOMPARE(device.txBuffer(), QByteArray(256, '\0'));
    QCOMPARE(field.modelEmbeddedValue(), QByteArray());
    QCOMPARE(field.embeddedValueToString(), QString());
    QCOMPARE(field.memoryAddressToString(), QString());
    QCOMPARE(field.fieldSizeToString(), QString());
    QCOMPARE(field.memoryType(), Quelm::UndefinedField);
}

QTEST_GUILESS_MAIN(TestField)
#include "tst_field.moc"
