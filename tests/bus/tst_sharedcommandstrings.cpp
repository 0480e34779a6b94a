// The bridge builds its command strings without operands once and hands out
// shared copies; patching one command's bytes must leave every other alone.

#include <quelmdevices/quelmdevices.h>

#include <QtTest/QtTest>

#include <functional>

using Encoder = std::function<QByteArray()>;
Q_DECLARE_METATYPE(Encoder)

class tst_SharedCommandStrings : public QObject
{
    Q_OBJECT

private slots:
    void patchingOneCommandLeavesTheOthers_data();
    void patchingOneCommandLeavesTheOthers();
};

void tst_SharedCommandStrings::patchingOneCommandLeavesTheOthers_data()
{
    QTest::addColumn<Encoder>("encode");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("patched");
    QTest::newRow("internal registers read")
        << Encoder(&SC18IM700::readInternalRegistersCommand)
        << QByteArray::fromHex("52000102030405060708090A50")
        << QByteArray::fromHex("52000102AABB0506070809 0A50");
    QTest::newRow("GPIO read")
        << Encoder(&SC18IM700::readGpioCommands) << QByteArray::fromHex("4950")
        << QByteArray::fromHex("4950");
    QTest::newRow("internal registers read through the bus master")
        << Encoder([] {
               SC18IM700 bridge(QStringLiteral("bridge"));
               return bridge.readInternalRegisters();
           })
        << QByteArray::fromHex("52000102030405060708090A50")
        << QByteArray::fromHex("52000102AABB0506070809 0A50");
}

void tst_SharedCommandStrings::patchingOneCommandLeavesTheOthers()
{
    QFETCH(Encoder, encode);
    DeviceCommand patched(QStringLiteral("patched"), encode());
    DeviceCommand untouched(QStringLiteral("untouched"), encode());
    patched.setTxData(QByteArray::fromHex("AABB"));
    QTEST(patched.bytes(), "patched");
    QTEST(untouched.bytes(), "bytes");
    QTEST(encode(), "bytes");
}

QTEST_GUILESS_MAIN(tst_SharedCommandStrings)

#include "tst_sharedcommandstrings.moc"
