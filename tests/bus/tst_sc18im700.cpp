// The SC18IM700 bridge: every encoder's exact byte string, its memory image,
// and its register report.

#include <QtTest/QtTest>

#include "sc18im700.h"

#include "reportexpectation.h"

namespace {

// Registers 0x00 to 0x0A as the report lists them, in the stream's digit case.
QVector<Expect::Row> registerRows(const QByteArray& rx, const bool& upperCase)
{
    QVector<Expect::Row> rows;
    for (int reg = 0; reg < 11; ++reg) {
        QString digit = QString::number(reg, 16);
        if (upperCase)
            digit = digit.toUpper();
        rows << Expect::Row{Expect::plain(digit + ':'), "IR" + digit,
                            QString::fromLatin1(rx.mid(reg, 1).toHex()).toUpper(), QString()};
    }
    return rows;
}

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
    void encoders_data();
    void encoders();
    void pointerFormDispatchesVirtually();
    void newBridge();
    void pages_data();
    void pages();
    void gpioAnswerLandsPastTheImage();
    void htmlReport_data();
    void htmlReport();
    void textReportAfterReadBacks();
    void textReportOfShortBuffer();
    void digitCaseFollowsTheStream();
    void streamStateLeftBehind();

private:
    SC18IM700 m_bridge{QStringLiteral("bridge")};
};

void TestSC18IM700::encoders_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray threeBytes = QByteArray::fromHex("112233");
    const QByteArray registerPair = QByteArray::fromHex("0203");

    QTest::newRow("read 8 bytes from register 0x10")
        << SC18IM700::readExternalDeviceCommands(0xA0, 0x10, 8) << QByteArray::fromHex("53A0011053A10850");
    QTest::newRow("virtual: read 8 bytes from register 0x10")
        << m_bridge.readExternalDevice(0xA0, 0x10, 8) << QByteArray::fromHex("53A0011053A10850");
    QTest::newRow("write 11 22 33 to register 0xF0")
        << m_bridge.writeExternalDevice(0xA0, 0xF0, threeBytes) << QByteArray::fromHex("53A004F011223350");
    QTest::newRow("write 11 22 33 without a register byte")
        << SC18IM700::writeExternalDeviceCommands(0xA0, threeBytes) << QByteArray::fromHex("53A00311223350");
    QTest::newRow("virtual: write 11 22 33 without a register byte")
        << m_bridge.writeExternalDevice(0xA0, threeBytes) << QByteArray::fromHex("53A00311223350");
    QTest::newRow("read 2 bytes after the address bytes 31 03")
        << SC18IM700::readExternalDeviceCommands(0xA0, QByteArray::fromHex("3103"), 2)
        << QByteArray::fromHex("53A002310353A10250");
    QTest::newRow("virtual: read 2 bytes after the address bytes 31 03")
        << m_bridge.readExternalDevice(0xA0, QByteArray::fromHex("3103"), 2)
        << QByteArray::fromHex("53A002310353A10250");
    QTest::newRow("read 5 bytes without a register phase")
        << SC18IM700::readExternalDeviceCommands(0xA0, 5) << QByteArray::fromHex("53A10550");
    QTest::newRow("virtual: read 5 bytes without a register phase")
        << m_bridge.readExternalDevice(0xA0, 5) << QByteArray::fromHex("53A10550");
    QTest::newRow("set the GPIO port to 0x5A")
        << SC18IM700::writeGpioCommands(0x5A) << QByteArray::fromHex("4F5A50");
    QTest::newRow("virtual: set the GPIO port to 0x5A")
        << m_bridge.writeGpio(0x5A) << QByteArray::fromHex("4F5A50");
    QTest::newRow("read the GPIO port") << SC18IM700::readGpioCommands() << QByteArray::fromHex("4950");
    QTest::newRow("virtual: read the GPIO port") << m_bridge.readGpio() << QByteArray::fromHex("4950");
    QTest::newRow("read the internal registers")
        << SC18IM700::readInternalRegistersCommand() << QByteArray::fromHex("52000102030405060708090A50");
    QTest::newRow("virtual: read the internal registers")
        << m_bridge.readInternalRegisters() << QByteArray::fromHex("52000102030405060708090A50");
    QTest::newRow("write the GPIO configuration registers")
        << SC18IM700::writeInternalRegisterCommand(QByteArray::fromHex("02FF03FF"))
        << QByteArray::fromHex("5702FF03FF50");
    QTest::newRow("virtual: write two register bytes")
        << m_bridge.writeInternalRegister(QByteArray::fromHex("02FF")) << QByteArray::fromHex("5702FF50");
    QTest::newRow("pointer and count: write two register bytes")
        << m_bridge.writeInternalRegister("\x02\xFF", 2) << QByteArray::fromHex("5702FF50");
    QTest::newRow("pointer and negative count: a zero-terminated string")
        << m_bridge.writeInternalRegister("\x02\xFF\x00\x03", -1) << QByteArray::fromHex("5702FF50");
    QTest::newRow("register read from 0x51: bit 0 stays set in the write phase")
        << SC18IM700::readExternalDeviceCommands(0x51, 0x07, 3) << QByteArray::fromHex("5351010753510350");
    QTest::newRow("register read with no address bytes")
        << SC18IM700::readExternalDeviceCommands(0xA0, QByteArray(), 4) << QByteArray::fromHex("53A00053A10450");
    QTest::newRow("write with no data bytes")
        << SC18IM700::writeExternalDeviceCommands(0xA0, QByteArray()) << QByteArray::fromHex("53A00050");
    QTest::newRow("write 255 bytes to a register: count 256 sent as 00")
        << m_bridge.writeExternalDevice(0xA0, 0x00, QByteArray(255, char(0xEE)))
        << QByteArray::fromHex("53A00000") + QByteArray(255, char(0xEE)) + QByteArray("P");
    QTest::newRow("write 257 bytes: count sent modulo 256")
        << SC18IM700::writeExternalDeviceCommands(0xA0, QByteArray(257, char(0x11)))
        << QByteArray::fromHex("53A001") + QByteArray(257, char(0x11)) + QByteArray("P");
    QTest::newRow("read 256 bytes: count 0") << SC18IM700::readExternalDeviceCommands(0xA0, 0x20, uchar(0))
                                              << QByteArray::fromHex("53A0012053A10050");
}

