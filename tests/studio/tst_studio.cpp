// quelm-studio's window, offscreen: the demo product read, edited, written
// and verified on the built-in simulator; a part missing from
// quelm-simulator's bench; a port that goes away; a read, a scan and an
// erase (by Quit) stopped half-way on its terminal; the first window, the
// Connect dialog and the log; the README picture.

#include "golden.h"
#include "quelmctlrun.h"

#include <connectiondialog.h>
#include <mainwindow.h>
#include <settingstablemodel.h>
#include <studiosession.h>

#include <device.h>
#include <devicecommand.h>
#include <field.h>
#include <render.h>
#include <sc18im700protocol.h>

#include <QtCore/QLockFile>
#include <QtCore/QSettings>
#include <QtCore/QStandardPaths>
#include <QtGui/QImage>
#include <QtGui/QTextTable>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QSplitter>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QTableView>
#include <QtWidgets/QTableWidget>
#include <QtWidgets/QTextBrowser>
#include <QtWidgets/QTreeWidget>
#include <QtTest/QtTest>

#include <algorithm>
#include <memory>

namespace {

QStringList shownNames(const QAbstractItemModel* model)
{
    QStringList names;
    for (int row = 0; row < model->rowCount(); ++row)
        names.append(model->index(row, SettingsTableModel::NameColumn).data().toString());
    return names;
}

// Each setting's name and value as `quelmctl read` prints them; a null
// setting holds nothing.
QStringList quelmctlReads(const QString& directory)
{
    const QStringList lines = runQuelmCtl(directory, {"read", "-q", "demo.json"}).out.split('\n', Qt::SkipEmptyParts);
    QStringList values;
    for (const QString& line : lines.mid(1)) {
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.at(1) != QLatin1String("null"))
            values.append(words.first() + QLatin1Char(' ') + words.mid(4).join(QLatin1Char(' ')));
    }
    return values;
}

// The width the widest cell of the column asks for; a null setting's note
// may be cut short.
int textWidth(const QTableView* view, int column)
{
    QStyleOptionViewItem option;
    option.initFrom(view);
    const QAbstractItemModel* model = view->model();
    int width = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, SettingsTableModel::KindColumn).data().toString() != QLatin1String("null"))
            width = qMax(width, view->itemDelegate()->sizeHint(option, model->index(row, column)).width());
    }
    return width;
}

// The devices a stopped run's line names in each group: "erase: io, gain
// and offset erased; trim erased up to page 0x08; calibration and header
// not" gives {"erased": [io, gain, offset], "not": [calibration, header]}.
QHash<QString, QStringList> devicesByOutcome(const QString& applied, const QString& verb)
{
    QHash<QString, QStringList> groups;
    for (const QString& group : applied.section(QStringLiteral(": "), 1).split(QStringLiteral("; "))) {
        for (const QString& outcome : {verb, QStringLiteral("not")}) {
            const QString suffix = QLatin1Char(' ') + outcome;
            if (group.endsWith(suffix))
                groups[outcome] = group.chopped(suffix.size()).replace(QStringLiteral(" and "), QStringLiteral(", "))
                                      .split(QStringLiteral(", "));
        }
    }
    return groups;
}

// Answers each message box that opens with the button of that text, in order.
void answerBoxes(QObject* context, const QStringList& buttons)
{
    auto* timer = new QTimer(context);
    auto left = std::make_shared<QStringList>(buttons);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, left] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton* button : box->buttons()) {
            if (!left->isEmpty() && button->text() == left->constFirst()) {
                left->removeFirst();
                button->click();
                break;
            }
        }
        if (left->isEmpty())
            timer->deleteLater();
    });
    timer->start(20);
}

// The address cells of the register view's rows that are marked.
QStringList markedRows(const QTextBrowser* view)
{
    QStringList marked;
    for (QTextFrame* frame : view->document()->rootFrame()->childFrames()) {
        const auto* table = qobject_cast<QTextTable*>(frame);
        for (int row = 1; table && row < table->rows(); ++row) {
            const QTextTableCell cell = table->cellAt(row, 0);
            if (cell.format().background().style() != Qt::NoBrush) {
                QTextCursor text = cell.firstCursorPosition();
                text.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
                marked.append(text.selectedText().trimmed());
            }
        }
    }
    return marked;
}

// Each device's received bytes.
QHash<QString, QByteArray> memories(const LoadedProduct& product)
{
    QHash<QString, QByteArray> held;
    for (const Device* device : product.product()->devices())
        held.insert(device->name(), device->rxBuffer());
    return held;
}

} // namespace

class TestStudio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void writeVerifiesAndSaves();
    void descriptionErrorKeepsTheProduct();
    void editValue_data();
    void editValue();
    void connectDialogRefuses_data();
    void connectDialogRefuses();
    void firstWindowShowsEverySettingsColumn();
    void actionsNeedAConnection();
    void failedFileLeavesOpenRecent();
    void logLinesHaveTimesAndFollow();
    void heldStateIsSaidWhileWaiting();
    void actionsSayWhatQuelmctlSays_data();
    void actionsSayWhatQuelmctlSays();
    void reportIsQuelmctlsPage();
    void filterAndDeviceNarrowTheSettings();
    void portThatCannotOpen();
    void failingPartIsShownWithItsMessage();
    void portThatGoesAway_data();
    void portThatGoesAway();
    void stoppedReadKeepsEveryValue();
    void stoppedScanMarksOnlyWhatItProbed();
    void quitDuringEraseStopsAndSays_data();
    void quitDuringEraseStopsAndSays();
    void bothViewsMarkTheSameRows_data();
    void bothViewsMarkTheSameRows();
    void restoreOntoABlankProduct_data();
    void restoreOntoABlankProduct();
    void compareMarksWhatDiffers_data();
    void compareMarksWhatDiffers();
    void unfitImageIsRefused_data();
    void unfitImageIsRefused();
    void screenshotWritesThePicture();

