#include "fieldfixture.h"

#include <nullfield.h>
#include <proxyfield.h>

#include <varncore/logger.h>

#include <QtCore/QTextStream>
#include <QtTest/QtTest>

#include <memory>

namespace {

class RecordingAppender : public AbstractAppender
{
public:
    void append(const LogRecord& record) override { records.append(record); }
    QList<LogRecord> records;
};

QString report(const Field& field, const int& base = 10)
{
    QString text;
    QTextStream stream(&text);
    stream.setIntegerBase(base);
    field.output(stream);
    stream << 31; // the number base the row leaves behind
    return text;
}

// The source row of a proxy: row 7, "Gain", two bytes at 0x40 of its own device.
struct SourceFixture
{
    SourceFixture()
    {
        fillRow(model, 7, {QByteArray::fromHex("1234"), 5, 0x40, 2, QVariant()});
        model.setHeaderData(7, Qt::Vertical, QStringLiteral("Gain"));
        model.setData(model.index(7, Field::AddressColumn), QStringLiteral("0x40:2"), Qt::DisplayRole);
        model.setData(model.index(7, Field::SizeColumn), QStringLiteral("2 Bytes"), Qt::DisplayRole);
        field = std::make_unique<Field>(&model, 7, &device);
    }

    QuelmModel model{8, 15};
    RecordingDevice device{0, 0xA0};
    std::unique_ptr<Field> field; // built once its row is filled
};

} // namespace

class TestNullProxyFields : public QObject
{
    Q_OBJECT

private slots:
    void nullFieldLocation_data();
    void nullFieldLocation();
    void nullFieldMapsNothing();
    void nullFieldOutput();
    void proxyWrites();
    void proxyReads();
    void proxyTexts();
    void proxyOutput_data();
    void proxyOutput();
    void proxyWithoutSource();
    void proxyWithoutDevices();
};

void TestNullProxyFields::nullFieldLocation_data()
{
    QTest::addColumn<QString>("addressText");
    QTest::addColumn<int>("expectedAddress");
    QTest::addColumn<int>("expectedSize");
    QTest::addColumn<QString>("expectedSizeText");

    QTest::newRow("bit") << QStringLiteral("0x1A.3") << 0x1A << 1 << QStringLiteral("1 Bit");
    QTest::newRow("byte") << QStringLiteral("0x1A") << 0x1A << 1 << QStringLiteral("1 Byte");
    QTest::newRow("byte array") << QStringLiteral("0x10:4") << 0x10 << 4 << QStringLiteral("undefined");
    QTest::newRow("no address") << QStringLiteral("none") << 0 << 0 << QStringLiteral("undefined");
}

void TestNullProxyFields::nullFieldLocation()
{
    QFETCH(QString, addressText);
    QFETCH(int, expectedAddress);
    QFETCH(int, expectedSize);
    QFETCH(QString, expectedSizeText);
    QuelmModel model(1, 15);
    fillRow(model, 0, {QVariant(), 2, 0x77, 9, QVariant()});

    const NullField field(&model, 0, addressText, nullptr, QStringLiteral("note"));

    // The address text places the field, whatever the model says.
    QCOMPARE(int(field.address()), expectedAddress);
    QCOMPARE(int(field.size()), expectedSize);
    QCOMPARE(field.fieldSizeToString(), expectedSizeText);
    QCOMPARE(field.memoryType(), MemoryAddress::fieldType(addressText));
    QCOMPARE(field.addressText(), addressText);
}

void TestNullProxyFields::nullFieldMapsNothing()
{
    QuelmModel model(1, 15);
    fillRow(model, 0, {QByteArray::fromHex("AA"), 2, 0x04, 1, QVariant()});
    RecordingDevice device;
    device.setRxData(QByteArray(256, '\x55'));
    NullField field(&model, 0, QStringLiteral("0x04"), &device, QString());

    field.mapToEmbeddedData();
    field.mapFromEmbeddedData();

    QCOMPARE(device.txBuffer(), QByteArray(256, '\0'));
    QCOMPARE(modelValue(model, 0), QByteArray::fromHex("AA"));
    QCOMPARE(field.modelEmbeddedValue(), QByteArray());
    QCOMPARE(field.embeddedValueToString(), QString());
}

