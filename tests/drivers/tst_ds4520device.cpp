// The DS4520's pins, port and pull-ups in its registers at 0xF0 to 0xF3, and
// the pull-up registers that every clear or whole-image write of the transmit
// buffer keeps from the enables array.

#include <QtTest/QtTest>

#include "ds4520device.h"

#include <functional>

using Edit = std::function<void(DS4520Device&)>;
Q_DECLARE_METATYPE(Edit)

namespace {
// A transmit image of size bytes of fill, with registers from 0xF0 on.
QByteArray image(const char* registers, const int& size = 248, const char& fill = '\0')
{
    QByteArray bytes(size, fill);
    const QByteArray values = QByteArray::fromHex(registers);
    return bytes.replace(0xF0, values.size(), values);
}
} // namespace

class TestDS4520Device : public QObject
{
    Q_OBJECT

private slots:
    void writes_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QByteArray>("tx");
        QTest::addColumn<QByteArray>("enables");

        // The enables array is the transmit image's 0xF0/0xF1 unless the row says otherwise.
        const auto row = [](const char* name, const Edit& edit, const QByteArray& tx, const char* enables = nullptr) {
            QTest::newRow(name) << edit << tx << (enables ? QByteArray::fromHex(enables) : tx.mid(0xF0, 2));
        };
        using D = DS4520Device;
        const auto states = [](D& device) { device.setTxData(0xF2, QByteArray::fromHex("5A5A")); };
        row("pin 0 on keeps the other bits", [=](D& d) { states(d), d.setIoPinState(0, true); }, image("FF015B5A"));
        row("pin 3 off keeps the other bits", [=](D& d) { states(d), d.setIoPinState(3, false); }, image("FF01525A"));
        row("pin 8 is bit 0 of 0xF3", [=](D& d) { states(d), d.setIoPinState(8, true); }, image("FF015A5B"));
        row("pin 12 acts as pin 8", [](D& d) { d.setIoPinState(8, true), d.setIoPinState(12, false); }, image("FF010000"));
        row("negative pins change nothing", [](D& d) { d.setIoPinState(-1, true), d.setIoPinPullUpEnable(-3, false); },
            image("FF01"));
        row("port value: the port number is ignored", [](D& d) { d.setIoPortValue(5, 0xC3); }, image("FF01C300"));
        row("pin 2 pull-up off", [](D& d) { d.setIoPinPullUpEnable(2, false); }, image("FB01"));
        row("pin 9 pull-up acts as pin 8", [](D& d) { d.setIoPinPullUpEnable(9, false); }, image("FF00"));
        row("pull-up off survives a clear",
            [](D& d) { d.setIoPinPullUpEnable(8, false), d.setTxData(0xF2, "\x01"), d.clearTxData(); }, image("FF00"));
        row("whole image keeps the pull-ups", [](D& d) { d.setTxData(QByteArray(248, 0x33)); }, image("FF01", 248, 0x33));
        row("longer image keeps its size", [](D& d) { d.setTxData(QByteArray(300, 0x44)); }, image("FF01", 300, 0x44));
        row("short image grows to hold the pull-ups", [](D& d) { d.setTxData(QByteArray::fromHex("0102")); },
            image("FF01", 0xF2).replace(0, 2, "\x01\x02"));
        row("pin 8 grows a short image", [](D& d) { d.setTxData(QByteArray(2, 0)), d.setIoPinState(8, true); },
            image("FF010001", 0xF4));
        row("offset write to 0xF0 leaves the enables alone", [](D& d) { d.setTxData(0xF0, QByteArray(1, 0)); },
            image("0001"), "FF01");
        row("pin pull-up takes its byte from the enables, not the buffer",
            [](D& d) { d.setTxData(0xF0, QByteArray(1, 0)), d.setIoPinPullUpEnable(0, true); }, image("FF01"));
        row("enables replaced", [](D& d) { d.setPullUpEnables(QByteArray::fromHex("0F00")); }, image("0F00"));
        row("a missing enable byte writes zero", [](D& d) { d.setPullUpEnables("\xAA"); }, image("AA00"), "AA");
        row("a pin pull-up fills in missing enable bytes",
            [](D& d) { d.setPullUpEnables(QByteArray()), d.setIoPinPullUpEnable(8, true); }, image("0001"));
    }

    void writes()
    {
        QFETCH(Edit, edit);
        QFETCH(QByteArray, tx);
        QFETCH(QByteArray, enables);

        DS4520Device device(0, 0x50, QStringLiteral("io"));
        edit(device);
        QCOMPARE(device.txBuffer(), tx);
        QCOMPARE(device.pullUpEnables(), enables);
        QCOMPARE(device.rxBuffer(), QByteArray(248, '\0'));
    }

    void reads_data()
    {
        QTest::addColumn<QByteArray>("rx");
        QTest::addColumn<int>("pin");
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("read"); // the pin's state and pull-up, the port

        // Received 0F 00 81 00 at 0xF0, transmitting F0 01 08 01. Any source but
        // 0 reads the transmit buffer; the port number (the pin's here) is ignored.
        const auto row = [](const char* name, const QByteArray& rx, int pin, int source, const char* read) {
            QTest::newRow(name) << rx << pin << source << QString::fromLatin1(read);
        };
        const QByteArray rx = image("0F008100");
        row("pin 0 received", rx, 0, 0, "high, pull-up on, port 81");
        row("pin 7 received", rx, 7, 0, "high, pull-up off, port 81");
        row("pin 3 to transmit", rx, 3, 1, "high, pull-up off, port 08");
        row("pin 4 to transmit", rx, 4, 1, "low, pull-up on, port 08");
        row("pin 8 received: bit 0 of the second registers", rx, 8, 0, "low, pull-up off, port 81");
        row("pin 8 to transmit", rx, 8, 1, "high, pull-up on, port 08");
        row("pin 12 acts as pin 8", rx, 12, 1, "high, pull-up on, port 08");
        row("source 7 reads the transmit buffer", rx, 3, 7, "high, pull-up off, port 08");
        row("negative pin reads low", QByteArray(248, char(0xFF)), -1, 0, "low, pull-up off, port FF");
        row("empty receive buffer reads low", QByteArray(), 8, 0, "low, pull-up off, port 00");
    }

    void reads()
    {
        QFETCH(QByteArray, rx);
        QFETCH(int, pin);
        QFETCH(int, source);

        DS4520Device device(0, 0x50, QStringLiteral("io"));
        device.setRxData(rx);
        device.setTxData(0xF0, QByteArray::fromHex("F0010801"));
        const QString port = QString::number(device.ioPortValue(pin, source), 16).toUpper().rightJustified(2, '0');
        const char* const state = device.ioPinState(pin, source) ? "high" : "low";
        const char* const pullUp = device.ioPinPullUpEnable(pin, source) ? "on" : "off";
        QTEST(QStringLiteral("%1, pull-up %2, port %3").arg(state, pullUp, port), "read");
    }
};

QTEST_GUILESS_MAIN(TestDS4520Device)
#include "tst_ds4520device.moc"