private:
    QString demo() const { return m_dir->filePath(QStringLiteral("demo.json")); }
    StudioSession* session() const { return m_window->session(); }
    int row(const QString& setting) const { return session()->description().settingIndex(setting); }
    // Starts the action and returns when it is done.
    void runToTheEnd(void (StudioSession::*action)()) { (session()->*action)(); session()->waitUntilIdle(); }
    // Opens the demo on the built-in simulator, or on the terminal of
    // quelm-simulator serving bench when one is given; whether it is then
    // connected.
    bool openDemo(const QString& bench = {});
    // The port quelm-simulator serves.
    QString simulatorPort() const { return session()->connection().port; }
    // The log with the directory written as <dir>, beside what is shown.
    QByteArray logText(const QStringList& shown = {}) const;

    QTemporaryDir m_settingsDir; // the window remembers its layout and files here
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MainWindow> m_window;
    QProcess m_simulator;
};

void TestStudio::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
}

void TestStudio::init()
{
    QSettings().clear(); // each window starts as on a first start
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(copyDemo(*m_dir));
    m_window = std::make_unique<MainWindow>();
    m_window->show();
}

void TestStudio::cleanup()
{
    m_window.reset();
    m_simulator.terminate();
    m_simulator.waitForFinished(10000);
}

bool TestStudio::openDemo(const QString& bench)
{
    if (!m_window->openFile(demo()) || session()->isConnected())
        return false;
    TransportOptions options;
    if (!bench.isEmpty()) {
        m_simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_simulator.start(QStringLiteral(QUELM_SIMULATOR_PROGRAM), {bench});
        if (!m_simulator.waitForReadyRead(10000))
            return false;
        options.port = QString::fromLocal8Bit(m_simulator.readLine()).trimmed();
        options.acknowledgeChecks = true;
    }
    session()->connectTo(options);
    session()->waitUntilIdle();
    return session()->isConnected();
}

QByteArray TestStudio::logText(const QStringList& shown) const
{
    const QString text = (session()->log() + shown).join(QLatin1Char('\n')) + QLatin1Char('\n');
    return QString(text).replace(m_dir->path(), QStringLiteral("<dir>")).toUtf8();
}

// Write sends the changed pages, reads back and verifies, like quelmctl's
// write, and the window then shows what quelmctl reads from the product.
// Save puts only the edited value texts into the file.
void TestStudio::writeVerifiesAndSaves()
{
    QVERIFY(openDemo());
    runToTheEnd(&StudioSession::read);
    QString error;
    QVERIFY(session()->setValue(row("serial"), "0badcafe", &error));
    runToTheEnd(&StudioSession::write);
    // Fields made on the bus thread belong to the product, on the window's thread.
    for (const Field* field : session()->product()->fields())
        QVERIFY(field->parent() && field->thread() == m_window->thread());
    const auto* table = m_window->findChild<SettingsTableModel*>();
    QStringList held;
    for (int row = 0; row < table->rowCount(); ++row) {
        QVERIFY2(!table->differs(row), qPrintable(session()->description().settings.at(row).name));
        if (table->index(row, SettingsTableModel::KindColumn).data().toString() != QLatin1String("null"))
            held.append(table->index(row, SettingsTableModel::NameColumn).data().toString() + QLatin1Char(' ')
                        + table->index(row, SettingsTableModel::HeldColumn).data().toString());
    }

    QByteArray expected = readFile(demo());
    expected.replace("\"51450001\"", "\"0BADCAFE\"").replace("\"A5\"", "\"5A\"");
    QVERIFY(session()->setValue(row("io_port"), "5A", &error));
    QVERIFY(session()->save(&error));
    QCOMPARE(readFile(demo()), expected);
    QVERIFY(!session()->hasUnsavedValues());
    QCOMPARE(m_window->windowTitle(), QStringLiteral("demo.json - quelm-studio"));
    QUELM_COMPARE_GOLDEN(logText(), QStringLiteral("studio/write-verifies-and-saves.txt"));
    m_window.reset(); // gives the simulator state back
    QStringList readable = quelmctlReads(m_dir->path());
    // Both hosts say the same of every setting, the X9408's "not read back" included.
    QCOMPARE(readable, held);
}

void TestStudio::descriptionErrorKeepsTheProduct()
{
    QVERIFY(openDemo());
    const QString broken = QStringLiteral(QUELM_TEST_DATA_DIR "/quelmctl/refused/odd-bus-address.json");
    const QuelmCtlRun quelmctl = runQuelmCtl(m_dir->path(), {QStringLiteral("read"), broken});
    QCOMPARE(quelmctl.exitCode, 1);
    QVERIFY(!m_window->openFile(broken));
    const QString shown = m_window->findChild<QLabel*>(QStringLiteral("failureText"))->text();
    QCOMPARE(QStringLiteral("quelmctl: ") + shown + QLatin1Char('\n'), quelmctl.err);
    QCOMPARE(session()->fileName(), demo());
    QVERIFY(session()->isConnected());
}

void TestStudio::editValue_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error"); // empty: taken

    QTest::newRow("bytes") << "serial" << "0A0B0C0D" << "";
    QTest::newRow("lower case") << "revision" << "7f" << "";
    QTest::newRow("words") << "io_port" << "hello world"
                           << "setting \"io_port\": value \"hello world\" is not hex: \"h\" is not a hex digit";
    QTest::newRow("0x before the digits") << "revision" << "0x7F"
                                          << "setting \"revision\": value \"0x7F\" is not hex: \"x\" is not a hex digit";
    QTest::newRow("space between bytes") << "serial" << "0A 0B0C0D"
                                         << "setting \"serial\": value \"0A 0B0C0D\" is not hex: \" \" is not a hex digit";
    QTest::newRow("three digits") << "trim_wiper" << "123" << "setting \"trim_wiper\": value \"123\": 3 digits: a byte needs two";
    QTest::newRow("one digit") << "io_port" << "0" << "setting \"io_port\": value \"0\": 1 digit: a byte needs two";
    QTest::newRow("nothing") << "revision" << "" << "setting \"revision\": value \"\" has 0 bytes, the setting holds 1 byte";
    QTest::newRow("too short") << "serial" << "0A0B" << "setting \"serial\": value \"0A0B\" has 2 bytes, the setting holds 4 bytes";
    QTest::newRow("too long") << "gain_ch0" << "C0C1" << "setting \"gain_ch0\": value \"C0C1\" has 2 bytes, the setting holds 1 byte";
}

