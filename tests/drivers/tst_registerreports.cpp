// Register reports of the six part drivers, compared whole: the HTML table and
// the text sections, and what each report leaves behind in the caller's stream.

#include <QtTest/QtTest>

#include "driverfactory.h"

#include "reportexpectation.h"

#include <memory>

using Expect::marked;
using Expect::plain;
using Expect::zeros;

namespace {

QVector<Expect::Row> catRows(const QByteArray& rx, const QByteArray& tx, const bool& upperCase)
{
    QVector<Expect::Row> rows;
    for (int first = 0; first < 256; first += 8) {
        QString address = QStringLiteral("%1-%2:").arg(first, 0, 16).arg(first + 7, 0, 16);
        if (upperCase)
            address = address.toUpper();
        const QString rxText = QString::fromLatin1(rx.mid(first, 8).toHex()).toUpper();
        const QString txText = QString::fromLatin1(tx.mid(first, 8).toHex()).toUpper();
        rows << Expect::Row{rxText == txText ? plain(address) : marked(address),
                            QStringLiteral("EEPROM"), rxText, txText};
    }
    return rows;
}

QStringList catLines(const QByteArray& buffer)
{
    QStringList lines;
    for (int first = 0; first < 256; first += 8) {
        lines << QStringLiteral("%1-%2: %3 EEPROM")
                     .arg(QString::number(first, 16).toUpper(), QString::number(first + 7, 16).toUpper(),
                          QString::fromLatin1(buffer.mid(first, 8).toHex()).toUpper());
    }
    return lines;
}

QVector<Expect::Row> ds4520Rows(const bool& upperCase, const QString& f0Cell, const QString& f1Cell,
                                const QString& txF0, const QString& txF1)
{
    const QString z8 = zeros(8);
    auto eeprom = [&](const char* lower) {
        const QString address = QString::fromLatin1(lower);
        return Expect::Row{plain(upperCase ? address.toUpper() : address), QStringLiteral("EEPROM"), z8, z8};
    };
    return {eeprom("0-7:"), eeprom("8-f:"), eeprom("10-17:"), eeprom("18-1f:"),
            eeprom("20-27:"), eeprom("28-2f:"), eeprom("30-37:"), eeprom("38-3f:"),
            {plain("40-EF:"), "RESERVED", "", ""},
            {f0Cell, "PullUp Enable 0", "00", txF0},
            {f1Cell, "PullUp Enable 1", "00", txF1},
            {plain("F2:"), "I/O Control 0", "00", "00"},
            {plain("F3:"), "I/O Control 1", "00", "00"},
            {plain("F4:"), "Configuration", "00", "00"},
            {plain("F5-F7:"), "User EEPROM", "000000", "000000"},
            {plain("F8:"), "I/O Status 0 (Not Used)", "", ""},
            {plain("F9:"), "I/O Status 1 (Not Used)", "", ""},
            {plain("FA-FF:"), "SRAM (Not Used)", "", ""}};
}

} // namespace

class TestRegisterReports : public QObject
{
    Q_OBJECT

private slots:
    void isl22343Reports_data();
    void isl22343Reports();
    void x95840Reports();
    void x9408Reports_data();
    void x9408Reports();
    void ad5144aReports();
    void cat24aa02Html_data();
    void cat24aa02Html();
    void cat24aa02Text();
    void ds4520NewDevice();
    void ds4520RowsFollowTheBuffers();
    void addressDigitsFollowTheStream_data();
    void addressDigitsFollowTheStream();
    void streamStateLeftBehind_data();
    void streamStateLeftBehind();
    void clearedReceiveMarksNonZeroRows();
};

