// quelm-studio's window, offscreen: the demo product read, edited, written
// and verified on the built-in simulator; a part missing from
// quelm-simulator's bench and a run cancelled half-way on its terminal; the
// README picture.

#include "quelmctlrun.h"

#include <mainwindow.h>
#include <settingstablemodel.h>
#include <studiosession.h>

#include <devicecommand.h>

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QStandardPaths>
#include <QtGui/QImage>
#include <QtGui/QValidator>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QTableView>
#include <QtWidgets/QTableWidget>
#include <QtWidgets/QTreeWidget>
#include <QtTest/QtTest>

namespace {

// The demo product without its AD5144A ("gain") and the settings on it.
QByteArray withoutGain(const QByteArray& demo)
{
    QJsonObject root = QJsonDocument::fromJson(demo).object();
    QJsonArray boards;
    for (const QJsonValue& value : root.value(QStringLiteral("boards")).toArray()) {
        QJsonObject board = value.toObject();
        QJsonArray devices;
        for (const QJsonValue& device : board.value(QStringLiteral("devices")).toArray()) {
            if (device.toObject().value(QStringLiteral("name")) != QStringLiteral("gain"))
                devices.append(device);
        }
        board.insert(QStringLiteral("devices"), devices);
        boards.append(board);
    }
    root.insert(QStringLiteral("boards"), boards);
    root.remove(QStringLiteral("settings"));
    return QJsonDocument(root).toJson();
}

QStringList shownNames(const QAbstractItemModel* model)
{
    QStringList names;
    for (int row = 0; row < model->rowCount(); ++row)
        names.append(model->index(row, SettingsTableModel::NameColumn).data().toString());
    return names;
}

int rowNamed(const StudioSession& session, const QString& name)
{
    return session.description().settingIndex(name);
}

} // namespace

class TestStudio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();
    void readShowsWhatTheProductHolds();
    void descriptionErrorKeepsTheProduct();
    void editValue_data();
    void editValue();
    void writeVerifiesAndSaves();
    void actionsSayWhatQuelmctlSays_data();
    void actionsSayWhatQuelmctlSays();
    void reportIsQuelmctlsPage();
    void filterAndDeviceNarrowTheSettings();
    void saveChangesOnlyTheValues();
    void portThatCannotOpen();
    void failingPartIsShownWithItsMessage();
    void cancelReportsTheAppliedCommands();
    void screenshotWritesThePicture();

private:
    QString demo() const { return m_dir->filePath(QStringLiteral("demo.json")); }
    // Opens the demo; on a port when one is given, else on the built-in simulator.
    void openDemo(const QString& port = {});
    // quelm-simulator serving description; the terminal's path.
    QString startBench(const QByteArray& description);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<QProcess> m_simulator;
};

void TestStudio::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(copyDemo(*m_dir));
    m_window = std::make_unique<MainWindow>();
    m_window->show();
}

void TestStudio::cleanup()
{
    m_window.reset();
    if (m_simulator) {
        m_simulator->terminate();
        m_simulator->waitForFinished(10000);
        m_simulator.reset();
    }
}

void TestStudio::openDemo(const QString& port)
{
    StudioSession* session = m_window->session();
    QVERIFY(m_window->openFile(demo()));
    session->waitUntilIdle();
    if (!port.isEmpty()) {
        TransportOptions options;
        options.port = port;
        options.acknowledgeChecks = true;
        session->connectTo(options);
        session->waitUntilIdle();
    }
    QVERIFY(session->isConnected());
}

QString TestStudio::startBench(const QByteArray& description)
{
    const QString file = m_dir->filePath(QStringLiteral("bench.json"));
    if (!writeFile(file, description))
        return QString();
    m_simulator = std::make_unique<QProcess>();
    m_simulator->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_simulator->start(QStringLiteral(QUELM_SIMULATOR_PROGRAM), {file});
    if (!m_simulator->waitForReadyRead(10000))
        return QString();
    return QString::fromLocal8Bit(m_simulator->readLine()).trimmed();
}