// Typed into the cell's editor as a user types it: the editor keeps every
// character; Enter stores the value, or refuses it in the status bar (which
// loses an earlier refusal either way) and the cell keeps its value.
void TestStudio::editValue()
{
    QFETCH(QString, setting);
    QFETCH(QString, text);
    QFETCH(QString, error);
    QVERIFY(openDemo());
    auto* view = m_window->findChild<QTableView*>(QStringLiteral("settings"));
    const QModelIndex value = view->model()->index(row(setting), SettingsTableModel::ValueColumn);
    const QString before = value.data().toString();
    m_window->statusBar()->showMessage(QStringLiteral("an earlier refusal"));
    view->edit(value);
    auto* editor = view->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, text);
    QCOMPARE(editor->text(), text);
    QTest::keyClick(editor, Qt::Key_Enter);
    QCoreApplication::processEvents(); // the view commits once the key is handled
    QCOMPARE(value.data().toString(), error.isEmpty() ? text.toUpper() : before);
    QCOMPARE(session()->isUnsaved(row(setting)), error.isEmpty());
    QCOMPARE(m_window->windowTitle().startsWith(QStringLiteral("demo.json *")), error.isEmpty());
    QCOMPARE(m_window->statusBar()->currentMessage(), error);
}

void TestStudio::connectDialogRefuses_data()
{
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("refusal"); // empty: accepted

    const QString noPort = QStringLiteral("Give the serial port the bridge is on, such as /dev/ttyUSB0.");
    QTest::newRow("simulator") << false << "" << "";
    QTest::newRow("port left empty") << true << "" << noPort;
    QTest::newRow("port of spaces") << true << "   " << noPort;
    QTest::newRow("path not there") << true << "/nonexistent/ttyUSB7" << "/nonexistent/ttyUSB7: no such port";
    QTest::newRow("name not under /dev") << true << "ttyNone" << "ttyNone: no such port";
    QTest::newRow("port that is there") << true << "/dev/null" << "";
    QTest::newRow("name of a port under /dev") << true << "null" << "";
}

