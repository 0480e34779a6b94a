// The device command: how many answer bytes it expects, where the answer
// lands, the payload swap of a write, and its text, debug and file dumps.

#include <quelmdevices/quelmdevices.h>

#include <QtTest/QtTest>

#include "driverfactory.h"
#include "golden.h"
#include "hex.h"

class tst_DeviceCommand : public QObject
{
    Q_OBJECT

private slots:
    // A read expects its page's bytes unless a positive length is set, and its
    // answer lands, whole, from the page's start address on.
    void answerLandsAtThePageStart_data()
    {
        QTest::addColumn<int>("type"); // -1: a command without a device
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("responseBytes");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("image"); // the device's receive buffer after the answer
        const QByteArray eight = hex("0102030405060708"), ten = hex("00112233445566778899");
        QTest::newRow("DS4520 page 8 at 0xF0, negative length: the page's")
            << int(Device::DS4520) << 8 << -4 << 8 << eight << eight << QByteArray(0xF0, '\0') + eight;
        QTest::newRow("explicit length, longer than the page: stored whole, data is the page")
            << int(Device::CAT24AA02) << 31 << 10 << 10 << ten << ten.left(8) << QByteArray(0xF8, '\0') + ten;
        QTest::newRow("GPIO answer at 12 grows the bridge image")
            << int(Device::SC18IM700) << 12 << 0 << 1 << hex("A5") << hex("A5") << QByteArray(12, '\0') + hex("A5");
        QTest::newRow("no device: nothing expected, the answer dropped") << -1 << 0 << 5 << 0 << hex("FF") << QByteArray() << QByteArray();
    }

    void answerLandsAtThePageStart()
    {
        QFETCH(int, type);
        QFETCH(int, page);
        QFETCH(int, length);
        QFETCH(QByteArray, answer);
        const std::unique_ptr<Device> device(type == Device::SC18IM700 ? new SC18IM700(QStringLiteral("bridge"))
                                             : type < 0 ? nullptr : createDevice(type).release());
        DeviceCommand command(QStringLiteral("read"), device.get(), page, hex("4950"));
        command.setResponseLength(length);
        QTEST(command.responseBytes(), "responseBytes");
        const QByteArray given = answer;
        command.setRxData(answer);
        QVERIFY(answer == given && command.device() == device.get() && int(command.page()) == page);
        QTEST(command.data(), "data");
        QTEST(device ? device->rxBuffer() : QByteArray(), "image");
    }

    // A write's payload replaces the bytes after its four-byte header in place;
    // a command too short for a payload keeps its bytes.
    void payloadSwap()
    {
        const auto swapped = [](const char* bytes, const char* payload) {
            DeviceCommand command(QStringLiteral("write"), hex(bytes));
            command.setTxData(hex(payload));
            return command.bytes();
        };
        QCOMPARE(swapped("53A004F011223350", "AABBCC"), hex("53A004F0AABBCC50"));
        QCOMPARE(swapped("53A004F011223350", "AA"), hex("53A004F0AA223350"));
        QCOMPARE(swapped("4950", "AA"), hex("4950"));
    }

    // The text dump: two lines without an answer, a third with it; the
    // description goes out in Latin-1, and the stream is left in base 16.
    // The debug dump: one line, spaced unless the stream is not; quoting is
    // the caller's again after it. The list dump replaces the file under tmp/
    // beside the executable with the text dumps, an empty list empties it.
    void dumps()
    {
        CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
        DeviceCommand accented(QStringLiteral("Caf\u00e9 \u2713"), hex("4F5A50"));
        DeviceCommand read(QStringLiteral("Read Device: 0.A0.8 (8 Bytes)"), &eeprom, 1,
                           SC18IM700::readExternalDeviceCommands(0xA0, 0x08, 8));
        QString text, debug;
        QTextStream stream(&text);
        stream << &read;
        QDebug(&debug) << &read;
        QByteArray answer = hex("0AFF");
        read.setRxData(answer);
        stream << &accented << &read << 255;
        QDebug(&debug).nospace() << &read;
        QDebug(&debug) << &accented << QStringLiteral("after");
        QUELM_COMPARE_GOLDEN((text + "\n" + debug).toUtf8(), "core/command-dumps.txt");

        QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/tmp/commands.txt"));
        // Stale contents longer than the dump, that must disappear; the open file sees what the dumps leave.
        QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::ReadWrite));
        QVERIFY(file.write(QByteArray(1000, '~')) > 0 && file.flush());
        DeviceCommand write(QStringLiteral("Write Device: 0.A0.0 (1 Bytes)"), hex("53A002001150"));
        commandsListDump({&write, &read}, QStringLiteral("commands.txt"));
        QVERIFY(file.seek(0));
        QUELM_COMPARE_GOLDEN(file.readAll(), QStringLiteral("core/commands-list.txt"));
        commandsListDump({}, QStringLiteral("commands.txt"));
        QVERIFY(file.size() == 0 && file.remove());
    }
};

QTEST_GUILESS_MAIN(tst_DeviceCommand)
#include "tst_devicecommand.moc"
