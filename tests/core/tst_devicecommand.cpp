#include <quelmdevices/quelmdevices.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtTest/QtTest>

#include <memory>

class tst_DeviceCommand : public QObject
{
    Q_OBJECT

private slots:
    void responseBytes_data();
    void responseBytes();
    void answerLandsAtThePageAddress();
    void longerAnswerIsStoredWhole();
    void commandWithoutDeviceIgnoresAnswers();
    void gpioAnswerGrowsTheBridgeImage();
    void payloadSwap_data();
    void payloadSwap();
    void textDump_data();
    void textDump();
    void textDumpLeavesTheStreamInHex();
    void debugDump();
    void listDumpWritesTheFile();
};

void tst_DeviceCommand::responseBytes_data()
{
    QTest::addColumn<bool>("withDevice");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("expected");

    QTest::newRow("no device") << false << 0 << 5 << 0;
    QTest::newRow("page size") << true << 3 << 0 << 8;
    QTest::newRow("explicit length wins") << true << 3 << 2 << 2;
    QTest::newRow("negative length falls back to the page") << true << 3 << -4 << 8;
}

void tst_DeviceCommand::responseBytes()
{
    QFETCH(bool, withDevice);
    QFETCH(int, page);
    QFETCH(int, length);

    CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
    DeviceCommand command(QStringLiteral("read"), withDevice ? &eeprom : nullptr, page,
                          QByteArray::fromHex("53A1085 0"));
    command.setResponseLength(length);
    QTEST(command.responseBytes(), "expected");
}

void tst_DeviceCommand::answerLandsAtThePageAddress()
{
    DS4520Device expander(0, 0x90, QStringLiteral("expander"));
    DeviceCommand command(QStringLiteral("read"), &expander, 8, QByteArray());
    QByteArray answer = QByteArray::fromHex("0102030405060708");
    command.setRxData(answer);
    QCOMPARE(expander.rxData(0xF0, 8), answer);
    QCOMPARE(command.data(), answer);
    QCOMPARE(command.page(), quint8(8));
    QCOMPARE(command.device(), &expander);
}

void tst_DeviceCommand::longerAnswerIsStoredWhole()
{
    CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
    DeviceCommand command(QStringLiteral("read"), &eeprom, 31, QByteArray());
    QByteArray answer = QByteArray::fromHex("00112233445566778899");
    command.setRxData(answer);
    QCOMPARE(eeprom.rxBuffer().size(), 258);
    QCOMPARE(eeprom.rxBuffer().right(10), answer);
    QCOMPARE(command.data(), answer.left(8));
}

void tst_DeviceCommand::commandWithoutDeviceIgnoresAnswers()
{
    DeviceCommand command(QStringLiteral("write"), QByteArray::fromHex("53A00100 50"));
    QByteArray answer = QByteArray::fromHex("FF");
    command.setRxData(answer);
    QCOMPARE(command.responseBytes(), 0);
    QVERIFY(command.data().isEmpty());
    QVERIFY(command.device() == nullptr);
    QCOMPARE(command.page(), quint8(0));
}

void tst_DeviceCommand::gpioAnswerGrowsTheBridgeImage()
{
    SC18IM700 bridge(QStringLiteral("bridge"));
    DeviceCommand command(QStringLiteral("Read GPIO Register."), &bridge, 12, bridge.readGpio());
    QCOMPARE(command.responseBytes(), 1);
    QByteArray answer = QByteArray::fromHex("A5");
    command.setRxData(answer);
    QCOMPARE(bridge.rxBuffer(), QByteArray(12, '\0') + answer);
    QCOMPARE(command.data(), answer);
}

void tst_DeviceCommand::payloadSwap_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("same length")
        << QByteArray::fromHex("53A004F011223350") << QByteArray::fromHex("AABBCC")
        << QByteArray::fromHex("53A004F0AABBCC50");
    QTest::newRow("shorter payload")
        << QByteArray::fromHex("53A004F011223350") << QByteArray::fromHex("AA")
        << QByteArray::fromHex("53A004F0AA223350");
    QTest::newRow("command too short for a payload")
        << QByteArray::fromHex("4950") << QByteArray::fromHex("AA") << QByteArray::fromHex("4950");
}