// Refused in the dialog, which stays open; what is accepted is remembered
// for the next start.
void TestStudio::connectDialogRefuses()
{
    QFETCH(bool, serial);
    QFETCH(QString, port);
    QFETCH(QString, refusal);
    ConnectionDialog dialog(ConnectionDialog::remembered(), QStringLiteral("demo.sim-state.json"), m_window.get());
    dialog.show();
    dialog.findChild<QRadioButton*>(serial ? QStringLiteral("serial") : QStringLiteral("simulator"))->setChecked(true);
    dialog.findChild<QComboBox*>(QStringLiteral("port"))->setCurrentText(port);
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    const QLabel* said = dialog.findChild<QLabel*>(QStringLiteral("refusal"));
    QCOMPARE(dialog.isVisible(), !refusal.isEmpty());
    QCOMPARE(said->isVisible(), !refusal.isEmpty());
    QCOMPARE(said->text(), refusal);
    QCOMPARE(dialog.result(), refusal.isEmpty() ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(ConnectionDialog::remembered().port, refusal.isEmpty() && serial ? port : QString());
}

// At the size it opens at on a 1280x800 screen, read, every settings column
// lies in the table's view, at least as wide as its values, the device tree
// takes a quarter at most, the device's heading is whole; a changed layout
// is what the next window opens with.
void TestStudio::firstWindowShowsEverySettingsColumn()
{
    m_window->fitScreen(QRect(0, 0, 1280, 800));
    QVERIFY(openDemo());
    runToTheEnd(&StudioSession::read);
    m_window->selectDevice(QStringLiteral("calibration"));
    QApplication::processEvents();
    const auto* view = m_window->findChild<QTableView*>(QStringLiteral("settings"));
    const QHeaderView* header = view->horizontalHeader();
    for (int column = 0; column < header->count(); ++column) {
        const QByteArray name = view->model()->headerData(column, Qt::Horizontal).toString().toUtf8();
        QVERIFY2(header->sectionViewportPosition(column) >= 0, name);
        QVERIFY2(header->sectionViewportPosition(column) + header->sectionSize(column) <= view->viewport()->width(), name);
        QVERIFY2(header->sectionSize(column) >= textWidth(view, column), name);
    }
    const auto* tree = m_window->findChild<QTreeWidget*>();
    QVERIFY(tree->width() <= m_window->width() / 4);
    const auto* heading = m_window->findChild<QLabel*>(QStringLiteral("deviceHeading"));
    QVERIFY(heading->height() >= heading->heightForWidth(heading->width()));

    auto* splitter = m_window->findChild<QSplitter*>(QStringLiteral("top"));
    splitter->setSizes({200, 800});
    m_window->resize(1000, 650);
    const QList<int> sizes = splitter->sizes();
    m_window->close();
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    QCOMPARE(m_window->size(), QSize(1000, 650));
    QCOMPARE(m_window->findChild<QSplitter*>(QStringLiteral("top"))->sizes(), sizes);
}

// The bus actions wait for a connection, which opening a file never makes;
// the status bar says what there is.
void TestStudio::actionsNeedAConnection()
{
    const QMenu* bus = nullptr;
    for (const QAction* menu : m_window->menuBar()->actions()) {
        if (menu->text() == QLatin1String("&Bus"))
            bus = menu->menu();
    }
    QVERIFY(bus);
    const auto shown = [&] {
        QStringList states{m_window->findChild<QLabel*>(QStringLiteral("connection"))->text()};
        for (const QAction* action : bus->actions()) {
            if (!action->isSeparator())
                states.append(action->text() + (action->isEnabled() ? QStringLiteral(" on") : QStringLiteral(" off")));
        }
        return states.join(QStringLiteral(", "));
    };
    QCOMPARE(shown(), QStringLiteral("No product open, &Connect... off, &Read off, &Write off, &Erase... off, S&can off, Cancel off"));
    QVERIFY(m_window->openFile(demo()));
    QCOMPARE(shown(), QStringLiteral("Not connected, &Connect... on, &Read off, &Write off, &Erase... off, S&can off, Cancel off"));
    session()->connectTo(TransportOptions());
    session()->waitUntilIdle();
    QCOMPARE(shown(), QStringLiteral("Built-in simulator (state demo.sim-state.json), 9600 baud, I2C standard (97 kHz), "
                                     "&Connect... on, &Read on, &Write on, &Erase... on, S&can on, Cancel off"));
}

// A file that cannot be opened leaves File > Open Recent; the others stay.
void TestStudio::failedFileLeavesOpenRecent()
{
    const QString other = m_dir->filePath(QStringLiteral("other.json"));
    QVERIFY(QFile::copy(demo(), other));
    QVERIFY(m_window->openFile(other));
    QVERIFY(m_window->openFile(demo()));
    QFile broken(demo());
    QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("{");
    broken.close();
    const auto recent = [this] {
        QStringList files;
        for (const QMenu* menu : m_window->findChildren<QMenu*>()) {
            if (menu->title() == QLatin1String("Open &Recent")) {
                for (const QAction* action : menu->actions())
                    files.append(QFileInfo(action->text()).fileName());
            }
        }
        return files;
    };
    QCOMPARE(recent(), QStringList({"demo.json", "other.json"}));
    QVERIFY(!m_window->openFile(demo()));
    QCOMPARE(recent(), QStringList({"other.json"}));
}

// Every line of the log pane is the session's line after the time it was
// said; the pane follows new lines after its splitter is dragged, but not
// while the user reads further up.
void TestStudio::logLinesHaveTimesAndFollow()
{
    QVERIFY(openDemo());
    auto* log = m_window->findChild<QPlainTextEdit*>(QStringLiteral("log"));
    m_window->findChild<QSplitter*>(QStringLiteral("main"))->setSizes({600, 40});
    for (int read = 0; read < 4; ++read) // more lines than the pane shows
        runToTheEnd(&StudioSession::read);
    QScrollBar* bar = log->verticalScrollBar();
    QVERIFY(bar->maximum() > 1);
    QCOMPARE(bar->value(), bar->maximum());
    const QStringList lines = log->toPlainText().split(QLatin1Char('\n'));
    const QRegularExpression timed(QStringLiteral("^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]  "));
    QStringList said;
    for (const QString& line : lines) {
        QVERIFY2(timed.match(line).hasMatch(), qPrintable(line));
        said.append(line.mid(10));
    }
    QCOMPARE(said, session()->log());

    bar->setValue(1);
    runToTheEnd(&StudioSession::read);
    QCOMPARE(bar->value(), 1);
}

// Connecting to a simulator whose state another run holds says so in the
// status bar while it waits, and connects once the state is given back.
void TestStudio::heldStateIsSaidWhileWaiting()
{
    QVERIFY(m_window->openFile(demo()));
    QLockFile other(m_dir->filePath(QStringLiteral("demo.sim-state.json.lock")));
    QVERIFY(other.tryLock(0));
    const auto* status = m_window->findChild<QLabel*>(QStringLiteral("connection"));
    QString shownWhileWaiting;
    connect(session(), &StudioSession::message, this, [&](const QString& line) {
        if (line.startsWith(QLatin1String("waiting"))) {
            shownWhileWaiting = status->text();
            other.unlock();
        }
    });
    TransportOptions options;
    options.stateLockWaitMs = 60000;
    session()->connectTo(options);
    session()->waitUntilIdle();
    QCOMPARE(shownWhileWaiting, QStringLiteral("waiting for demo.sim-state.json, held by another %1 (process %2)")
                                    .arg(QCoreApplication::applicationName()).arg(QCoreApplication::applicationPid()));
    QVERIFY(session()->isConnected());
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
    const QuelmCtlRun printed = runQuelmCtl(other.path(), {action, "demo.json"}, QUELMCTL_PROGRAM, QProcess::MergedChannels);
    QCOMPARE(printed.exitCode, 0);

    QVERIFY(openDemo());
    QSignalSpy done(session(), &StudioSession::finished);
    QMetaObject::invokeMethod(session(), action.toLatin1().constData());
    session()->waitUntilIdle();
    QCOMPARE(int(done.size()), 1);
    QCOMPARE(done.first().first().toBool(), true);
    QStringList said = session()->log().mid(1); // after "opened <dir>/demo.json"
    said.removeAt(1);                           // "connected: ...", the window's own
    QCOMPARE(said, printed.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts));
}

void TestStudio::reportIsQuelmctlsPage()
{
    QTemporaryDir other; // the product as the studio finds it
    QVERIFY(copyDemo(other));
    QCOMPARE(runQuelmCtl(other.path(), {"report", "-q", "-o", "expected.html", "demo.json"}).exitCode, 0);
    QVERIFY(openDemo());
    const QString page = m_dir->filePath(QStringLiteral("report.html"));
    session()->saveReport(page);
    session()->waitUntilIdle();
    QCOMPARE(session()->log().constLast(), QStringLiteral("report: ") + page);
    QCOMPARE(readFile(page), readFile(other.filePath(QStringLiteral("expected.html"))));
}

