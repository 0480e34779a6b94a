// The description loader called directly: what it accepts, and the one
// error line for each thing it refuses.

#include <productdescription.h>

#include <QtTest/QtTest>

namespace {

const QByteArray devices =
    "\"boards\": [{\"title\": \"t\", \"devices\": ["
    "{\"type\": \"DS4520\", \"bus\": 0, \"address\": \"0xA2\", \"name\": \"io\"},"
    "{\"type\": \"X9408\", \"bus\": 1, \"address\": \"0x5E\", \"name\": \"pot\"}]}]";

QByteArray withSettings(const QByteArray& settings)
{
    return "{" + devices + ", \"settings\": [" + settings + "]}";
}

} // namespace

class TestQuelmCtlDescription : public QObject
{
    Q_OBJECT

private slots:
    void refuses_data();
    void refuses();
    void readsEveryKind();
};

void TestQuelmCtlDescription::refuses_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");

    QTest::newRow("not an object") << QByteArray("[]") << "f: the description must be a JSON object";
    QTest::newRow("unterminated on line 3") << QByteArray("{\n\"boards\": [\n  {\"title\": \"x\"") << "f:3:15: malformed description: unterminated string";
    QTest::newRow("bus select") << QByteArray("{\"busSelect\": \"i2c\", \"boards\": []}") << "f: \"busSelect\" must be \"gpio\" or \"none\"";
    QTest::newRow("bus past 255") << QByteArray("{\"boards\": [{\"title\": \"t\", \"devices\": [{\"type\": \"DS4520\", \"bus\": 256, \"address\": \"0xA2\", \"name\": \"io\"}]}]}")
        << "f: device \"io\": \"bus\" must be a whole number from 0 to 255";
    QTest::newRow("odd bus address") << QByteArray("{\"boards\": [{\"title\": \"t\", \"devices\": [{\"type\": \"DS4520\", \"bus\": 0, \"address\": \"0xA3\", \"name\": \"io\"}]}]}")
        << "f: device \"io\": address \"0xA3\" is not an 8-bit bus address (0x00 to 0xFE, even)";
    QTest::newRow("bridge is no device") << QByteArray("{\"boards\": [{\"title\": \"t\", \"devices\": [{\"type\": \"SC18IM700\", \"bus\": 0, \"address\": \"0x00\", \"name\": \"b\"}]}]}")
        << "f: device \"b\": unknown device type \"SC18IM700\"";
    QTest::newRow("two devices of one name") << QByteArray("{\"boards\": [{\"title\": \"t\", \"devices\": [{\"type\": \"DS4520\", \"bus\": 0, \"address\": \"0xA2\", \"name\": \"io\"}, {\"type\": \"DS4520\", \"bus\": 0, \"address\": \"0xA4\", \"name\": \"io\"}]}]}")
        << "f: two devices are named \"io\"";
    QTest::newRow("unknown kind") << withSettings("{\"name\": \"s\", \"kind\": \"word\", \"device\": \"io\"}") << "f: setting \"s\": unknown kind \"word\"";
    QTest::newRow("bit address for a byte") << withSettings("{\"name\": \"s\", \"kind\": \"byte\", \"device\": \"io\", \"address\": \"0x10.3\", \"value\": \"01\"}")
        << "f: setting \"s\": address \"0x10.3\" does not suit a byte setting";
    QTest::newRow("run past the memory") << withSettings("{\"name\": \"s\", \"kind\": \"bytes\", \"device\": \"io\", \"address\": \"0xFE:4\", \"value\": \"01020304\"}")
        << "f: setting \"s\": address \"0xFE:4\" does not suit a bytes setting";
    QTest::newRow("value shorter than the run") << withSettings("{\"name\": \"s\", \"kind\": \"bytes\", \"device\": \"io\", \"address\": \"0x10:2\", \"value\": \"01\"}")
        << "f: setting \"s\": value \"01\" has 1 bytes, the setting holds 2";
    QTest::newRow("missing value") << withSettings("{\"name\": \"s\", \"kind\": \"byte\", \"device\": \"io\", \"address\": \"0x10\"}") << "f: setting \"s\": \"value\" must be a text";
    QTest::newRow("pin 9") << withSettings("{\"name\": \"s\", \"kind\": \"pin\", \"device\": \"io\", \"pin\": 9, \"value\": \"01\"}") << "f: setting \"s\": \"pin\" must be a whole number from 0 to 8";
    QTest::newRow("port 1") << withSettings("{\"name\": \"s\", \"kind\": \"port\", \"device\": \"io\", \"port\": 1, \"value\": \"01\"}")
        << "f: setting \"s\": \"port\" must be a whole number from 0 to 0";
    QTest::newRow("configuration past a byte") << withSettings("{\"name\": \"s\", \"kind\": \"pin\", \"device\": \"io\", \"pin\": 1, \"configuration\": 256, \"value\": \"01\"}")
        << "f: setting \"s\": \"configuration\" must be a whole number from 0 to 255";
    QTest::newRow("proxy of an unknown setting") << withSettings("{\"name\": \"p\", \"kind\": \"proxy\", \"device\": \"io\", \"address\": \"0x20\", \"source\": \"s\"}")
        << "f: setting \"p\" mirrors unknown setting \"s\"";
    QTest::newRow("proxy of a null setting") << withSettings(
        "{\"name\": \"n\", \"kind\": \"null\", \"device\": \"io\", \"address\": \"0x20\"},"
        "{\"name\": \"p\", \"kind\": \"proxy\", \"device\": \"io\", \"address\": \"0x21\", \"source\": \"n\"}")
        << "f: setting \"p\" cannot mirror the null setting \"n\"";
    QTest::newRow("two settings of one name") << withSettings(
        "{\"name\": \"n\", \"kind\": \"null\", \"device\": \"io\", \"address\": \"0x20\"},"
        "{\"name\": \"n\", \"kind\": \"null\", \"device\": \"pot\", \"address\": \"0x01\"}")
        << "f: two settings are named \"n\"";
}