void TestNullProxyFields::nullFieldOutput()
{
    QuelmModel model(13, 15);
    model.setHeaderData(12, Qt::Vertical, QStringLiteral("Spare"));
    RecordingDevice device(1, 0x50);
    NullField field(&model, 12, QStringLiteral("0x1A.3"), &device, QStringLiteral("first"));
    field.setText(QStringLiteral("not fitted"));
    const NullField withoutDevice(&model, 12, QStringLiteral("0x1A"), nullptr, QStringLiteral("n"));

    QCOMPARE(field.text(), QStringLiteral("not fitted"));
    QCOMPARE(report(field, 16),
             QStringLiteral("<td>Null Field for: <a href='#model-row-12'>12 (Spare)</a></td>\n"
                            "<td><a href='#1.80'>CAT24AA02</a></td>\n"
                            "<td>0x1A.3</td>\n"
                            "<td colspan='4'>not fitted</td>\n"
                            "1f"));
    QCOMPARE(report(withoutDevice),
             QStringLiteral("<td>Null Field for: <a href='#model-row-12'>12 (Spare)</a></td>\n"
                            "<td>No device</td>\n"
                            "<td>0x1A</td>\n"
                            "<td colspan='4'>n</td>\n"
                            "31"));
}

void TestNullProxyFields::proxyWrites()
{
    SourceFixture source;
    RecordingDevice device;
    IdentityProxyField proxy(source.field.get(), 0x10, 1, &device);

    proxy.mapToEmbeddedData();

    // The whole source value lands at the proxy's address; the source's own
    // location is left to the source.
    QCOMPARE(device.txData(0x0F, 4), QByteArray::fromHex("00123400"));
    QCOMPARE(source.device.txBuffer(), QByteArray(256, '\0'));
    QVERIFY(!proxy.model());
    QCOMPARE(proxy.row(), -1);
    QCOMPARE(proxy.source(), source.field.get());
}

void TestNullProxyFields::proxyReads()
{
    SourceFixture source;
    RecordingDevice device;
    device.setRxData(0x10, QByteArray::fromHex("ABCD"));
    IdentityProxyField proxy(source.field.get(), 0x10, 2, &device);

    proxy.mapFromEmbeddedData();

    QCOMPARE(source.device.rxData(0x3F, 4), QByteArray::fromHex("00ABCD00"));
    QCOMPARE(modelValue(source.model, 7), QByteArray::fromHex("ABCD"));
    QCOMPARE(device.txBuffer(), QByteArray(256, '\0'));
}

void TestNullProxyFields::proxyTexts()
{
    SourceFixture source;
    const IdentityProxyField proxy(source.field.get(), 0x10, 2, nullptr);

    QCOMPARE(proxy.modelEmbeddedValue(), QByteArray::fromHex("1234"));
    QCOMPARE(proxy.embeddedValueToString(), QStringLiteral("1234"));
    QCOMPARE(proxy.memoryType(), Quelm::ProxyField);
    QCOMPARE(proxy.memoryConfigToString(), QStringLiteral("Identity Proxy"));
    QCOMPARE(proxy.fieldSizeToString(), QStringLiteral("2 Bytes"));
    QCOMPARE(proxy.memoryAddressToString(), QStringLiteral("0x40:2"));
}

void TestNullProxyFields::proxyOutput_data()
{
    QTest::addColumn<int>("base");
    QTest::addColumn<int>("bus");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("sizeCell");

    QTest::newRow("size 0") << 10 << 1 << 0 << QStringLiteral("B:1.50.1a") << QStringLiteral("0 Byte");
    QTest::newRow("size 1") << 10 << 1 << 1 << QStringLiteral("B:1.50.1a") << QStringLiteral("1 Byte");
    QTest::newRow("size 2") << 10 << 1 << 2 << QStringLiteral("B:1.50.1a") << QStringLiteral("2 Bytes");
    QTest::newRow("bus in the caller's base") << 16 << 17 << 300 << QStringLiteral("B:11.50.1a")
                                              << QStringLiteral("44 Bytes");
}