void tst_DeviceCommand::payloadSwap()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, payload);
    DeviceCommand command(QStringLiteral("write"), bytes);
    command.setTxData(payload);
    QTEST(command.bytes(), "expected");
}

void tst_DeviceCommand::textDump_data()
{
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QString>("expected");

    QTest::newRow("before the answer")
        << false << QStringLiteral("Read Device: 0.A0.8 (8 Bytes)\n"
                                   "  Tx Command: 53A0010853A10850\n"
                                   "        Data: 0000000000000000\n");
    QTest::newRow("after the answer")
        << true << QStringLiteral("Read Device: 0.A0.8 (8 Bytes)\n"
                                  "  Tx Command: 53A0010853A10850\n"
                                  "        Data: 0AFF000000000000\n");
}

void tst_DeviceCommand::textDump()
{
    QFETCH(bool, answered);
    CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
    DeviceCommand command(QStringLiteral("Read Device: 0.A0.8 (8 Bytes)"), &eeprom, 1,
                          SC18IM700::readExternalDeviceCommands(0xA0, 0x08, 8));
    if (answered) {
        QByteArray answer = QByteArray::fromHex("0AFF");
        command.setRxData(answer);
    }
    QString text;
    QTextStream stream(&text);
    stream << &command;
    stream.flush();
    QTEST(text, "expected");
}

void tst_DeviceCommand::textDumpLeavesTheStreamInHex()
{
    DeviceCommand command(QStringLiteral("Caf\u00e9 \u2713"), QByteArray::fromHex("4F5A50"));
    QString text;
    QTextStream stream(&text);
    stream << &command << 255;
    stream.flush();
    QCOMPARE(text, QStringLiteral("Caf\u00e9 ?\n  Tx Command: 4F5A50\nff"));
}

void tst_DeviceCommand::debugDump()
{
    CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
    DeviceCommand read(QStringLiteral("Read Device: 0.A0.0 (8 Bytes)"), &eeprom, 0,
                       QByteArray::fromHex("53A0010053A10850"));
    DeviceCommand write(QStringLiteral("Write GPIO Register 5."), QByteArray::fromHex("4F0550"));
    DeviceCommand accented(QStringLiteral("Caf\u00e9 \u2713"), QByteArray::fromHex("4950"));

    QString text;
    QDebug(&text) << &read;
    QDebug(&text).nospace() << &write;
    QDebug(&text) << &accented << QStringLiteral("after"); // quoting is the caller's again
    QCOMPARE(text, QStringLiteral("Read Device: 0.A0.0 (8 Bytes)  Tx: 53A0010053A10850  Rx: "
                                  "0000000000000000 "
                                  "Write GPIO Register 5. Tx:4F0550"
                                  "Caf\u00e9 ?  Tx: 4950 \"after\" "));
}

void tst_DeviceCommand::listDumpWritesTheFile()
{
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/tmp");
    QVERIFY(QDir().mkpath(dir));
    const QString path = dir + QStringLiteral("/commands.txt");
    {
        QFile stale(path);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("stale contents that must disappear");
    }

    CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
    const std::unique_ptr<DeviceCommand> write(new DeviceCommand(
        QStringLiteral("Write Device: 0.A0.0 (1 Bytes)"), QByteArray::fromHex("53A0020011 50")));
    const std::unique_ptr<DeviceCommand> read(new DeviceCommand(
        QStringLiteral("Read Device: 0.A0.0 (8 Bytes)"), &eeprom, 0, QByteArray::fromHex("53A0010053A10850")));
    commandsListDump({write.get(), read.get()}, QStringLiteral("commands.txt"));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("Write Device: 0.A0.0 (1 Bytes)\n"
                                        "  Tx Command: 53A002001150\n"
                                        "Read Device: 0.A0.0 (8 Bytes)\n"
                                        "  Tx Command: 53A0010053A10850\n"
                                        "        Data: 0000000000000000\n"));
    file.close();

    commandsListDump({}, QStringLiteral("commands.txt"));
    QCOMPARE(QFileInfo(path).size(), qint64(0));
    QVERIFY(QFile::remove(path));
}

QTEST_GUILESS_MAIN(tst_DeviceCommand)
#include "tst_devicecommand.moc"
