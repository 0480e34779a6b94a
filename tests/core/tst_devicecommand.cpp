// The device command: how many answer bytes it expects, where the answer
// lands, the payload swap of a write, and its text, debug and file dumps.

#include <quelmdevices/quelmdevices.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtTest/QtTest>

#include "driverfactory.h"
#include "hex.h"
#include "golden.h"

#include <memory>

class tst_DeviceCommand : public QObject
{
    Q_OBJECT

private slots:
    void answerLandsAtThePageStart_data();
    void answerLandsAtThePageStart();
    void payloadSwap_data();
    void payloadSwap();
    void textDump();
    void debugDump();
    void listDumpWritesTheFile();
};

// A read expects its page's bytes unless a positive length is set, and its
// answer lands, whole, from the page's start address on.
void tst_DeviceCommand::answerLandsAtThePageStart_data()
{
    QTest::addColumn<int>("type"); // -1: a command without a device
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("responseBytes");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<QByteArray>("data");
    const QByteArray eight = hex("0102030405060708");
    const QByteArray ten = hex("00112233445566778899");
    QTest::newRow("DS4520 page 8 at 0xF0, negative length: the page's") << int(Device::DS4520) << 8 << -4 << 8 << eight
                                                                        << 0xF0 << 0xF8 << eight;
    QTest::newRow("explicit length, longer than the page: stored whole, data is the page")
        << int(Device::CAT24AA02) << 31 << 10 << 10 << ten << 0xF8 << 258 << ten.left(8);
    QTest::newRow("GPIO answer at 12 grows the bridge image") << int(Device::SC18IM700) << 12 << 0 << 1 << hex("A5")
                                                              << 12 << 13 << hex("A5");
    QTest::newRow("no device: nothing expected, the answer dropped") << -1 << 0 << 5 << 0 << hex("FF") << 0 << 0
                                                                     << QByteArray();
}

void tst_DeviceCommand::answerLandsAtThePageStart()
{
    QFETCH(int, type);
    QFETCH(int, page);
    QFETCH(int, length);
    QFETCH(QByteArray, answer);
    QFETCH(int, address);
    const std::unique_ptr<Device> device(type == Device::SC18IM700 ? new SC18IM700(QStringLiteral("bridge"))
                                         : type < 0                ? nullptr
                                                                   : createDevice(type).release());
    DeviceCommand command(QStringLiteral("read"), device.get(), page, hex("4950"));
    command.setResponseLength(length);
    QTEST(command.responseBytes(), "responseBytes");
    const QByteArray given = answer;
    command.setRxData(answer);
    QCOMPARE(answer, given);
    QCOMPARE(command.device(), device.get());
    QCOMPARE(int(command.page()), page);
    QTEST(command.data(), "data");
    if (device) {
        QTEST(int(device->rxBuffer().size()), "bufferSize");
        QCOMPARE(device->rxBuffer().mid(address, answer.size()), answer);
        QCOMPARE(device->rxBuffer().left(address), QByteArray(address, '\0'));
    }
}

void tst_DeviceCommand::payloadSwap_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray write = hex("53A004F011223350");
    QTest::newRow("same length") << write << hex("AABBCC") << hex("53A004F0AABBCC50");
    QTest::newRow("shorter payload") << write << hex("AA") << hex("53A004F0AA223350");
    QTest::newRow("command too short for a payload")
        << hex("4950") << hex("AA") << hex("4950");
}

void tst_DeviceCommand::payloadSwap()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, payload);
    DeviceCommand command(QStringLiteral("write"), bytes);
    command.setTxData(payload);
    QTEST(command.bytes(), "expected");
}

// Two lines without an answer, a third with it; the description goes out in
// Latin-1, and the stream is left in base 16.
void tst_DeviceCommand::textDump()
{
    CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
    DeviceCommand write(QStringLiteral("Caf\u00e9 \u2713"), hex("4F5A50"));
    DeviceCommand read(QStringLiteral("Read Device: 0.A0.8 (8 Bytes)"), &eeprom, 1,
                       SC18IM700::readExternalDeviceCommands(0xA0, 0x08, 8));
    QByteArray answer = hex("0AFF");
    QString text;
    QTextStream stream(&text);
    stream << &read;
    read.setRxData(answer);
    stream << &write << &read << 255;
    stream.flush();
    QCOMPARE(text, QStringLiteral("Read Device: 0.A0.8 (8 Bytes)\n"
                                  "  Tx Command: 53A0010853A10850\n"
                                  "        Data: 0000000000000000\n"
                                  "Caf\u00e9 ?\n"
                                  "  Tx Command: 4F5A50\n"
                                  "Read Device: 0.A0.8 (8 Bytes)\n"
                                  "  Tx Command: 53A0010853A10850\n"
                                  "        Data: 0AFF000000000000\n"
                                  "ff"));
}

void tst_DeviceCommand::debugDump()
{
    CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
    DeviceCommand read(QStringLiteral("Read Device: 0.A0.0 (8 Bytes)"), &eeprom, 0,
                       hex("53A0010053A10850"));
    DeviceCommand write(QStringLiteral("Write GPIO Register 5."), hex("4F0550"));
    DeviceCommand accented(QStringLiteral("Caf\u00e9 \u2713"), hex("4950"));
    QString text;
    QDebug(&text) << &read;
    QDebug(&text).nospace() << &write;
    QDebug(&text) << &accented << QStringLiteral("after"); // quoting is the caller's again
    QCOMPARE(text, QStringLiteral("Read Device: 0.A0.0 (8 Bytes)  Tx: 53A0010053A10850  Rx: 0000000000000000 "
                                  "Write GPIO Register 5. Tx:4F0550"
                                  "Caf\u00e9 ?  Tx: 4950 \"after\" "));
}

// The file under tmp/ beside the executable is replaced, and emptied by an empty list.
void tst_DeviceCommand::listDumpWritesTheFile()
{
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/tmp");
    QVERIFY(QDir().mkpath(dir));
    QFile file(dir + QStringLiteral("/commands.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("stale contents that must disappear");
    file.close();

    CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
    DeviceCommand write(QStringLiteral("Write Device: 0.A0.0 (1 Bytes)"), hex("53A0020011 50"));
    DeviceCommand read(QStringLiteral("Read Device: 0.A0.0 (8 Bytes)"), &eeprom, 0,
                       hex("53A0010053A10850"));
    commandsListDump({&write, &read}, QStringLiteral("commands.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QUELM_COMPARE_GOLDEN(file.readAll(), QStringLiteral("core/commands-list.txt"));
    file.close();

    commandsListDump({}, QStringLiteral("commands.txt"));
    QCOMPARE(file.size(), qint64(0));
    QVERIFY(file.remove());
}

QTEST_GUILESS_MAIN(tst_DeviceCommand)
#include "tst_devicecommand.moc"