void TestSC18IM700::encoders()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, expected);
    QCOMPARE(command.toHex(' '), expected.toHex(' '));
}

void TestSC18IM700::pointerFormDispatchesVirtually()
{
    RecordingBridge bridge(QStringLiteral("bridge"));
    QCOMPARE(bridge.writeInternalRegister("\x02\xFF", 2), QByteArrayLiteral("override"));
    QCOMPARE(bridge.received, QByteArray::fromHex("02FF"));
}

void TestSC18IM700::newBridge()
{
    const SC18IM700 bridge(QStringLiteral("bridge"));
    QCOMPARE(bridge.deviceType(), int(Device::SC18IM700));
    QCOMPARE(bridge.partName(), QStringLiteral("SC18IM700"));
    QCOMPARE(bridge.busNumber(), quint8(0));
    QCOMPARE(bridge.busAddress(), quint8(0));
    QCOMPARE(bridge.rxBuffer(), QByteArray(12, '\0'));
    QVERIFY(bridge.txBuffer().isEmpty());
    QVERIFY(bridge.isDirty());
    QCOMPARE(bridge.memorySize(), 12);
    QCOMPARE(bridge.readPages(), 2);
    QCOMPARE(bridge.writePages(), 0);
}

void TestSC18IM700::pages_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("address");

    QTest::newRow("register image") << 0 << 11 << 0;
    QTest::newRow("GPIO byte at 12, not 11") << 1 << 1 << 12;
    QTest::newRow("page 5 answers like page 1") << 5 << 1 << 12;
    QTest::newRow("page 12, the GPIO read's page number") << 12 << 1 << 12;
}

void TestSC18IM700::pages()
{
    QFETCH(int, page);
    QFETCH(int, size);
    QFETCH(int, address);

    QCOMPARE(m_bridge.readPageSize(page), size);
    QCOMPARE(m_bridge.readPageAddress(page), address);
    QCOMPARE(m_bridge.writePageSize(page), 0);
    QCOMPARE(m_bridge.writePageAddress(page), 0);
}

void TestSC18IM700::gpioAnswerLandsPastTheImage()
{
    SC18IM700 bridge(QStringLiteral("bridge"));
    bridge.setRxData(uchar(bridge.readPageAddress(1)), QByteArray::fromHex("A5"));
    QCOMPARE(bridge.rxBuffer(), QByteArray(12, '\0') + QByteArray::fromHex("A5"));
}

void TestSC18IM700::htmlReport_data()
{
    QTest::addColumn<QByteArray>("rx");
    QTest::addColumn<QByteArray>("tx");
    QTest::addColumn<QString>("html");

    const QByteArray fresh(12, '\0');
    const QByteArray readBack = QByteArray::fromHex("0000FFFF00000000000000" "00A5");
    QVector<Expect::Row> freshRows = registerRows(fresh, false);
    freshRows << Expect::Row{"<td>GPIO:</td>", "", "00", ""};
    QTest::newRow("new bridge: nothing marked") << fresh << QByteArray() << Expect::html(freshRows);

    QVector<Expect::Row> readRows = registerRows(readBack, false);
    readRows << Expect::Row{"<td>GPIO:</td>", "", "00A5", ""};
    QTest::newRow("after the read-backs: the GPIO text runs to the end")
        << readBack << QByteArray() << Expect::html(readRows);

    // A transmit image the host filled still marks no row.
    QVector<Expect::Row> filledRows = registerRows(fresh, false);
    for (int reg = 0; reg < 11; ++reg)
        filledRows[reg].tx = "77";
    filledRows << Expect::Row{"<td>GPIO:</td>", "", "00", "7777"};
    QTest::newRow("differing buffers: still no row marked")
        << fresh << QByteArray(13, char(0x77)) << Expect::html(filledRows);

    QVector<Expect::Row> shortRows = registerRows(QByteArray::fromHex("0102"), false);
    shortRows << Expect::Row{"<td>GPIO:</td>", "", "", ""};
    QTest::newRow("short receive buffer: empty cells") << QByteArray::fromHex("0102") << QByteArray()
                                                       << Expect::html(shortRows);
}