// The filter matches any column; the device page lists the device's own.
void TestStudio::filterAndDeviceNarrowTheSettings()
{
    QVERIFY(openDemo());
    m_window->findChild<QLineEdit*>()->setText(QStringLiteral("GAIN"));
    const QList<QTableView*> views = m_window->findChildren<QTableView*>();
    QCOMPARE(int(views.size()), 2);
    const QTableView* all = m_window->findChild<QTableView*>(QStringLiteral("settings"));
    const QTableView* onDevice = views.at(views.at(0) == all ? 1 : 0);
    QCOMPARE(shownNames(all->model()), QStringList({"gain_ch0", "gain_ch2", "gain_ch0_backup"}));
    m_window->selectDevice(QStringLiteral("calibration"));
    QCOMPARE(m_window->selectedDevice(), QStringLiteral("calibration"));
    QCOMPARE(shownNames(onDevice->model()), QStringList({"gain_ch0_backup", "cal_note", "cal_table"}));
    QCOMPARE(m_window->findChild<QLabel*>(QStringLiteral("deviceHeading"))->text(),
             QStringLiteral("calibration: CAT24AA02 at bus 1, address 0xA0 (not read yet)"));
}

// The port's error in the log and the status bar, for a file that is no
// serial port and a port that is not there; the actions then say there is
// no bridge instead of running.
void TestStudio::portThatCannotOpen()
{
    QVERIFY(openDemo());
    TransportOptions options;
    for (const QString& port : {QStringLiteral("demo.json"), QStringLiteral("ttyNone")}) {
        options.port = m_dir->filePath(port);
        session()->connectTo(options);
        session()->waitUntilIdle();
    }
    QCOMPARE(session()->connectionText(), QStringLiteral("Not connected"));
    runToTheEnd(&StudioSession::read);
    QVERIFY(!session()->hasBeenRead());
    QUELM_COMPARE_GOLDEN(logText(), QStringLiteral("studio/a-port-that-cannot-open.txt"));
}

// The bench lacks the AD5144A: the read stops there, and the scan finds it
// missing; each failure is in the banner, on the part in the tree, and in
// the log. The golden file has the log, the banner and the failed parts
// after each action, and each scan grid with a dot for an empty cell.
void TestStudio::failingPartIsShownWithItsMessage()
{
    QVERIFY(openDemo(QStringLiteral(QUELM_TEST_DATA_DIR "/studio/bench-without-gain.json")));
    runToTheEnd(&StudioSession::read);
    QStringList shown;
    const auto* tree = m_window->findChild<QTreeWidget*>();
    const auto* banner = m_window->findChild<QLabel*>(QStringLiteral("failureText"));
    const auto showFailures = [&] {
        shown.append(QStringLiteral("banner: ") + (banner->isVisible() ? banner->text() : QStringLiteral("(hidden)")));
        for (const QTreeWidgetItem* item : tree->findItems(QStringLiteral("*"), Qt::MatchWildcard | Qt::MatchRecursive)) {
            if (item->text(0).endsWith(QLatin1String("(failed)")))
                shown.append(QStringLiteral("%1 %2").arg(item->text(0), item->toolTip(0)));
        }
    };
    showFailures();
    runToTheEnd(&StudioSession::scan);
    showFailures();
    for (const QTableWidget* grid : m_window->findChildren<QTableWidget*>()) {
        for (int row = -1; row < grid->rowCount(); ++row) { // the column headings first
            QString line = row < 0 ? QStringLiteral("  ") : grid->verticalHeaderItem(row)->text();
            for (int column = 0; column < grid->columnCount(); ++column)
                line += QLatin1Char(' ') + (row < 0 ? grid->horizontalHeaderItem(column) : grid->item(row, column))
                                               ->text().leftJustified(1, QLatin1Char('.'));
            shown.append(line);
        }
    }
    const QByteArray port = session()->connectionText().section(QLatin1Char(','), 0, 0).toUtf8();
    QUELM_COMPARE_GOLDEN(logText(shown).replace(port, "<port>"),
                         QStringLiteral("studio/a-part-missing-from-the-bench.txt"));
}

void TestStudio::portThatGoesAway_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("disconnectAfter"); // -1: quelm-simulator is killed
    QTest::addColumn<QString>("golden");     // the log, where it is the same each time
    QTest::addColumn<int>("killAt");         // the command it is killed at, 0 before the action

    QTest::newRow("simulated bridge pulled during a read")
        << "read" << 40 << "studio/a-bridge-pulled-during-a-read.txt" << 0;
    QTest::newRow("simulated bridge pulled during a read-back")
        << "write" << 170 << "studio/a-bridge-pulled-during-a-read-back.txt" << 0;
    QTest::newRow("simulated bridge pulled during a scan")
        << "scan" << 100 << "studio/a-bridge-pulled-during-a-scan.txt" << 0;
    QTest::newRow("quelm-simulator killed before a read") << "read" << -1 << "" << 0;
    QTest::newRow("quelm-simulator killed during a read") << "read" << -1 << "" << 5;
}