void TestRegisterReports::isl22343Reports_data()
{
    QTest::addColumn<QByteArray>("rx");
    QTest::addColumn<QByteArray>("tx");
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("text");

    const QString z22 = zeros(11);
    QTest::newRow("new device: nothing marked")
        << QByteArray(15, '\0') << QByteArray(15, '\0')
        << Expect::html({{plain("0:"), "IVR0", "00", "00"},
                         {plain("1:"), "IVR1", "00", "00"},
                         {plain("2:"), "IVR2", "00", "00"},
                         {plain("3:"), "IVR3", "00", "00"},
                         {plain("4-E:"), "EEPROM", z22, z22}})
        << Expect::text({"00  : 00 IVR0", "01  : 00 IVR1", "02  : 00 IVR2", "03  : 00 IVR3",
                         "04-0E: " + z22 + " EEPROM"},
                        {"00  : 00 IVR0", "01  : 00 IVR1", "02  : 00 IVR2", "03  : 00 IVR3",
                         "04-0E: " + z22 + " EEPROM"});

    QByteArray eepromChanged(15, '\0');
    eepromChanged[5] = char(0xAB);
    QTest::newRow("a changed EEPROM byte marks only the EEPROM row")
        << QByteArray(15, '\0') << eepromChanged
        << Expect::html({{plain("0:"), "IVR0", "00", "00"},
                         {plain("1:"), "IVR1", "00", "00"},
                         {plain("2:"), "IVR2", "00", "00"},
                         {plain("3:"), "IVR3", "00", "00"},
                         {marked("4-E:"), "EEPROM", z22, "00AB000000000000000000"}})
        << Expect::text({"00  : 00 IVR0", "01  : 00 IVR1", "02  : 00 IVR2", "03  : 00 IVR3",
                         "04-0E: " + z22 + " EEPROM"},
                        {"00  : 00 IVR0", "01  : 00 IVR1", "02  : 00 IVR2", "03  : 00 IVR3",
                         "04-0E: 00AB000000000000000000 EEPROM"});

    QTest::newRow("empty receive buffer marks every row")
        << QByteArray() << QByteArray::fromHex("0A0B0C0D00000000000000000000FF")
        << Expect::html({{marked("0:"), "IVR0", "", "0A"},
                         {marked("1:"), "IVR1", "", "0B"},
                         {marked("2:"), "IVR2", "", "0C"},
                         {marked("3:"), "IVR3", "", "0D"},
                         {marked("4-E:"), "EEPROM", "", zeros(10) + "FF"}})
        << Expect::text({"00  :  IVR0", "01  :  IVR1", "02  :  IVR2", "03  :  IVR3", "04-0E:  EEPROM"},
                        {"00  : 0A IVR0", "01  : 0B IVR1", "02  : 0C IVR2", "03  : 0D IVR3",
                         "04-0E: 00000000000000000000FF EEPROM"});

    QTest::newRow("short receive buffer is clipped, not padded")
        << QByteArray::fromHex("0102030405") << QByteArray::fromHex("010203040500000000000000000000")
        << Expect::html({{plain("0:"), "IVR0", "01", "01"},
                         {plain("1:"), "IVR1", "02", "02"},
                         {plain("2:"), "IVR2", "03", "03"},
                         {plain("3:"), "IVR3", "04", "04"},
                         {marked("4-E:"), "EEPROM", "05", "05" + zeros(10)}})
        << Expect::text({"00  : 01 IVR0", "01  : 02 IVR1", "02  : 03 IVR2", "03  : 04 IVR3",
                         "04-0E: 05 EEPROM"},
                        {"00  : 01 IVR0", "01  : 02 IVR1", "02  : 03 IVR2", "03  : 04 IVR3",
                         "04-0E: 05" + zeros(10) + " EEPROM"});
}

void TestRegisterReports::isl22343Reports()
{
    QFETCH(QByteArray, rx);
    QFETCH(QByteArray, tx);
    QFETCH(QString, html);
    QFETCH(QString, text);

    ISL22343Device device(0, 0x50, QStringLiteral("pot"));
    device.setRxData(rx);
    device.setTxData(tx);
    QCOMPARE(Expect::htmlOf(device), html);
    QCOMPARE(Expect::textOf(device), text);
}