// What the window shows after a read is what quelmctl reads from the same
// simulator state: every setting's value column.
void TestStudio::readShowsWhatTheProductHolds()
{
    openDemo();
    StudioSession* session = m_window->session();
    session->read();
    session->waitUntilIdle();
    QCOMPARE(session->log(), QStringList({QStringLiteral("opened ") + demo(),
                                          QStringLiteral("connected: Built-in simulator (state demo.sim-state.json), 9600 baud"),
                                          QStringLiteral("read: 88 commands, 1.43 s at 9600 baud")}));
    const auto* table = m_window->findChild<QTableView*>(QStringLiteral("settings"))->model();
    const int rows = session->description().settings.size();
    QCOMPARE(table->rowCount(), rows);
    QList<QStringList> shown;
    for (int row = 0; row < rows; ++row) {
        shown.append({table->index(row, SettingsTableModel::NameColumn).data().toString(),
                      table->index(row, SettingsTableModel::KindColumn).data().toString(),
                      table->index(row, SettingsTableModel::HeldColumn).data().toString()});
    }
    m_window.reset(); // gives the simulator state back

    const QuelmCtlRun read = runQuelmCtl(m_dir->path(), {QStringLiteral("read"), QStringLiteral("-q"), demo()});
    QCOMPARE(read.exitCode, 0);
    const QStringList lines = read.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), rows + 1);
    for (int row = 0; row < rows; ++row) {
        const QStringList columns = lines.at(row + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QCOMPARE(shown.at(row).at(0), columns.first());
        if (shown.at(row).at(1) != QLatin1String("null"))
            QCOMPARE(shown.at(row).at(2), columns.last());
    }
}

void TestStudio::descriptionErrorKeepsTheProduct()
{
    openDemo();
    const QString broken = m_dir->filePath(QStringLiteral("broken.json"));
    QVERIFY(writeFile(broken, R"({"boards": [{"title": "A", "devices": [{"type": "CAT24AA02", "bus": 0,
        "address": "0xA1", "name": "e"}]}]})"));
    const QuelmCtlRun quelmctl = runQuelmCtl(m_dir->path(), {QStringLiteral("read"), broken});
    QCOMPARE(quelmctl.exitCode, 1);
    StudioSession* session = m_window->session();
    QString error;
    QVERIFY(!session->open(broken, &error));
    QCOMPARE(QStringLiteral("quelmctl: ") + error + QLatin1Char('\n'), quelmctl.err);
    QCOMPARE(session->fileName(), demo());
    QVERIFY(session->isConnected());
}

void TestStudio::editValue_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error"); // empty: taken

    QTest::newRow("bytes") << "serial" << "0A0B0C0D" << "";
    QTest::newRow("lower case") << "revision" << "7f" << "";
    QTest::newRow("too short") << "serial" << "0A0B"
                               << "setting \"serial\": value \"0A0B\" has 2 bytes, the setting holds 4";
    QTest::newRow("not hex") << "revision" << "XY" << "setting \"revision\": value \"XY\" is not hex";
    QTest::newRow("odd digits") << "trim_wiper" << "123" << "setting \"trim_wiper\": value \"123\" is not hex";
}