// The run stops, one line names the port that went away, the window is no
// longer connected, and the next action says so; a stop asked for earlier
// is never blamed.
void TestStudio::portThatGoesAway()
{
    QFETCH(QString, action);
    QFETCH(int, disconnectAfter);
    QFETCH(QString, golden);
    QFETCH(int, killAt);
    const bool killed = disconnectAfter < 0;
    const auto kill = [this] {
        m_simulator.kill();
        m_simulator.waitForFinished();
    };
    QVERIFY(openDemo(killed ? demo() : QString()));
    if (killed) {
        // A read stopped by the user first, whose words must not stick.
        connect(session(), &StudioSession::progress, session(), [this](int done) {
            if (done == 3)
                session()->cancel();
        });
        runToTheEnd(&StudioSession::read);
        disconnect(session(), &StudioSession::progress, session(), nullptr);
        if (killAt == 0)
            kill();
        connect(session(), &StudioSession::progress, session(), [&](int done) {
            if (done == killAt && m_simulator.state() == QProcess::Running)
                kill();
        });
    } else {
        TransportOptions options;
        options.disconnectAfter = disconnectAfter;
        session()->connectTo(options);
        session()->waitUntilIdle();
    }
    QSignalSpy connection(session(), &StudioSession::connectionChanged);
    QSignalSpy working(session(), &StudioSession::working);
    QMetaObject::invokeMethod(session(), action.toLatin1().constData());
    session()->waitUntilIdle();
    QVERIFY(!session()->isConnected());
    QCOMPARE(int(connection.size()), 1);
    QCOMPARE(session()->connectionText(), QStringLiteral("Not connected"));
    const Failure gone = session()->failures().constFirst();
    QVERIFY(gone.portGone());
    // The window said, in the same words, what it was doing when it stopped.
    if (gone.kind == Failure::Kind::Stopped)
        QCOMPARE(working.constLast().constFirst().toString(), gone.run.steps.at(gone.run.result.failedIndex).words);
    runToTheEnd(&StudioSession::read);
    QCOMPARE(session()->log().constLast(), QStringLiteral("read: not connected to a bridge"));
    if (!killed) {
        QUELM_COMPARE_GOLDEN(logText(), golden);
        return;
    }
    const QString reason = gone.run.result.errorString.section(QStringLiteral("): "), 1);
    QVERIFY2(reason != QLatin1String("could not be sent: stopped by the user"), qPrintable(reason));
    QCOMPARE(gone.lines().constFirst(), QStringLiteral("%1 went away: No such file or directory; read stopped at %2: %3")
                                            .arg(simulatorPort(), gone.run.steps.at(gone.run.result.failedIndex).words,
                                                 reason));
}

// A read stopped part-way after a whole one keeps the values of the devices
// it read, and the earlier read's for the rest, marked as older.
void TestStudio::stoppedReadKeepsEveryValue()
{
    QVERIFY(openDemo(demo()));
    runToTheEnd(&StudioSession::read);
    const auto* table = m_window->findChild<SettingsTableModel*>();
    QStringList before;
    for (int row = 0; row < table->rowCount(); ++row)
        before.append(table->heldText(row));
    const QString firstRead = session()->readTime(QStringLiteral("header")).toString(QStringLiteral("HH:mm:ss"));
    connect(session(), &StudioSession::progress, session(), [this](int done) {
        if (done == 39)
            session()->cancel();
    });
    runToTheEnd(&StudioSession::read);
    QCOMPARE(int(session()->failures().size()), 1);
    const PhaseRun& stopped = session()->failures().constFirst().run;
    QVERIFY(stopped.result.applied >= 39 && stopped.result.applied < 88);
    const QStringList read = devicesByOutcome(stopped.appliedText(), QStringLiteral("read")).value(QStringLiteral("read"));
    QVERIFY(!read.isEmpty());
    for (int row = 0; row < table->rowCount(); ++row) {
        const QString device = session()->description().settings.at(row).device;
        const bool older = !read.contains(device) && !table->isWriteOnly(row) && !table->heldText(row).isEmpty();
        QCOMPARE(table->heldText(row), before.at(row));
        QCOMPARE(table->isOlder(row), older);
        QCOMPARE(table->index(row, SettingsTableModel::HeldColumn).data(Qt::ToolTipRole).toString() == 
                     QStringLiteral("from the read at ") + firstRead, older);
    }
}

// Stopped early on bus 1: bus 0 was probed whole, bus 1 up to
// where the stop came; no part beyond that is called silent, and the bar
// counted up from the start.
void TestStudio::stoppedScanMarksOnlyWhatItProbed()
{
    QVERIFY(openDemo(demo()));
    QList<int> shown;
    int total = 0;
    connect(session(), &StudioSession::progress, session(), [&](int done, int count) {
        shown.append(done);
        total = count;
        if (done == count / 2 + 8)
            session()->cancel();
    });
    runToTheEnd(&StudioSession::scan);
    QCOMPARE(shown.constFirst(), 0);
    QVERIFY(std::is_sorted(shown.cbegin(), shown.cend()));
    QVERIFY(shown.constLast() >= total / 2 + 8 && shown.constLast() < total);
    const QList<SegmentScan>& segments = session()->scanResult();
    QCOMPARE(int(segments.size()), 2);
    QCOMPARE(segments.at(0).probedEnd, SegmentScan::WholeSegment);
    const int end = segments.at(1).probedEnd;
    QVERIFY(end >= 0x12 && end < SegmentScan::WholeSegment);
    QCOMPARE(session()->log().mid(session()->log().size() - 2), QStringList({
        QStringLiteral("scan: bus 1: probing %1 could not be sent: stopped by the user").arg(SC18IM700Protocol::hexByte(end)),
        QStringLiteral("scan: 1 of 2 segments probed before the stop; bus 1 up to %1").arg(SC18IM700Protocol::hexByte(end))}));
    // calibration at 0xA0 answers on bus 1 when it is probed.
    QCOMPARE(scanCell(segments.at(1), 0xA0), end > 0xA0 ? QStringLiteral("A0 ") : QStringLiteral("   "));
    for (const Failure& failure : session()->failures())
        QCOMPARE(int(failure.kind), int(Failure::Kind::ScanStopped));
}

void TestStudio::quitDuringEraseStopsAndSays_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("stops");

    QTest::newRow("stop and quit") << QStringList({"Stop and quit", "OK"}) << true;
    QTest::newRow("keep working") << QStringList({"Keep working"}) << false;
}