void TestRegisterReports::x95840Reports()
{
    X95840Device device(0, 0x50, QStringLiteral("pot"));
    device.setRxData(QByteArray::fromHex("01020004"));
    device.setTxData(QByteArray::fromHex("01020304"));

    QCOMPARE(Expect::htmlOf(device), Expect::html({{plain("00:"), "IVR0", "01", "01"},
                                                   {plain("01:"), "IVR1", "02", "02"},
                                                   {marked("02:"), "IVR2", "00", "03"},
                                                   {plain("03:"), "IVR3", "04", "04"}}));
    QCOMPARE(Expect::textOf(device), QStringLiteral("  [Rx Buffer]: \n"
                                                    "  00   : 01 IVR0\n"
                                                    "  01   : 02 IVR1\n"
                                                    "  02   : 00 IVR2\n"
                                                    "  03   : 04 IVR3\n"
                                                    "  04-07: XX Not Used\n"
                                                    "  [Tx Buffer]: \n"
                                                    "  00   : 01 IVR0\n"
                                                    "  01   : 02 IVR1\n"
                                                    "  02   : 03 IVR2\n"
                                                    "  03   : 04 IVR3\n"
                                                    "  04-07: XX Not Used\n"));
}

void TestRegisterReports::x9408Reports_data()
{
    QTest::addColumn<QByteArray>("tx");
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("txLines");

    QTest::newRow("new device: every cell on one line")
        << QByteArray(4, '\0')
        << Expect::html({{plain("0:"), "WCR0", "00", "00"},
                         {plain("1:"), "WCR1", "00", "00"},
                         {plain("2:"), "WCR2", "00", "00"},
                         {plain("3:"), "WCR3", "00", "00"}})
        << QStringLiteral("  00  : 00 WCR0\n  01  : 00 WCR1\n  02  : 00 WCR2\n  03  : 00 WCR3\n");
    QTest::newRow("a marked address cell opens on a line of its own")
        << QByteArray::fromHex("00800000")
        << Expect::html({{plain("0:"), "WCR0", "00", "00"},
                         {"<td class='diff'>\n1:</td>", "WCR1", "00", "80"},
                         {plain("2:"), "WCR2", "00", "00"},
                         {plain("3:"), "WCR3", "00", "00"}})
        << QStringLiteral("  00  : 00 WCR0\n  01  : 80 WCR1\n  02  : 00 WCR2\n  03  : 00 WCR3\n");
}

void TestRegisterReports::x9408Reports()
{
    QFETCH(QByteArray, tx);
    QFETCH(QString, html);
    QFETCH(QString, txLines);

    X9408Device device(0, 0x50, QStringLiteral("pot"));
    device.setTxData(tx);
    QCOMPARE(Expect::htmlOf(device), html);
    QCOMPARE(Expect::textOf(device), QStringLiteral("  [Rx Buffer]: \n"
                                                    "  00  : 00 WCR0\n"
                                                    "  01  : 00 WCR1\n"
                                                    "  02  : 00 WCR2\n"
                                                    "  03  : 00 WCR3\n"
                                                    "  [Tx Buffer]: \n")
                                         + txLines);
}

void TestRegisterReports::ad5144aReports()
{
    AD5144ADevice device(0, 0x50, QStringLiteral("pot"));
    device.setRxData(QByteArray::fromHex("10203040"));
    device.setTxData(QByteArray::fromHex("102030a1"));

    QCOMPARE(Expect::htmlOf(device), Expect::html({{plain("00:"), "RDAC1 DATA", "10", "10"},
                                                   {plain("01:"), "RDAC2 DATA", "20", "20"},
                                                   {plain("02:"), "RDAC3 DATA", "30", "30"},
                                                   {marked("03:"), "RDAC4 DATA", "40", "A1"}}));
    QCOMPARE(Expect::textOf(device), QStringLiteral("  [Rx Buffer]: \n"
                                                    "  Data     : 10 RDAC1\n"
                                                    "  Data     : 20 RDAC2\n"
                                                    "  Data     : 30 RDAC3\n"
                                                    "  Data     : 40 RDAC4\n"
                                                    "  [Tx Buffer]: \n"
                                                    "  Data     : 10 RDAC1\n"
                                                    "  Data     : 20 RDAC2\n"
                                                    "  Data     : 30 RDAC3\n"
                                                    "  Data     : A1 RDAC4\n"));
}

