// The description loader called directly: what it accepts, and the one
// error line for each thing it refuses.

#include "golden.h"

#include <productdescription.h>

#include <QtTest/QtTest>

class TestQuelmCtlDescription : public QObject
{
    Q_OBJECT

private slots:
    void refusesWithOneLine();
    void readsEveryKind();
};

// Each description under quelmctl/refused/, named by its file, and the line
// it is refused with.
void TestQuelmCtlDescription::refusesWithOneLine()
{
    const QDir refused(QStringLiteral(QUELM_TEST_DATA_DIR "/quelmctl/refused"));
    QByteArray lines;
    for (const QString& name : refused.entryList(QDir::Files, QDir::Name)) {
        QFile file(refused.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString error;
        const bool accepted = ProductDescription::parse(file.readAll(), name, &error).has_value();
        lines += (accepted ? name + QStringLiteral(": accepted") : error).toUtf8() + '\n';
    }
    QUELM_COMPARE_GOLDEN(lines, QStringLiteral("quelmctl/refused-descriptions.txt"));
}

void TestQuelmCtlDescription::readsEveryKind()
{
    const QByteArray json = R"({"boards": [{"title": "t", "devices": [
        {"type": "DS4520", "bus": 0, "address": "0xA2", "name": "io"},
        {"type": "X9408", "bus": 1, "address": "0x5E", "name": "pot"}]}],
     "settings": [
        {"name": "b", "kind": "bytes", "device": "io", "address": "0x3e:2", "value": "aBcD"},
        {"name": "pin", "kind": "pin", "device": "io", "pin": 8, "value": "01"},
        {"name": "port", "kind": "port", "device": "io", "port": 0, "configuration": 90, "value": "FF"},
        {"name": "n", "kind": "null", "device": "pot", "address": "0x01.7", "text": "spare"},
        {"name": "p", "kind": "proxy", "device": "io", "address": "0x40:2", "source": "b"}]})";
    QString error;
    const std::optional<ProductDescription> description = ProductDescription::parse(json, QStringLiteral("f"), &error);
    QVERIFY2(description, qPrintable(error));
    QCOMPARE(description->gpioBusSelect, false);
    QCOMPARE(int(description->boards.size()), 1);
    const DeviceDescription* pot = description->device(QStringLiteral("pot"));
    QVERIFY(pot);
    QCOMPARE(int(pot->type), int(Device::X9408));
    QCOMPARE(pot->bus, 1);
    QCOMPARE(pot->address, 0x5E);

    const QList<SettingDescription>& settings = description->settings;
    QCOMPARE(int(settings.size()), 5);
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