// In place through the table, as the view's editor hands it over.
void TestStudio::editValue()
{
    QFETCH(QString, setting);
    QFETCH(QString, text);
    QFETCH(QString, error);
    openDemo();
    StudioSession* session = m_window->session();
    auto* table = m_window->findChild<QTableView*>(QStringLiteral("settings"))->model();
    const int row = rowNamed(*session, setting);
    const QModelIndex value = table->index(row, SettingsTableModel::ValueColumn);
    const QString before = value.data().toString();
    QSignalSpy rejected(m_window->findChild<SettingsTableModel*>(), &SettingsTableModel::valueRejected);
    QCOMPARE(table->setData(value, text), error.isEmpty());
    if (error.isEmpty()) {
        QCOMPARE(value.data().toString(), text.toUpper());
        QVERIFY(session->isUnsaved(row));
        QVERIFY(m_window->windowTitle().startsWith(QStringLiteral("demo.json *")));
        QVERIFY(rejected.isEmpty());
    } else {
        QCOMPARE(value.data().toString(), before);
        QVERIFY(!session->hasUnsavedValues());
        QCOMPARE(rejected.size(), 1);
        QCOMPARE(rejected.first().first().toString(), error);
    }
    // The editor lets through hex digits only.
    const QStyleOptionViewItem option;
    std::unique_ptr<QWidget> editor(HexValueDelegate().createEditor(nullptr, option, value));
    const QValidator* validator = qobject_cast<QLineEdit*>(editor.get())->validator();
    QString typed = text;
    int position = 0;
    const bool hexDigits = !text.contains(QRegularExpression(QStringLiteral("[^0-9A-Fa-f]")));
    QCOMPARE(validator->validate(typed, position) != QValidator::Invalid, hexDigits);
}

// Write sends the changed pages, reads back and verifies, like quelmctl's
// write; Save puts the values into the file, which quelmctl then reads as
// the product now holds them.
void TestStudio::writeVerifiesAndSaves()
{
    openDemo();
    StudioSession* session = m_window->session();
    QString error;
    QVERIFY(session->setValue(rowNamed(*session, QStringLiteral("trim_wiper")), QStringLiteral("22"), &error));
    session->write();
    session->waitUntilIdle();
    QCOMPARE(session->log().mid(2), QStringList({
        QStringLiteral("read: 88 commands, 1.43 s at 9600 baud"),
        QStringLiteral("write: 20 commands, 0.16 s at 9600 baud"),
        QStringLiteral("write: 20 commands sent"),
        QStringLiteral("verify: 88 commands, 1.43 s at 9600 baud"),
        QStringLiteral("verify: 6 devices match (write-only, not read back: offset)")}));
    const auto* table = m_window->findChild<SettingsTableModel*>();
    for (int row = 0; row < table->rowCount(); ++row)
        QVERIFY2(!table->differs(row), qPrintable(session->description().settings.at(row).name));
    QVERIFY(session->save(&error));
    QVERIFY(!session->hasUnsavedValues());
    const int row = rowNamed(*session, QStringLiteral("trim_wiper"));
    m_window.reset();

    const QuelmCtlRun read = runQuelmCtl(m_dir->path(), {QStringLiteral("read"), QStringLiteral("-q"), demo()});
    QCOMPARE(read.exitCode, 0);
    const QStringList lines = read.out.split(QLatin1Char('\n'));
    QCOMPARE(lines.at(row + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts).constLast(), QStringLiteral("22"));
    QCOMPARE(ProductDescription::load(demo(), &error)->settings.at(row).value, QByteArray::fromHex("22"));
}

void TestStudio::actionsSayWhatQuelmctlSays_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("write") << "write";
    QTest::newRow("erase") << "erase";
}

// The same action on a fresh copy of the product says, line for line, what
// quelmctl prints on both its outputs.
void TestStudio::actionsSayWhatQuelmctlSays()
{
    QFETCH(QString, action);
    QTemporaryDir other;
    QVERIFY(copyDemo(other));
    QProcess quelmctl;
    quelmctl.setProcessChannelMode(QProcess::MergedChannels);
    quelmctl.start(QStringLiteral(QUELMCTL_PROGRAM), {action, other.filePath(QStringLiteral("demo.json"))});
    QVERIFY(quelmctl.waitForFinished(60000));
    QCOMPARE(quelmctl.exitCode(), 0);
    const QStringList printed = QString::fromUtf8(quelmctl.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    openDemo();
    StudioSession* session = m_window->session();
    QSignalSpy finished(session, &StudioSession::finished);
    QMetaObject::invokeMethod(session, action.toLatin1().constData());
    session->waitUntilIdle();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), true);
    QCOMPARE(session->log().mid(2), printed);
}