void TestRegisterReports::cat24aa02Html_data()
{
    QTest::addColumn<QByteArray>("rx");
    QTest::addColumn<QByteArray>("tx");

    const QByteArray blank(256, '\0');
    QByteArray byte9 = blank;
    byte9[9] = char(0x5C);
    QByteArray lastByte = blank;
    lastByte[255] = char(0xEE);

    QTest::newRow("new device: 32 plain rows") << blank << blank;
    QTest::newRow("transmit byte 0x09 marks the second row") << blank << byte9;
    QTest::newRow("last byte marks the last row") << lastByte << blank;
    QTest::newRow("receive buffer of 20 bytes: later rows empty and marked") << blank.left(20) << blank;
}

void TestRegisterReports::cat24aa02Html()
{
    QFETCH(QByteArray, rx);
    QFETCH(QByteArray, tx);

    CAT24AA02Device device(0, 0xA0, QStringLiteral("eeprom"));
    device.setRxData(rx);
    device.setTxData(tx);
    QCOMPARE(Expect::htmlOf(device), Expect::html(catRows(rx, tx, false)));
}

void TestRegisterReports::cat24aa02Text()
{
    CAT24AA02Device device(0, 0xA0, QStringLiteral("eeprom"));
    QByteArray tx(256, '\0');
    for (int i = 0; i < tx.size(); ++i)
        tx[i] = char(i);
    device.setTxData(tx);

    const QStringList rxLines = catLines(device.rxBuffer());
    const QStringList txLines = catLines(tx);
    QCOMPARE(rxLines.first(), QStringLiteral("0-7: 0000000000000000 EEPROM"));
    QCOMPARE(txLines.at(1), QStringLiteral("8-F: 08090A0B0C0D0E0F EEPROM"));
    QCOMPARE(txLines.last(), QStringLiteral("F8-FF: F8F9FAFBFCFDFEFF EEPROM"));
    QCOMPARE(Expect::textOf(device), Expect::text(rxLines, txLines));
}

void TestRegisterReports::ds4520NewDevice()
{
    DS4520Device device(0, 0x50, QStringLiteral("io"));
    QCOMPARE(Expect::htmlOf(device),
             Expect::html(ds4520Rows(false, marked("F0:"), marked("F1:"), "FF", "01")));

    const QString z16 = zeros(8);
    const QStringList eeprom = {"0-7: " + z16 + " EEPROM", "8-F: " + z16 + " EEPROM",
                                "10-17: " + z16 + " EEPROM", "18-1F: " + z16 + " EEPROM",
                                "20-27: " + z16 + " EEPROM", "28-2F: " + z16 + " EEPROM",
                                "30-37: " + z16 + " EEPROM", "38-3F: " + z16 + " EEPROM",
                                "40-EF: RESERVED"};
    const QStringList tail = {"F2   : 00 I/O Control 0", "F3   : 00 I/O Control 1",
                              "F4   : 00 Configuration", "F5-F7: 000000 User EEPROM"};
    QCOMPARE(Expect::textOf(device),
             Expect::text(eeprom + QStringList{"F0   : 00 PullUp Enable 0", "F1   : 00 PullUp Enable 1"} + tail,
                          eeprom + QStringList{"F0   : FF PullUp Enable 0", "F1   : 01 PullUp Enable 1"} + tail));
}

void TestRegisterReports::ds4520RowsFollowTheBuffers()
{
    DS4520Device device(0, 0x50, QStringLiteral("io"));
    QByteArray rx = device.txBuffer();
    device.setRxData(rx);
    QVector<Expect::Row> rows = ds4520Rows(false, plain("F0:"), plain("F1:"), "FF", "01");
    rows[9].rx = "FF";
    rows[10].rx = "01";
    QCOMPARE(Expect::htmlOf(device), Expect::html(rows));

    // Bytes outside every modelled row change no cell; a user EEPROM byte marks its row.
    rx[0x80] = char(0x77);
    rx[0xF6] = char(0x42);
    device.setRxData(rx);
    rows[14] = {marked("F5-F7:"), "User EEPROM", "004200", "000000"};
    QCOMPARE(Expect::htmlOf(device), Expect::html(rows));
}