void TestQuelmCtlDescription::refuses()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    QString reported;
    QVERIFY(!ProductDescription::parse(json, QStringLiteral("f"), &reported));
    QCOMPARE(reported, error);
}

void TestQuelmCtlDescription::readsEveryKind()
{
    const QByteArray json = withSettings(
        "{\"name\": \"b\", \"kind\": \"bytes\", \"device\": \"io\", \"address\": \"0x3e:2\", \"value\": \"aBcD\"},"
        "{\"name\": \"pin\", \"kind\": \"pin\", \"device\": \"io\", \"pin\": 8, \"value\": \"01\"},"
        "{\"name\": \"port\", \"kind\": \"port\", \"device\": \"io\", \"port\": 0, \"configuration\": 90, \"value\": \"FF\"},"
        "{\"name\": \"n\", \"kind\": \"null\", \"device\": \"pot\", \"address\": \"0x01.7\", \"text\": \"spare\"},"
        "{\"name\": \"p\", \"kind\": \"proxy\", \"device\": \"io\", \"address\": \"0x40:2\", \"source\": \"b\"}");
    QString error;
    const std::optional<ProductDescription> description = ProductDescription::parse(json, QStringLiteral("f"), &error);
    QVERIFY2(description, qPrintable(error));
    QCOMPARE(description->gpioBusSelect, false);
    QCOMPARE(description->boards.size(), 1);
    const DeviceDescription* pot = description->device(QStringLiteral("pot"));
    QVERIFY(pot);
    QCOMPARE(int(pot->type), int(Device::X9408));
    QCOMPARE(pot->bus, 1);
    QCOMPARE(pot->address, 0x5E);

    const QList<SettingDescription>& settings = description->settings;
    QCOMPARE(settings.size(), 5);
    QCOMPARE(settings.at(0).value, QByteArray::fromHex("ABCD"));
    // A pin is active high unless its configuration says otherwise.
    QCOMPARE(settings.at(1).number, 8);
    QCOMPARE(settings.at(1).configuration, 2);
    QCOMPARE(settings.at(2).configuration, 90);
    QCOMPARE(settings.at(3).text, QStringLiteral("spare"));
    QCOMPARE(settings.at(3).value, QByteArray());
    QCOMPARE(settings.at(4).source, QStringLiteral("b"));
    QCOMPARE(settingKindName(settings.at(4).kind), QStringLiteral("proxy"));
}

QTEST_GUILESS_MAIN(TestQuelmCtlDescription)
#include "tst_quelmctl_description.moc"
