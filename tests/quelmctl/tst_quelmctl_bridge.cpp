// quelmctl's habits for a real bridge: acknowledge checks, the bus scan, the
// baud rate and I2C clock set through the bridge's registers, a port held by
// another run. quelm-simulator serves bench.json on a pseudo-terminal while
// quelmctl is told product.json: the offset potentiometer on bus 1 is
// missing, a stray EEPROM at 0x70 is not described. Each row is a session
// whose transcript is the row's golden file.

#include "golden.h"
#include "quelmctlrun.h"

#include <QtTest/QtTest>

class TestQuelmCtlBridge : public QObject
{
    Q_OBJECT

private slots:
    void sessions_data();
    void sessions();
};

void TestQuelmCtlBridge::sessions_data()
{
    QTest::addColumn<QStringList>("steps");

    // At 115200 baud, with and without the fast clock; the bridge stays at
    // 115200, where a read at 9600 finds nobody who understands it.
    QTest::newRow("scan marks missing and stray parts")
        << QStringList{"serve", "quelmctl scan --port <port> --baud 115200 -q --i2c-clock fast product.json",
                       "quelmctl scan --port <port> --baud 115200 -q product.json",
                       "quelmctl read -q --timeout 200 --port <port> product.json"};
    QTest::newRow("scan as json") << QStringList{"serve", "quelmctl scan --json -q --port <port> product.json"};
    // Without bus selection the one segment is scanned as it is.
    QTest::newRow("scan of the only segment") << QStringList{"quelmctl scan -q one.json", "quelmctl scan -q --json one.json"};
    // Unchecked, a write to a part that is not there passes: the bridge
    // answers nothing to a write either way. Checked, it stops there.
    QTest::newRow("verify names the silent part")
        << QStringList{"serve", "quelmctl write -q --port <port> product.json",
                       "quelmctl write -q --verify --port <port> product.json",
                       "quelmctl write -q --verify --json --port <port> product.json"};
    // The built-in simulator keeps its registers in its state file: BRG0 and
    // BRG1 are its first two bytes, I2CClkL and I2CClkH its eighth and ninth.
    // The next run finds the bridge at its new rate only when told the rate.
    for (const char* const options : {"--baud 57600 --i2c-clock standard", "--baud 115200 --i2c-clock fast",
                                      "--baud 460800", "--i2c-clock fast"}) {
        const QString read = QStringLiteral("quelmctl read -q %1 demo.json").arg(QLatin1String(options));
        QTest::newRow(qPrintable(QStringLiteral("registers after %1").arg(QLatin1String(options))))
            << QStringList{read, "json demo.sim-state.json registers", read, "quelmctl read -q --timeout 200 demo.json"};
    }
    // A read at 9600 baud takes a while in real time: a second run on its
    // port is told so, and the first goes on unharmed.
    QTest::newRow("port in use is named")
        << QStringList{"serve", "quelmctl& read -q --port <port> bench.json", "sleep 300",
                       "quelmctl read -q --port <port> bench.json", "wait"};
    // quelm-simulator keeps the product's state, the bridge's rate and
    // clock with it, for the built-in simulator to go on from.
    QTest::newRow("served state is kept")
        << QStringList{"serve --state served.json",
                       "quelmctl write -q --verify --baud 115200 --i2c-clock fast --port <port> bench.json", "stop",
                       "quelmctl read -q --sim-state served.json --baud 115200 bench.json",
                       "json served.json registers"};
    QTest::newRow("served state is held")
        << QStringList{"serve --state served.json",
                       "quelmctl read -q --sim-state served.json --sim-lock-wait 100 bench.json"};
}

void TestQuelmCtlBridge::sessions()
{
    QFETCH(QStringList, steps);
    Session session;
    QVERIFY(session.ready());
    QUELM_COMPARE_GOLDEN(session.transcript(steps), goldenOfRow());
}

QTEST_GUILESS_MAIN(TestQuelmCtlBridge)
#include "tst_quelmctl_bridge.moc"
