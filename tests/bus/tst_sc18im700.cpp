// The SC18IM700 bridge: every encoder's exact byte string, the shared command
// strings, its memory image and pages, and its register reports.

#include <QtTest/QtTest>

#include "sc18im700.h"

#include "devicecommand.h"
#include "golden.h"

namespace {

// Overrides only the byte-array form, to see the pointer form dispatch to it.
class RecordingBridge : public SC18IM700
{
public:
    using SC18IM700::SC18IM700;
    using SC18IM700::writeInternalRegister;
    QByteArray writeInternalRegister(const QByteArray& bytes) override
    {
        received = bytes;
        return QByteArrayLiteral("override");
    }
    QByteArray received;
};

} // namespace

class TestSC18IM700 : public QObject
{
    Q_OBJECT

private slots:
    // Each row: the static encoder, the bridge's virtual one, and the bytes both give.
    void encoders_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("virtualCommand");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray three = QByteArray::fromHex("112233");
        const QByteArray twoAddressBytes = QByteArray::fromHex("3103");
        QTest::newRow("read 8 bytes from register 0x10") << SC18IM700::readExternalDeviceCommands(0xA0, 0x10, 8)
            << m_bridge.readExternalDevice(0xA0, 0x10, 8) << QByteArray::fromHex("53A0011053A10850");
        QTest::newRow("write 11 22 33 to register 0xF0") << m_bridge.writeExternalDevice(0xA0, 0xF0, three)
            << m_bridge.writeExternalDevice(0xA0, 0xF0, three) << QByteArray::fromHex("53A004F011223350");
        QTest::newRow("write 11 22 33 without a register byte") << SC18IM700::writeExternalDeviceCommands(0xA0, three)
            << m_bridge.writeExternalDevice(0xA0, three) << QByteArray::fromHex("53A00311223350");
        QTest::newRow("read 2 bytes after the address bytes 31 03")
            << SC18IM700::readExternalDeviceCommands(0xA0, twoAddressBytes, 2)
            << m_bridge.readExternalDevice(0xA0, twoAddressBytes, 2) << QByteArray::fromHex("53A002310353A10250");
        QTest::newRow("read 5 bytes without a register phase") << SC18IM700::readExternalDeviceCommands(0xA0, 5)
            << m_bridge.readExternalDevice(0xA0, 5) << QByteArray::fromHex("53A10550");
        QTest::newRow("set the GPIO port to 0x5A") << SC18IM700::writeGpioCommands(0x5A) << m_bridge.writeGpio(0x5A)
                                                   << QByteArray::fromHex("4F5A50");
        QTest::newRow("read the GPIO port") << SC18IM700::readGpioCommands() << m_bridge.readGpio()
                                            << QByteArray::fromHex("4950");
        QTest::newRow("read the internal registers") << SC18IM700::readInternalRegistersCommand()
            << m_bridge.readInternalRegisters() << QByteArray::fromHex("52000102030405060708090A50");
        QTest::newRow("write two register bytes")
            << SC18IM700::writeInternalRegisterCommand(QByteArray::fromHex("02FF"))
            << m_bridge.writeInternalRegister(QByteArray::fromHex("02FF")) << QByteArray::fromHex("5702FF50");
        QTest::newRow("pointer and count; pointer and negative count: a zero-terminated string")
            << m_bridge.writeInternalRegister("\x02\xFF", 2) << m_bridge.writeInternalRegister("\x02\xFF\x00\x03", -1)
            << QByteArray::fromHex("5702FF50");
        QTest::newRow("register read from 0x51: bit 0 stays set in the write phase")
            << SC18IM700::readExternalDeviceCommands(0x51, 0x07, 3) << m_bridge.readExternalDevice(0x51, 0x07, 3)
            << QByteArray::fromHex("5351010753510350");
        QTest::newRow("register read with no address bytes") << SC18IM700::readExternalDeviceCommands(0xA0, QByteArray(), 4)
            << m_bridge.readExternalDevice(0xA0, QByteArray(), 4) << QByteArray::fromHex("53A00053A10450");
        QTest::newRow("write with no data bytes") << SC18IM700::writeExternalDeviceCommands(0xA0, QByteArray())
            << m_bridge.writeExternalDevice(0xA0, QByteArray()) << QByteArray::fromHex("53A00050");
        const QByteArray fill(255, char(0xEE));
        QTest::newRow("write 255 bytes to a register: count 256 sent as 00") << m_bridge.writeExternalDevice(0xA0, 0, fill)
            << m_bridge.writeExternalDevice(0xA0, 0, fill) << QByteArray::fromHex("53A00000") + fill + 'P';
        const QByteArray more(257, char(0x11));
        QTest::newRow("write 257 bytes: count sent modulo 256") << SC18IM700::writeExternalDeviceCommands(0xA0, more)
            << m_bridge.writeExternalDevice(0xA0, more) << QByteArray::fromHex("53A001") + more + 'P';
        QTest::newRow("read 256 bytes: count 0") << SC18IM700::readExternalDeviceCommands(0xA0, 0x20, uchar(0))
            << m_bridge.readExternalDevice(0xA0, 0x20, uchar(0)) << QByteArray::fromHex("53A0012053A10050");
    }

    void encoders()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, virtualCommand);
        QFETCH(QByteArray, expected);
        // The commands without operands are built once and handed out as shared
        // copies: patching one command's bytes must leave the others alone.
        DeviceCommand patched(QStringLiteral("patched"), command), patchedToo(QStringLiteral("patched"), virtualCommand);
        patched.setTxData(QByteArray::fromHex("AABB"));
        patchedToo.setTxData(QByteArray::fromHex("AABB"));
        QCOMPARE(command.toHex(' '), expected.toHex(' '));
        QCOMPARE(virtualCommand.toHex(' '), expected.toHex(' '));
        QCOMPARE(SC18IM700::readInternalRegistersCommand(), QByteArray::fromHex("52000102030405060708090A50"));
    }

    void pointerFormDispatchesVirtually()
    {
        RecordingBridge bridge(QStringLiteral("bridge"));
        QCOMPARE(bridge.writeInternalRegister("\x02\xFF", 2), QByteArrayLiteral("override"));
        QCOMPARE(bridge.received, QByteArray::fromHex("02FF"));
    }

    void newBridgeAndItsPages_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("address");
        QTest::newRow("register image") << 0 << 11 << 0;
        QTest::newRow("GPIO byte at 12, not 11") << 1 << 1 << 12;
        QTest::newRow("page 5 answers like page 1") << 5 << 1 << 12;
        QTest::newRow("page 12, the GPIO read's page number") << 12 << 1 << 12;
    }

    void newBridgeAndItsPages()
    {
        QFETCH(int, page);
        const SC18IM700 bridge(QStringLiteral("bridge"));
        QCOMPARE(bridge.deviceType(), int(Device::SC18IM700));
        QCOMPARE(bridge.partName(), QStringLiteral("SC18IM700"));
        QCOMPARE(bridge.deviceName(), QStringLiteral("SC18IM700"));
        QCOMPARE(bridge.busNumber() + bridge.busAddress(), 0);
        QCOMPARE(bridge.rxBuffer(), QByteArray(12, '\0'));
        QVERIFY(bridge.txBuffer().isEmpty());
        QVERIFY(bridge.isDirty());
        QCOMPARE(bridge.memorySize(), 12);
        QCOMPARE(bridge.readPages(), 2);
        QCOMPARE(bridge.writePages(), 0);
        QTEST(bridge.readPageSize(page), "size");
        QTEST(bridge.readPageAddress(page), "address");
        QCOMPARE(bridge.writePageSize(page), 0);
        QCOMPARE(bridge.writePageAddress(page), 0);
    }

    // Each golden file: the HTML report on a fresh stream, a number after it, the
    // text report on a stream with other flags, a number, the HTML report again.
    void reports_data()
    {
        QTest::addColumn<QByteArray>("rx");
        QTest::addColumn<QByteArray>("tx");
        QTest::addColumn<QString>("golden");
        QTest::newRow("new bridge") << QByteArray(12, '\0') << QByteArray() << "bus/sc18im700-new.txt";
        QTest::newRow("after the read-backs: the GPIO text runs to the end")
            << QByteArray::fromHex("0000FFFF00000000000000" "00A5") << QByteArray() << "bus/sc18im700-read-backs.txt";
        QTest::newRow("differing buffers: still no row marked")
            << QByteArray(12, '\0') << QByteArray(13, char(0x77)) << "bus/sc18im700-differing.txt";
        QTest::newRow("short receive buffer: empty cells")
            << QByteArray::fromHex("C0") << QByteArray(12, char(0x01)) << "bus/sc18im700-short.txt";
    }

    void reports()
    {
        QFETCH(QByteArray, rx);
        QFETCH(QByteArray, tx);
        QFETCH(QString, golden);
        SC18IM700 bridge(QStringLiteral("bridge"));
        bridge.setRxData(rx);
        bridge.setTxData(tx);
        QString text;
        QTextStream stream(&text);
        bridge.toHtml(stream) << "-- 171 after the HTML report: " << 171 << "\n";
        stream.setNumberFlags(QTextStream::ForceSign);
        bridge.output(stream) << "-- 171 after the text report: " << 171 << "\n";
        bridge.toHtml(stream) << "-- 171 after the second HTML report: " << 171 << "\n";
        stream.flush();
        QUELM_COMPARE_GOLDEN(text.toUtf8(), golden);
    }


private:
    SC18IM700 m_bridge{QStringLiteral("bridge")};
};

QTEST_GUILESS_MAIN(TestSC18IM700)
#include "tst_sc18im700.moc"