// Quit during an erase asks; "Stop and quit" ends the erase before its
// next command and says which devices were erased, which the product then
// holds: the erased ones as a whole erase leaves them, the others as before.
// "Keep working" lets the erase end as it would have.
void TestStudio::quitDuringEraseStopsAndSays()
{
    QFETCH(QStringList, answers);
    QFETCH(bool, stops);
    QVERIFY(openDemo(demo()));
    runToTheEnd(&StudioSession::read);
    const QHash<QString, QByteArray> before = memories(*session()->product());
    answerBoxes(m_window.get(), answers);
    bool asked = false;
    bool closed = false;
    connect(session(), &StudioSession::progress, m_window.get(), [&](int done) {
        if (done == 40 && !asked) {
            asked = true;
            closed = m_window->close();
        }
    }, Qt::QueuedConnection);
    session()->erase();
    session()->waitUntilIdle();
    QVERIFY(asked);
    QCOMPARE(closed, stops);
    QCOMPARE(m_window->isVisible(), !stops);
    QCOMPARE(int(session()->failures().size()), stops ? 1 : 0);
    if (!stops)
        return;
    const QString applied = session()->failures().constFirst().lines().at(1);
    const QHash<QString, QStringList> outcome = devicesByOutcome(applied, QStringLiteral("erased"));
    QVERIFY2(!outcome.value(QStringLiteral("erased")).isEmpty() && !outcome.value(QStringLiteral("not")).isEmpty(),
             qPrintable(applied));

    QTemporaryDir other;
    QVERIFY(copyDemo(other));
    StudioSession whole;
    QString error;
    QVERIFY(whole.open(other.filePath(QStringLiteral("demo.json")), &error));
    whole.waitUntilIdle();
    whole.connectTo(TransportOptions()); // the built-in simulator
    whole.waitUntilIdle();
    whole.erase();
    whole.waitUntilIdle();
    const QHash<QString, QByteArray> erased = memories(*whole.product());

    const QString port = simulatorPort();
    m_window.reset(); // lets go of the port
    StudioSession after;
    QVERIFY(after.open(demo(), &error));
    after.waitUntilIdle();
    TransportOptions options;
    options.port = port;
    after.connectTo(options);
    after.waitUntilIdle();
    after.read();
    after.waitUntilIdle();
    const QHash<QString, QByteArray> held = memories(*after.product());
    for (const QString& device : outcome.value(QStringLiteral("erased")))
        QCOMPARE(held.value(device), erased.value(device));
    for (const QString& device : outcome.value(QStringLiteral("not")))
        QCOMPARE(held.value(device), before.value(device));
}

void TestStudio::bothViewsMarkTheSameRows_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("held");
    QTest::addColumn<bool>("differs");
    QTest::addColumn<QString>("heading"); // the Device tab's

    QTest::newRow("write-only part") << "offset_wiper" << "not read back" << false
        << "offset: X9408 at bus 1, address 0x5E (cannot be read back: the Rx column is not what it holds)";
    QTest::newRow("proxy on another device") << "gain_ch0_backup" << "C0" << true
        << "calibration: CAT24AA02 at bus 1, address 0xA0";
    QTest::newRow("edited byte") << "gain_ch0" << "C0" << true << "gain: AD5144A at bus 1, address 0x58";
    QTest::newRow("unchanged bytes") << "cal_table" << "0001020304050607" << false
        << "calibration: CAT24AA02 at bus 1, address 0xA0";
}

// The product written, then gain_ch0 edited: the settings table marks a row where
// the device's register table marks its bytes, and a part that cannot be
// read back says so in both.
void TestStudio::bothViewsMarkTheSameRows()
{
    QFETCH(QString, setting);
    QFETCH(QString, held);
    QFETCH(bool, differs);
    QFETCH(QString, heading);
    QVERIFY(openDemo());
    runToTheEnd(&StudioSession::read);
    runToTheEnd(&StudioSession::write);
    QString error;
    QVERIFY(session()->setValue(row("gain_ch0"), QStringLiteral("2A"), &error));
    const auto* table = m_window->findChild<SettingsTableModel*>();
    QCOMPARE(table->heldText(row(setting)), held);
    QCOMPARE(table->differs(row(setting)), differs);
    const Field* field = session()->product()->fields().at(row(setting));
    const Device* device = field->device();
    QCOMPARE(device->rxData(field->address(), qMax<quint8>(1, field->size()))
                 != device->txData(field->address(), qMax<quint8>(1, field->size())),
             differs || table->isWriteOnly(row(setting)));
    m_window->selectDevice(device->name());
    QCOMPARE(m_window->findChild<QLabel*>(QStringLiteral("deviceHeading"))->text(), heading);
}

void TestStudio::restoreOntoABlankProduct_data()
{
    QTest::addColumn<bool>("withHeader");
    QTest::newRow("header kept") << false;
    QTest::newRow("header too") << true;
}

// A backup restored onto the product after an erase says, line for line,
// what quelmctl's restore of the same image onto an erased copy says, and
// gives back every memory, the header's only when asked.
void TestStudio::restoreOntoABlankProduct()
{
    QFETCH(bool, withHeader);
    const QString image = m_dir->filePath(QStringLiteral("backup.json"));
    QVERIFY(openDemo());
    session()->backup(image);
    session()->waitUntilIdle();
    QCOMPARE(session()->log().constLast(), QStringLiteral("backup: offset (X9408, bus 1, 0x5E) cannot be read back: "
                                                          "the values last written"));
    QHash<QString, QByteArray> backedUp = memories(*session()->product());
    runToTheEnd(&StudioSession::erase);
    const QByteArray blankHeader = memories(*session()->product()).value(QStringLiteral("header"));
    const int said = int(session()->log().size());
    session()->restore(image, withHeader);
    session()->waitUntilIdle();

    QTemporaryDir other;
    QVERIFY(copyDemo(other));
    QCOMPARE(runQuelmCtl(other.path(), {"erase", "-q", "demo.json"}).exitCode, 0);
    QStringList arguments{"restore", "demo.json", image};
    if (withHeader)
        arguments.append(QStringLiteral("--header"));
    QuelmCtlRun printed = runQuelmCtl(other.path(), arguments, QUELMCTL_PROGRAM, QProcess::MergedChannels);
    QCOMPARE(printed.exitCode, 0);
    QCOMPARE(session()->log().mid(said),
             printed.out.replace(QStringLiteral("--header restores them"),
                                 QStringLiteral("\"Restore the header's pages too\" restores them"))
                 .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                 .mid(1)); // after "bridge found at 9600 baud", the studio's "connected: ..."
    if (!withHeader) {
        QByteArray& header = backedUp[QStringLiteral("header")];
        const int kept = session()->product()->headerSize();
        header.replace(0, kept, blankHeader.left(kept));
    }
    runToTheEnd(&StudioSession::read);
    QCOMPARE(memories(*session()->product()), backedUp);
}