void TestSC18IM700::htmlReport()
{
    QFETCH(QByteArray, rx);
    QFETCH(QByteArray, tx);
    QFETCH(QString, html);

    SC18IM700 bridge(QStringLiteral("bridge"));
    bridge.setRxData(rx);
    bridge.setTxData(tx);
    QCOMPARE(Expect::htmlOf(bridge), html);
}

void TestSC18IM700::textReportAfterReadBacks()
{
    SC18IM700 bridge(QStringLiteral("bridge"));
    bridge.setRxData(0, QByteArray::fromHex("0000FFFF00000000000000"));
    bridge.setRxData(12, QByteArray::fromHex("A5"));
    QCOMPARE(Expect::textOf(bridge), QStringLiteral("  [Rx Buffer]: \n"
                                                   "  00  : 00 IR0\n"
                                                   "  01  : 00 IR1\n"
                                                   "  02  : FF IR2\n"
                                                   "  03  : FF IR3\n"
                                                   "  04  : 00 IR4\n"
                                                   "  05  : 00 IR5\n"
                                                   "  06  : 00 IR6\n"
                                                   "  07  : 00 IR7\n"
                                                   "  08  : 00 IR8\n"
                                                   "  09  : 00 IR9\n"
                                                   "  0A  : 00 IRA\n"
                                                   "  GPIO: 00A5\n"
                                                   "  [Tx Buffer]: \n"
                                                   "  00  :  IR0\n"
                                                   "  01  :  IR1\n"
                                                   "  02  :  IR2\n"
                                                   "  03  :  IR3\n"
                                                   "  04  :  IR4\n"
                                                   "  05  :  IR5\n"
                                                   "  06  :  IR6\n"
                                                   "  07  :  IR7\n"
                                                   "  08  :  IR8\n"
                                                   "  09  :  IR9\n"
                                                   "  0A  :  IRA\n"
                                                   "  GPIO: \n"));
}

void TestSC18IM700::textReportOfShortBuffer()
{
    SC18IM700 bridge(QStringLiteral("bridge"));
    bridge.setRxData(QByteArray::fromHex("C0"));
    bridge.setTxData(QByteArray(12, char(0x01)));
    const QString text = Expect::textOf(bridge);
    QCOMPARE(text.section('\n', 0, 3), QStringLiteral("  [Rx Buffer]: \n  00  : C0 IR0\n  01  :  IR1\n  02  :  IR2"));
    QCOMPARE(text.section('\n', 11, 14), QStringLiteral("  0A  :  IRA\n  GPIO: \n  [Tx Buffer]: \n  00  : 01 IR0"));
    QCOMPARE(text.section('\n', 25), QStringLiteral("  GPIO: 01\n"));
}

void TestSC18IM700::digitCaseFollowsTheStream()
{
    const SC18IM700 bridge(QStringLiteral("bridge"));
    QVector<Expect::Row> lower = registerRows(bridge.rxBuffer(), false);
    QVector<Expect::Row> upper = registerRows(bridge.rxBuffer(), true);
    lower << Expect::Row{"<td>GPIO:</td>", "", "00", ""};
    upper << lower.last();

    QString sink;
    QTextStream stream(&sink);
    QCOMPARE(Expect::runHtml(bridge, stream, sink), Expect::html(lower));
    Expect::runText(bridge, stream, sink);
    QCOMPARE(Expect::runHtml(bridge, stream, sink), Expect::html(upper));
}

void TestSC18IM700::streamStateLeftBehind()
{
    const SC18IM700 bridge(QStringLiteral("bridge"));
    QString sink;
    QTextStream stream(&sink);
    stream.setNumberFlags(QTextStream::ForceSign);

    Expect::runHtml(bridge, stream, sink);
    QCOMPARE(stream.integerBase(), 16);
    QCOMPARE(stream.numberFlags(), QTextStream::NumberFlags(QTextStream::ForceSign));

    Expect::runText(bridge, stream, sink);
    QCOMPARE(stream.integerBase(), 16);
    QCOMPARE(stream.numberFlags(), QTextStream::NumberFlags(QTextStream::UppercaseDigits));
    sink.clear();
    stream << 171;
    stream.flush();
    QCOMPARE(sink, QStringLiteral("AB"));
}

QTEST_GUILESS_MAIN(TestSC18IM700)
#include "tst_sc18im700.moc"