void TestNullProxyFields::proxyOutput()
{
    QFETCH(int, base);
    QFETCH(int, bus);
    QFETCH(int, size);
    QFETCH(QString, location);
    QFETCH(QString, sizeCell);
    SourceFixture source;
    RecordingDevice device(bus, 0x50);
    const IdentityProxyField proxy(source.field.get(), 0x1A, size, &device);

    QCOMPARE(report(proxy, base),
             QStringLiteral("<td>Proxy Field for Write Only: <a href='#model-row-7'>7 (Gain)</a></td>\n"
                            "<td><a href='#%1.80'>CAT24AA02</a></td>\n"
                            "<td>%2</td>\n"
                            "<td>1a</td>\n"
                            "<td>%3</td>\n"
                            "<td>EEPROM</td>\n"
                            "<td><span style='word-wrap: break-word;'>1234</span></td>\n"
                            "31")
                 .arg(bus)
                 .arg(location, sizeCell));
}

void TestNullProxyFields::proxyWithoutSource()
{
    RecordingAppender appender;
    cuteLoggerInstance()->registerAppender(&appender);
    RecordingDevice device(1, 0x50);
    device.setRxData(QByteArray(256, '\x55'));
    IdentityProxyField proxy(nullptr, 7, 2, &device);
    cuteLoggerInstance()->removeAppender(&appender);

    QCOMPARE(appender.records.size(), 1);
    const LogRecord& record = appender.records.first();
    QCOMPARE(record.level, Logger::Error);
    QCOMPARE(record.file, QStringLiteral("src/quelmdevices/fields/proxyfield.cpp"));
    QCOMPARE(record.line, 24);
    QCOMPARE(record.function,
             QStringLiteral("IdentityProxyField::IdentityProxyField(Field*, const int&, const int&, "
                            "Device*, QObject*)"));
    QCOMPARE(record.message,
             QStringLiteral("IdentityProxyField::IdentityProxyField() NULL Source Field addr= 7"));
    QCOMPARE(int(proxy.address()), 7);
    QCOMPARE(int(proxy.size()), 2);

    proxy.mapToEmbeddedData();
    proxy.mapFromEmbeddedData();
    QCOMPARE(device.txBuffer(), QByteArray(256, '\0'));
    QCOMPARE(proxy.fieldSizeToString(), QString());
    QCOMPARE(proxy.memoryAddressToString(), QString());
    QCOMPARE(report(proxy),
             QStringLiteral("<td>Proxy Field for Write Only: No source field</td>\n"
                            "<td><a href='#1.80'>CAT24AA02</a></td>\n"
                            "<td>B:1.50.7</td>\n"
                            "<td>7</td>\n"
                            "<td>2 Bytes</td>\n"
                            "<td>EEPROM</td>\n"
                            "<td><span style='word-wrap: break-word;'></span></td>\n"
                            "31"));
}

void TestNullProxyFields::proxyWithoutDevices()
{
    SourceFixture source;
    RecordingDevice device;
    device.setRxData(QByteArray(256, '\x55'));
    Field sourceWithoutDevice(&source.model, 7, nullptr);
    IdentityProxyField toSourceWithoutDevice(&sourceWithoutDevice, 0x10, 2, &device);
    IdentityProxyField withoutDevice(source.field.get(), 0x10, 2, nullptr);

    toSourceWithoutDevice.mapFromEmbeddedData();
    withoutDevice.mapFromEmbeddedData();
    withoutDevice.mapToEmbeddedData();

    QCOMPARE(modelValue(source.model, 7), QByteArray::fromHex("1234"));
    QCOMPARE(source.device.rxBuffer(), QByteArray(256, '\0'));
    QCOMPARE(source.device.txBuffer(), QByteArray(256, '\0'));
    QCOMPARE(report(withoutDevice),
             QStringLiteral("<td>Proxy Field for Write Only: <a href='#model-row-7'>7 (Gain)</a></td>\n"
                            "<td>No device</td>\n"
                            "<td></td>\n"
                            "<td>10</td>\n"
                            "<td>2 Bytes</td>\n"
                            "<td>EEPROM</td>\n"
                            "<td><span style='word-wrap: break-word;'>1234</span></td>\n"
                            "31"));
}

QTEST_GUILESS_MAIN(TestNullProxyFields)
#include "tst_nullproxyfields.moc"