void TestStudio::compareMarksWhatDiffers_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("value");        // written after the backup; empty: none
    QTest::addColumn<QStringList>("differing"); // the devices marked in the tree
    QTest::addColumn<QStringList>("rows");      // the first one's marked register rows

    QTest::newRow("nothing changed") << QString() << QString() << QStringList() << QStringList();
    // The wiper's setting has a copy in the calibration EEPROM.
    QTest::newRow("one wiper") << "gain_ch0" << "2A" << QStringList{"gain", "calibration"} << QStringList{"00:"};
    QTest::newRow("two eeprom bytes in a row") << "cal_table" << "0001AA0304BB0607" << QStringList{"calibration"}
                                               << QStringList{"40-47:"};
}

// A compare after one device was changed says what quelmctl's compare of the
// same product and image says, marks that device in the tree and, on the
// Device tab, exactly its registers that differ from the image.
void TestStudio::compareMarksWhatDiffers()
{
    QFETCH(QString, setting);
    QFETCH(QString, value);
    QFETCH(QStringList, differing);
    QFETCH(QStringList, rows);
    const QString image = m_dir->filePath(QStringLiteral("backup.json"));
    QVERIFY(openDemo());
    runToTheEnd(&StudioSession::read);
    runToTheEnd(&StudioSession::write); // the product holds the settings
    session()->backup(image);
    session()->waitUntilIdle();
    if (!value.isEmpty()) {
        QString error;
        QVERIFY2(session()->setValue(row(setting), value, &error), qPrintable(error));
        runToTheEnd(&StudioSession::write);
    }
    const int saidBefore = int(session()->log().size());
    session()->compare(image);
    session()->waitUntilIdle();

    QStringList marked;
    for (QTreeWidgetItemIterator it(m_window->findChild<QTreeWidget*>()); *it; ++it) {
        if ((*it)->text(0).endsWith(QStringLiteral(" \u2260")))
            marked.append((*it)->text(0).chopped(2));
    }
    QCOMPARE(marked, differing);
    if (!differing.isEmpty()) {
        QCOMPARE(m_window->selectedDevice(), differing.constFirst());
        QCOMPARE(markedRows(m_window->findChild<QTextBrowser*>()), rows);
    }
    const QStringList said = session()->log().mid(saidBefore).filter(QRegularExpression(QStringLiteral("^(?!read: )")));
    m_window.reset(); // and with it the simulator's state, for quelmctl
    const QuelmCtlRun printed = runQuelmCtl(m_dir->path(), {"compare", "-q", "demo.json", image});
    QCOMPARE(printed.exitCode, differing.isEmpty() ? 0 : 1);
    QCOMPARE(said, printed.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts));
}

void TestStudio::unfitImageIsRefused_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("file");

    QTest::newRow("restore: another product's image") << "restore" << "moved.json";
    QTest::newRow("compare: no image") << "compare" << "broken.json";
    QTest::newRow("restore: no file") << "restore" << "missing.json";
}

// An image that cannot be read or does not fit the product is refused with
// quelmctl's line, in the log and the banner, and nothing is sent.
void TestStudio::unfitImageIsRefused()
{
    QFETCH(QString, action);
    QFETCH(QString, file);
    // The demo's image with gain moved to another address, and a JSON file that is no image.
    const QString backup = m_dir->filePath(QStringLiteral("backup.json"));
    QCOMPARE(runQuelmCtl(m_dir->path(), {"backup", "-q", "demo.json", "-o", backup}).exitCode, 0);
    QByteArray moved = readFile(backup);
    QCOMPARE(moved.count("\"address\": \"0x58\""), 1);
    QFile movedFile(m_dir->filePath(QStringLiteral("moved.json")));
    QFile brokenFile(m_dir->filePath(QStringLiteral("broken.json")));
    QVERIFY(movedFile.open(QIODevice::WriteOnly) && brokenFile.open(QIODevice::WriteOnly));
    movedFile.write(moved.replace("\"address\": \"0x58\"", "\"address\": \"0x5A\""));
    brokenFile.write("{\n  \"devices\": 3\n}\n");
    movedFile.close();
    brokenFile.close();
    const QString image = m_dir->filePath(file);
    const QuelmCtlRun printed = runQuelmCtl(m_dir->path(), {action, "-q", "demo.json", image});
    QCOMPARE(printed.exitCode, 1);
    QVERIFY(printed.err.startsWith(QLatin1String("quelmctl: ")));
    const QString line = printed.err.mid(10).trimmed();

    QVERIFY(openDemo());
    const int said = int(session()->log().size());
    QSignalSpy busy(session(), &StudioSession::busyChanged);
    if (action == QLatin1String("restore"))
        session()->restore(image, false);
    else
        session()->compare(image);
    session()->waitUntilIdle();
    QCOMPARE(int(busy.size()), 0); // no action started: nothing went to the bridge
    QCOMPARE(session()->log().mid(said), QStringList{line});
    QCOMPARE(m_window->findChild<QLabel*>(QStringLiteral("failureText"))->text(), line);
}

void TestStudio::screenshotWritesThePicture()
{
    const QString image = m_dir->filePath(QStringLiteral("studio.png"));
    QCOMPARE(runQuelmCtl(m_dir->path(), {"--screenshot", image, demo()}, QUELM_STUDIO_PROGRAM).exitCode, 0);
    QCOMPARE(QImage(image).size(), MainWindow::defaultSize(QSize(1280, 800)));
}

QTEST_MAIN(TestStudio)
#include "tst_studio.moc"