void TestRegisterReports::addressDigitsFollowTheStream_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("lowerCaseHtml");
    QTest::addColumn<QString>("upperCaseHtml");

    const QByteArray blank(256, '\0');
    QTest::newRow("CAT24AA02") << int(Device::CAT24AA02) << Expect::html(catRows(blank, blank, false))
                               << Expect::html(catRows(blank, blank, true));
    QTest::newRow("DS4520") << int(Device::DS4520)
                            << Expect::html(ds4520Rows(false, marked("F0:"), marked("F1:"), "FF", "01"))
                            << Expect::html(ds4520Rows(true, marked("F0:"), marked("F1:"), "FF", "01"));
}

// HTML reports never set the number flags: the digit case is the stream's.
void TestRegisterReports::addressDigitsFollowTheStream()
{
    QFETCH(int, type);
    QFETCH(QString, lowerCaseHtml);
    QFETCH(QString, upperCaseHtml);

    const std::unique_ptr<Device> device = createDevice(type);
    QString sink;
    QTextStream stream(&sink);
    QCOMPARE(Expect::runHtml(*device, stream, sink), lowerCaseHtml);

    Expect::runText(*device, stream, sink);
    QCOMPARE(Expect::runHtml(*device, stream, sink), upperCaseHtml);
}

void TestRegisterReports::streamStateLeftBehind_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("text");
    QTest::addColumn<int>("base"); // 0: the base of a new stream, untouched
    QTest::addColumn<QString>("after");

    // Printed after the report: 255 in the base and digit case it left behind.
    const struct
    {
        const char* name;
        int type;
        bool usesHex; // HTML and text alike, except the AD5144A's HTML
    } devices[] = {
        {"DS4520", Device::DS4520, true},   {"ISL22343", Device::ISL22343, true},
        {"X95840", Device::X95840, false},  {"X9408", Device::X9408, true},
        {"AD5144A", Device::AD5144A, true}, {"CAT24AA02", Device::CAT24AA02, true},
    };
    for (const auto& device : devices) {
        const bool htmlHex = device.usesHex && device.type != Device::AD5144A;
        QTest::addRow("%s text", device.name)
            << device.type << true << (device.usesHex ? 16 : 0)
            << QString::fromLatin1(device.usesHex ? "FF" : "255");
        QTest::addRow("%s html", device.name)
            << device.type << false << (htmlHex ? 16 : 0)
            << QString::fromLatin1(htmlHex ? "+0xff" : "+255");
    }
}

// The reports restore nothing: a text report replaces the flags with upper-case
// digits alone, an HTML report keeps the caller's flags; hex stays once applied.
void TestRegisterReports::streamStateLeftBehind()
{
    QFETCH(int, type);
    QFETCH(bool, text);
    QFETCH(int, base);
    QFETCH(QString, after);

    const std::unique_ptr<Device> device = createDevice(type);
    QString sink;
    QTextStream stream(&sink);
    const QTextStream::NumberFlags callerFlags = QTextStream::ShowBase | QTextStream::ForceSign;
    stream.setNumberFlags(callerFlags);
    if (text)
        Expect::runText(*device, stream, sink);
    else
        Expect::runHtml(*device, stream, sink);

    QCOMPARE(stream.integerBase(), base);
    QCOMPARE(stream.numberFlags(), text ? QTextStream::NumberFlags(QTextStream::UppercaseDigits) : callerFlags);
    sink.clear();
    stream << 255;
    stream.flush();
    QCOMPARE(sink, after);
}

void TestRegisterReports::clearedReceiveMarksNonZeroRows()
{
    AD5144ADevice device(0, 0x50, QStringLiteral("pot"));
    device.setTxData(QByteArray::fromHex("00070009"));
    device.setRxData(device.txBuffer());
    device.clearRxData();
    QCOMPARE(Expect::htmlOf(device), Expect::html({{plain("00:"), "RDAC1 DATA", "00", "00"},
                                                   {marked("01:"), "RDAC2 DATA", "00", "07"},
                                                   {plain("02:"), "RDAC3 DATA", "00", "00"},
                                                   {marked("03:"), "RDAC4 DATA", "00", "09"}}));
}

QTEST_GUILESS_MAIN(TestRegisterReports)
#include "tst_registerreports.moc"