void TestStudio::reportIsQuelmctlsPage()
{
    QTemporaryDir other;
    QVERIFY(copyDemo(other));
    const QString expected = other.filePath(QStringLiteral("expected.html"));
    const QuelmCtlRun report = runQuelmCtl(other.path(), {QStringLiteral("report"), QStringLiteral("-q"),
                                                          other.filePath(QStringLiteral("demo.json")),
                                                          QStringLiteral("-o"), expected});
    QCOMPARE(report.exitCode, 0);
    openDemo();
    const QString page = m_dir->filePath(QStringLiteral("report.html"));
    m_window->session()->saveReport(page);
    m_window->session()->waitUntilIdle();
    QCOMPARE(m_window->session()->log().constLast(), QStringLiteral("report: ") + page);
    QCOMPARE(readFile(page), readFile(expected));
}

// The filter matches any column; the device page lists the device's own.
void TestStudio::filterAndDeviceNarrowTheSettings()
{
    openDemo();
    m_window->findChild<QLineEdit*>()->setText(QStringLiteral("GAIN"));
    const QList<QTableView*> views = m_window->findChildren<QTableView*>();
    QCOMPARE(views.size(), 2);
    const QTableView* all = m_window->findChild<QTableView*>(QStringLiteral("settings"));
    const QTableView* onDevice = views.at(views.at(0) == all ? 1 : 0);
    QCOMPARE(shownNames(all->model()), QStringList({QStringLiteral("gain_ch0"), QStringLiteral("gain_ch2"),
                                                    QStringLiteral("gain_ch0_backup")}));
    m_window->selectDevice(QStringLiteral("calibration"));
    QCOMPARE(m_window->selectedDevice(), QStringLiteral("calibration"));
    QCOMPARE(shownNames(onDevice->model()), QStringList({QStringLiteral("gain_ch0_backup"), QStringLiteral("cal_note"),
                                                         QStringLiteral("cal_table")}));
    QCOMPARE(m_window->findChild<QLabel*>(QStringLiteral("deviceHeading"))->text(),
             QStringLiteral("calibration: CAT24AA02 at bus 1, address 0xA0 (not read yet)"));
}

void TestStudio::saveChangesOnlyTheValues()
{
    openDemo();
    StudioSession* session = m_window->session();
    const QByteArray before = readFile(demo());
    QString error;
    QVERIFY(session->setValue(rowNamed(*session, QStringLiteral("serial")), QStringLiteral("0badcafe"), &error));
    QVERIFY(session->setValue(rowNamed(*session, QStringLiteral("io_port")), QStringLiteral("5A"), &error));
    QVERIFY(session->save(&error));
    QByteArray expected = before;
    expected.replace("\"51450001\"", "\"0BADCAFE\"").replace("\"A5\"", "\"5A\"");
    QCOMPARE(readFile(demo()), expected);
    QCOMPARE(session->log().constLast(),
             QStringLiteral("saved %1 (serial=0BADCAFE, io_port=5A)").arg(demo()));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("demo.json - quelm-studio"));
}

// The port's error in the log and the status bar; the actions then say
// there is no bridge instead of running.
void TestStudio::portThatCannotOpen()
{
    QVERIFY(m_window->openFile(demo()));
    StudioSession* session = m_window->session();
    session->waitUntilIdle();
    TransportOptions options;
    options.port = m_dir->filePath(QStringLiteral("ttyNone"));
    session->connectTo(options);
    session->waitUntilIdle();
    QVERIFY(!session->isConnected());
    QCOMPARE(session->connectionText(), QStringLiteral("Not connected"));
    QCOMPARE(session->log().constLast(),
             QStringLiteral("cannot open %1: No such file or directory").arg(options.port));
    session->read();
    session->waitUntilIdle();
    QCOMPARE(session->log().constLast(), QStringLiteral("read: not connected to a bridge"));
    QVERIFY(!session->hasBeenRead());
}

// The bench lacks the AD5144A: the read stops there, the part is marked in
// the tree with the runner's message, and the scan marks it missing.
void TestStudio::failingPartIsShownWithItsMessage()
{
    const QString port = startBench(withoutGain(readFile(demo())));
    QVERIFY(!port.isEmpty());
    openDemo(port);
    StudioSession* session = m_window->session();
    session->read();
    session->waitUntilIdle();
    const QString message = QStringLiteral(
        "Command 52 of 88 (Read Device: 1.58.0 (1 Bytes)): no answer from the bridge (1 bytes expected); "
        "bus 1, address 0x58 (gain): no acknowledge on the address (I2C status 0xF1)");
    QCOMPARE(session->lastFailure().errorString, message);
    QCOMPARE(session->log().mid(session->log().size() - 2), QStringList({
        QStringLiteral("read stopped: ") + message,
        QStringLiteral("read: commands 1 to 51 of 88 were applied, the last \"Write GPIO Register 1.\"")}));
    const QList<QTreeWidgetItem*> failed = m_window->findChild<QTreeWidget*>()->findItems(
        QStringLiteral("gain (failed)"), Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first()->toolTip(0), message);

    session->scan();
    session->waitUntilIdle();
    QCOMPARE(session->log().constLast(), QStringLiteral("scan: 2 segments probed"));
    const QList<QTableWidget*> grids = m_window->findChildren<QTableWidget*>();
    QCOMPARE(grids.size(), 2);
    QCOMPARE(grids.at(1)->item(0x5, 0x8)->text(), QStringLiteral("58!"));
    QCOMPARE(grids.at(1)->item(0x5, 0x0)->text(), QStringLiteral("50"));
    QCOMPARE(grids.at(1)->item(0x5, 0x4)->text(), QStringLiteral("--"));
}

// Cancel stops the read at its next command on the terminal, and the log
// says which commands were applied.
void TestStudio::cancelReportsTheAppliedCommands()
{
    const QString port = startBench(readFile(demo()));
    QVERIFY(!port.isEmpty());
    openDemo(port);
    StudioSession* session = m_window->session();
    connect(session, &StudioSession::progress, session, [session](int done) {
        if (done == 5)
            session->cancel();
    });
    session->read();
    session->waitUntilIdle();
    const RunResult& stopped = session->lastFailure();
    QVERIFY(stopped.applied >= 5 && stopped.applied < 88);
    const QList<DeviceCommand*> commands = session->product()->readCommands();
    QCOMPARE(session->log().mid(session->log().size() - 2), QStringList({
        QStringLiteral("read stopped: Command %1 of 88 (%2): could not be sent: stopped by the user")
            .arg(stopped.applied + 1).arg(commands.at(stopped.applied)->description()),
        QStringLiteral("read: commands 1 to %1 of 88 were applied, the last \"%2\"")
            .arg(stopped.applied).arg(commands.at(stopped.applied - 1)->description())}));
    QVERIFY(!session->isBusy());
}

void TestStudio::screenshotWritesThePicture()
{
    const QString image = m_dir->filePath(QStringLiteral("studio.png"));
    QProcess studio;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    studio.setProcessEnvironment(environment);
    studio.start(QStringLiteral(QUELM_STUDIO_PROGRAM), {QStringLiteral("--screenshot"), image, demo()});
    QVERIFY(studio.waitForFinished(60000));
    QCOMPARE(studio.exitCode(), 0);
    const QImage picture(image);
    QCOMPARE(picture.size(), QSize(1280, 860));
}

QTEST_MAIN(TestStudio)
#include "tst_studio.moc"
