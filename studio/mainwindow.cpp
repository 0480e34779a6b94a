#include "mainwindow.h"

#include "connectiondialog.h"
#include "scanview.h"
#include "settingstablemodel.h"
#include "studiosession.h"

#include <render.h>
#include <sc18im700.h>

#include <QtCore/QFileInfo>
#include <QtCore/QSettings>
#include <QtCore/QSortFilterProxyModel>
#include <QtCore/QTextStream>
#include <QtCore/QTime>
#include <QtGui/QCloseEvent>
#include <QtGui/QKeySequence>
#include <QtGui/QScreen>
#include <QAction> // QtWidgets in Qt 5, QtGui in Qt 6
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QFrame>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QScrollArea>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QSplitter>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QTabWidget>
#include <QtWidgets/QTableView>
#include <QtWidgets/QTextBrowser>
#include <QtWidgets/QToolBar>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeWidget>
#include <QtWidgets/QVBoxLayout>

namespace {

constexpr int MaxRecentFiles = 8;
const char* const recentFilesKey = "recentFiles";
const char* const geometryKey = "window/geometry";
const char* const stateKey = "window/state";
const char* const splitterKey = "window/splitter/%1";
constexpr int DeviceNameRole = Qt::UserRole;
// The device tree's width in a wide window; a narrow one gives it a quarter.
constexpr int TreeWidth = 330;

template<typename Receiver, typename Slot>
QAction* makeAction(QObject* parent, const QString& text, const QString& toolTip, const QKeySequence& shortcut,
                    Receiver* receiver, Slot slot)
{
    auto* action = new QAction(text, parent);
    action->setToolTip(toolTip);
    action->setShortcut(shortcut);
    QObject::connect(action, &QAction::triggered, receiver, slot);
    return action;
}

// The short columns as wide as their texts, the values share the rest.
void fitSettingsColumns(QTableView* view)
{
    QHeaderView* header = view->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(SettingsTableModel::ValueColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(SettingsTableModel::HeldColumn, QHeaderView::Stretch);
    view->verticalHeader()->hide();
    // Rows as high as their text, so that a product's settings fit on one page.
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 8);
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , m_session(new StudioSession(this))
    , m_settings(new SettingsTableModel(m_session, this))
    , m_filtered(new QSortFilterProxyModel(this))
    , m_deviceSettings(new QSortFilterProxyModel(this))
{
    m_filtered->setSourceModel(m_settings);
    m_filtered->setFilterKeyColumn(-1);
    m_filtered->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_deviceSettings->setSourceModel(m_settings);
    m_deviceSettings->setFilterKeyColumn(SettingsTableModel::DeviceColumn);
    createActions();
    createMenus();
    createWidgets();

    connect(m_session, &StudioSession::message, this, &MainWindow::appendLog);
    connect(m_session, &StudioSession::opened, this, [this] {
        rememberRecent(m_session->fileName());
        m_scan->setSegments({});
        updateTitle();
        updateConnection();
        updateActions();
    });
    connect(m_session, &StudioSession::productReplaced, this, &MainWindow::rebuildDeviceTree);
    connect(m_session, &StudioSession::valuesChanged, this, [this] {
        statusBar()->clearMessage(); // a refused edit was put right
        updateTitle();
        updateActions();
        showDevice();
    });
    connect(m_session, &StudioSession::connectionChanged, this, [this] {
        updateConnection();
        updateActions();
    });
    connect(m_session, &StudioSession::busyChanged, this, [this](bool busy) {
        if (busy) {
            m_failureBanner->hide();
            statusBar()->clearMessage();
        }
        updateActions();
        updateConnection();
    });
    connect(m_session, &StudioSession::failed, this, [this](const Failure& failure) { showFailure(failure.lines()); });
    connect(m_session, &StudioSession::progress, this, &MainWindow::showProgress);
    // The next command in words beside the bar, while an action runs.
    connect(m_session, &StudioSession::working, m_working, &QLabel::setText);
    connect(m_session, &StudioSession::busyChanged, m_working, [this](bool busy) {
        m_working->clear();
        m_working->setVisible(busy);
    });
    connect(m_session, &StudioSession::finished, this, &MainWindow::markFailures);
    connect(m_session, &StudioSession::finished, this, &MainWindow::showComparison);
    connect(m_session, &StudioSession::scanned, this, [this] {
        m_scan->setSegments(m_session->scanResult());
        m_tabs->setCurrentIndex(2);
    });
    // Until the value is put right or the next action starts.
    connect(m_settings, &SettingsTableModel::valueRejected, this, [this](const QString& reason) {
        appendLog(reason);
        statusBar()->showMessage(reason);
    });
    restoreLayout();
    updateRecentMenu();
    updateActions();
    updateTitle();
    updateConnection();
}

MainWindow::~MainWindow()
{
    // An editor still open commits its text as the window goes, when
    // nothing of the window is left to show what became of it.
    disconnect(m_session, nullptr, this, nullptr);
    disconnect(m_settings, nullptr, this, nullptr);
}

void MainWindow::createActions()
{
    m_openAction = makeAction(this, tr("&Open..."), QString(), QKeySequence::Open, this, &MainWindow::open);
    m_saveAction = makeAction(this, tr("&Save values"), tr("Write the changed values into the description file"),
                              QKeySequence::Save, this, &MainWindow::save);
    m_reportAction = makeAction(this, tr("Save &report..."), tr("Read the product and save the HTML diagnostics page"),
                                {}, this, &MainWindow::saveReport);
    m_connectAction = makeAction(this, tr("&Connect..."), tr("Choose the simulator or a serial port"), {}, this,
                                 &MainWindow::connectBridge);
    m_readAction = makeAction(this, tr("&Read"), tr("Read every device"), QKeySequence::Refresh, m_session,
                              &StudioSession::read);
    m_writeAction = makeAction(this, tr("&Write"), tr("Write the settings (dirty pages only), read back and verify"),
                               {}, m_session, &StudioSession::write);
    m_eraseAction = makeAction(this, tr("&Erase..."), tr("Clear every device's memory, read back and verify"), {},
                               this, &MainWindow::erase);
    m_scanAction = makeAction(this, tr("S&can"), tr("Probe every address on each bus segment"), {}, m_session,
                              &StudioSession::scan);
    m_backupAction = makeAction(this, tr("&Backup..."), tr("Read every device's whole memory into an image file"), {},
                                this, &MainWindow::backup);
    m_restoreAction = makeAction(this, tr("Rest&ore..."),
                                 tr("Write an image back: changed pages only, read back and verify"), {}, this,
                                 &MainWindow::restore);
    m_compareAction = makeAction(this, tr("Com&pare..."), tr("Read the product and mark where it differs from an image"),
                                 {}, this, &MainWindow::compare);
    m_cancelAction = makeAction(this, tr("Cancel"), tr("Stop the running action before its next command"),
                                QKeySequence::Cancel, m_session, &StudioSession::cancel);
}

void MainWindow::createMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(m_openAction);
    m_recentMenu = file->addMenu(tr("Open &Recent"));
    file->addAction(m_saveAction);
    file->addAction(m_reportAction);
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    QMenu* bus = menuBar()->addMenu(tr("&Bus"));
    bus->addAction(m_connectAction);
    bus->addSeparator();
    for (QAction* action : {m_readAction, m_writeAction, m_eraseAction, m_scanAction, m_cancelAction})
        bus->addAction(action);
    QMenu* service = menuBar()->addMenu(tr("Ser&vice"));
    for (QAction* action : {m_backupAction, m_restoreAction, m_compareAction})
        service->addAction(action);

    QToolBar* tools = addToolBar(tr("Actions"));
    tools->setObjectName(QStringLiteral("actions"));
    for (QAction* action : {m_openAction, m_saveAction, m_connectAction, m_readAction, m_writeAction,
                            m_eraseAction, m_scanAction, m_reportAction})
        tools->addAction(action);
}

void MainWindow::createWidgets()
{
    m_devices = new QTreeWidget;
    m_devices->setHeaderLabels({tr("Board / device"), tr("Part"), tr("Bus"), tr("Address")});
    m_devices->setRootIsDecorated(true);
    connect(m_devices, &QTreeWidget::currentItemChanged, this, [this] {
        showDevice();
        if (!selectedDevice().isEmpty())
            m_tabs->setCurrentIndex(1);
    });

    m_scan = new ScanView;
    auto* scanArea = new QScrollArea;
    scanArea->setWidget(m_scan);
    scanArea->setWidgetResizable(true);

    m_tabs = new QTabWidget;
    m_tabs->addTab(createSettingsPage(), tr("Settings"));
    m_tabs->addTab(createDevicePage(), tr("Device"));
    m_tabs->addTab(scanArea, tr("Scan"));

    auto* top = new QSplitter(Qt::Horizontal);
    top->setObjectName(QStringLiteral("top"));
    top->addWidget(m_devices);
    top->addWidget(m_tabs);
    top->setStretchFactor(1, 1);
    top->setCollapsible(1, false);
    m_log = new QPlainTextEdit;
    m_log->setObjectName(QStringLiteral("log"));
    m_log->setReadOnly(true);
    m_log->setMaximumBlockCount(0);
    m_log->setPlaceholderText(tr("Messages of every action appear here."));
    // Follows new lines as a terminal does: not while the user reads further up.
    QScrollBar* logBar = m_log->verticalScrollBar();
    connect(logBar, &QScrollBar::valueChanged, this,
            [this, logBar](int value) { m_followLog = value >= logBar->maximum(); });
    auto* main = new QSplitter(Qt::Vertical);
    main->setObjectName(QStringLiteral("main"));
    main->addWidget(top);
    main->addWidget(m_log);
    main->setStretchFactor(0, 4);
    main->setStretchFactor(1, 1);
    m_treeSplitter = top;
    m_logSplitter = main;
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(createFailureBanner());
    layout->addWidget(main, 1);
    setCentralWidget(central);

    m_connection = new QLabel;
    m_connection->setObjectName(QStringLiteral("connection"));
    m_working = new QLabel;
    m_working->setObjectName(QStringLiteral("working"));
    m_working->setVisible(false);
    m_progress = new QProgressBar;
    m_progress->setMaximumWidth(240);
    m_progress->setVisible(false);
    m_cancel = new QPushButton(tr("Cancel"));
    m_cancel->setVisible(false);
    connect(m_cancel, &QPushButton::clicked, m_session, &StudioSession::cancel);
    statusBar()->addWidget(m_connection, 1);
    statusBar()->addPermanentWidget(m_working);
    statusBar()->addPermanentWidget(m_progress);
    statusBar()->addPermanentWidget(m_cancel);
}

// Above the work, until the next action starts or it is closed.
QWidget* MainWindow::createFailureBanner()
{
    m_failureBanner = new QFrame;
    m_failureBanner->setObjectName(QStringLiteral("failureBanner"));
    m_failureBanner->setStyleSheet(QStringLiteral("#failureBanner { background: #ffd0d0; border: 1px solid #c00000; }"));
    m_failureText = new QLabel(m_failureBanner);
    m_failureText->setObjectName(QStringLiteral("failureText"));
    m_failureText->setWordWrap(true);
    m_failureText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* close = new QToolButton(m_failureBanner);
    close->setText(tr("Close"));
    connect(close, &QToolButton::clicked, m_failureBanner, &QWidget::hide);
    auto* layout = new QHBoxLayout(m_failureBanner);
    layout->addWidget(m_failureText, 1);
    layout->addWidget(close, 0, Qt::AlignTop);
    m_failureBanner->hide();
    return m_failureBanner;
}

QWidget* MainWindow::createSettingsPage()
{
    auto* page = new QWidget;
    m_filter = new QLineEdit(page);
    m_filter->setPlaceholderText(tr("Filter settings by name, kind, device, address or value"));
    m_filter->setClearButtonEnabled(true);
    connect(m_filter, &QLineEdit::textChanged, m_filtered, &QSortFilterProxyModel::setFilterFixedString);
    m_settingsView = new QTableView(page);
    m_settingsView->setObjectName(QStringLiteral("settings"));
    m_settingsView->setModel(m_filtered);
    m_settingsView->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                    | QAbstractItemView::AnyKeyPressed);
    fitSettingsColumns(m_settingsView);
    m_settingsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_filter);
    layout->addWidget(m_settingsView);
    return page;
}

QWidget* MainWindow::createDevicePage()
{
    auto* page = new QWidget;
    m_deviceHeading = new QLabel(tr("Select a device to see its registers."), page);
    m_deviceHeading->setObjectName(QStringLiteral("deviceHeading"));
    QFont bold = m_deviceHeading->font();
    bold.setBold(true);
    m_deviceHeading->setFont(bold);
    m_deviceHeading->setWordWrap(true);
    m_registers = new QTextBrowser(page);
    auto* onDevice = new QTableView(page);
    onDevice->setModel(m_deviceSettings);
    fitSettingsColumns(onDevice);
    auto* split = new QSplitter(Qt::Vertical, page);
    split->setObjectName(QStringLiteral("device"));
    m_deviceSplitter = split;
    split->addWidget(m_registers);
    split->addWidget(onDevice);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_deviceHeading);
    layout->addWidget(split);
    return page;
}

bool MainWindow::openFile(const QString& fileName, QString* error)
{
    if (!maySwitchProduct())
        return false;
    QString reason;
    if (m_session->open(fileName, &reason))
        return true;
    appendLog(reason);
    showFailure({reason});
    forgetRecent(fileName);
    if (error)
        *error = reason;
    return false;
}

void MainWindow::openOnStart(const QString& fileName)
{
    QString error;
    if (!openFile(fileName, &error) && !error.isEmpty())
        QMessageBox::warning(this, tr("Cannot open the description"), error);
}

QSize MainWindow::defaultSize(const QSize& available)
{
    return QSize(qMin(available.width() - 40, 1600), qMin(available.height() * 9 / 10, 1000));
}

void MainWindow::fitScreen(const QRect& available)
{
    resize(defaultSize(available.size()));
    move(available.center() - rect().center());
    m_treeSplitter->setSizes({qMin(TreeWidth, width() / 4), width()});
    m_logSplitter->setSizes({height() * 3 / 4, height() / 4});
    m_deviceSplitter->setSizes({height() / 2, height() / 4});
}

// Where the window was when it was last closed, else its default.
void MainWindow::restoreLayout()
{
    fitScreen(QGuiApplication::primaryScreen()->availableGeometry());
    const QSettings settings;
    restoreGeometry(settings.value(QLatin1String(geometryKey)).toByteArray());
    restoreState(settings.value(QLatin1String(stateKey)).toByteArray());
    for (QSplitter* splitter : splitters())
        splitter->restoreState(settings.value(QString::fromLatin1(splitterKey).arg(splitter->objectName())).toByteArray());
}

void MainWindow::saveLayout() const
{
    QSettings settings;
    settings.setValue(QLatin1String(geometryKey), saveGeometry());
    settings.setValue(QLatin1String(stateKey), saveState());
    for (const QSplitter* splitter : splitters())
        settings.setValue(QString::fromLatin1(splitterKey).arg(splitter->objectName()), splitter->saveState());
}

// "19:42:07  read: 88 commands ...": each line with the time it was said.
void MainWindow::appendLog(const QString& line)
{
    const bool follow = m_followLog;
    m_log->appendPlainText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss  ")) + line);
    QScrollBar* bar = m_log->verticalScrollBar();
    if (follow)
        bar->setValue(bar->maximum());
    // While connecting, the status bar says what the connection waits for.
    if (m_session->isBusy() && !m_session->isConnected())
        m_connection->setText(line);
}

void MainWindow::open()
{
    const QString fileName = QFileDialog::getOpenFileName(
        this, tr("Open product description"), QFileInfo(m_session->fileName()).path(),
        tr("Product descriptions (*.json);;All files (*)"));
    if (!fileName.isEmpty())
        openFile(fileName);
}

bool MainWindow::save()
{
    QString error;
    if (m_session->save(&error))
        return true;
    appendLog(error);
    showFailure({error});
    return false;
}

// Changed values are never dropped without asking.
bool MainWindow::maySwitchProduct()
{
    if (!m_session->hasUnsavedValues())
        return true;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, tr("Unsaved values"),
        tr("Some values of %1 were changed. Save them into the file?").arg(QFileInfo(m_session->fileName()).fileName()),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save)
        return save();
    return answer == QMessageBox::Discard;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_session->isBusy() && !stopBusWork()) {
        event->ignore();
        return;
    }
    if (!maySwitchProduct()) {
        event->ignore();
        return;
    }
    m_session->cancel();
    saveLayout();
    event->accept();
}

// Bus work is never cut off unasked: stopped before its next command,
// waited for, and what it applied said, or left to run.
bool MainWindow::stopBusWork()
{
    const QString action = m_session->actionName();
    const int said = m_session->log().size(); // what it says while the question waits counts too
    QMessageBox question(QMessageBox::Question, tr("Bus work under way"),
                         tr("The %1 is still running. Stop it before its next command and quit?").arg(action),
                         QMessageBox::NoButton, this);
    QPushButton* keep = question.addButton(tr("Keep working"), QMessageBox::RejectRole);
    QPushButton* stop = question.addButton(tr("Stop and quit"), QMessageBox::AcceptRole);
    question.setDefaultButton(keep);
    question.exec();
    if (question.clickedButton() != stop)
        return false;
    m_session->cancel();
    m_session->waitUntilIdle();
    const QStringList report = m_session->log().mid(said);
    if (!report.isEmpty())
        QMessageBox::information(this, tr("Before quitting"), report.join(QLatin1Char('\n')));
    return true;
}

void MainWindow::connectBridge()
{
    ConnectionDialog dialog(m_session->isConnected() ? m_session->connection() : ConnectionDialog::remembered(),
                            SimulatorState::defaultFile(m_session->fileName()), this);
    if (dialog.exec() == QDialog::Accepted)
        m_session->connectTo(dialog.options());
}

void MainWindow::erase()
{
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        this, tr("Erase the product"),
        tr("Erase clears the memory of every device on the product, the header included. Erase it?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes)
        m_session->erase();
}

void MainWindow::saveReport()
{
    const QFileInfo description(m_session->fileName());
    const QString fileName = QFileDialog::getSaveFileName(
        this, tr("Save report"), description.dir().filePath(description.completeBaseName() + QStringLiteral("-report.html")),
        tr("HTML pages (*.html)"));
    if (!fileName.isEmpty())
        m_session->saveReport(fileName);
}

void MainWindow::backup()
{
    const QFileInfo description(m_session->fileName());
    const QString fileName = QFileDialog::getSaveFileName(
        this, tr("Back up the product"),
        description.dir().filePath(description.completeBaseName() + QStringLiteral("-backup.json")),
        tr("Product images (*.json)"));
    if (!fileName.isEmpty())
        m_session->backup(fileName);
}

QString MainWindow::chooseImage(const QString& title)
{
    return QFileDialog::getOpenFileName(this, title, QFileInfo(m_session->fileName()).path(),
                                        tr("Product images (*.json);;All files (*)"));
}

// The image is checked before the question, so one that does not fit the
// product is refused with nothing asked and nothing sent.
void MainWindow::restore()
{
    const QString fileName = chooseImage(tr("Restore an image"));
    if (fileName.isEmpty() || !m_session->checkedImage(fileName))
        return;
    QMessageBox question(QMessageBox::Warning, tr("Restore the product"),
                         tr("Restore writes the memories %1 holds onto the product, then reads them back and "
                            "verifies. Restore it?").arg(QFileInfo(fileName).fileName()),
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setDefaultButton(QMessageBox::No);
    // The header names the board: it is kept unless asked for.
    auto* withHeader = new QCheckBox(tr("Restore the header's pages too"), &question);
    question.setCheckBox(withHeader);
    if (question.exec() == QMessageBox::Yes)
        m_session->restore(fileName, withHeader->isChecked());
}

void MainWindow::compare()
{
    const QString fileName = chooseImage(tr("Compare with an image"));
    if (!fileName.isEmpty())
        m_session->compare(fileName);
}

void MainWindow::showComparison()
{
    const QList<DeviceComparison>& compared = m_session->comparison();
    const auto differing = std::find_if(compared.cbegin(), compared.cend(),
                                        [](const DeviceComparison& comparison) { return !comparison.equal(); });
    if (differing == compared.cend())
        return;
    selectDevice(differing->image.name);
    m_tabs->setCurrentIndex(1);
}

void MainWindow::rememberRecent(const QString& fileName)
{
    QSettings settings;
    QStringList files = settings.value(QLatin1String(recentFilesKey)).toStringList();
    const QString path = QFileInfo(fileName).absoluteFilePath();
    files.removeAll(path);
    files.prepend(path);
    settings.setValue(QLatin1String(recentFilesKey), QStringList(files.mid(0, MaxRecentFiles)));
    updateRecentMenu();
}

void MainWindow::forgetRecent(const QString& fileName)
{
    QSettings settings;
    QStringList files = settings.value(QLatin1String(recentFilesKey)).toStringList();
    if (files.removeAll(QFileInfo(fileName).absoluteFilePath()) == 0)
        return;
    settings.setValue(QLatin1String(recentFilesKey), files);
    updateRecentMenu();
}

void MainWindow::updateRecentMenu()
{
    m_recentMenu->clear();
    const QStringList files = QSettings().value(QLatin1String(recentFilesKey)).toStringList();
    for (const QString& file : files)
        m_recentMenu->addAction(file, this, [this, file] { openFile(file); });
    m_recentMenu->setEnabled(!files.isEmpty());
}

void MainWindow::updateActions()
{
    const bool busy = m_session->isBusy();
    const bool ready = m_session->isOpen() && !busy;
    m_connectAction->setEnabled(ready);
    for (QAction* action : {m_readAction, m_writeAction, m_eraseAction, m_scanAction, m_reportAction, m_backupAction,
                            m_restoreAction, m_compareAction})
        action->setEnabled(ready && m_session->isConnected());
    m_openAction->setEnabled(!busy);
    m_recentMenu->setEnabled(!busy);
    m_saveAction->setEnabled(m_session->hasUnsavedValues());
    m_cancelAction->setEnabled(busy);
    m_cancel->setVisible(busy);
    m_progress->setVisible(busy);
    if (busy)
        m_progress->setRange(0, 0); // until the first command is applied
}

void MainWindow::updateTitle()
{
    if (!m_session->isOpen()) {
        setWindowTitle(QStringLiteral("quelm-studio"));
        return;
    }
    setWindowTitle(QStringLiteral("%1%2 - quelm-studio")
                       .arg(QFileInfo(m_session->fileName()).fileName(),
                            m_session->hasUnsavedValues() ? QStringLiteral(" *") : QString()));
}

void MainWindow::updateConnection()
{
    if (!m_session->isOpen())
        m_connection->setText(tr("No product open"));
    else if (m_session->isBusy() && !m_session->isConnected())
        m_connection->setText(tr("Connecting..."));
    else
        m_connection->setText(m_session->connectionText());
}

void MainWindow::showProgress(int done, int count)
{
    m_progress->setRange(0, count);
    m_progress->setValue(done);
}

// The banner lists every failure of the action under way.
void MainWindow::showFailure(const QStringList& lines)
{
    const QString text = lines.join(QLatin1Char('\n'));
    m_failureText->setText(m_failureBanner->isVisible() ? m_failureText->text() + QLatin1Char('\n') + text : text);
    m_failureBanner->show();
}

void MainWindow::markFailures()
{
    rebuildDeviceTree();
}

QStringList MainWindow::differingRanges(const QString& device) const
{
    QStringList ranges;
    for (const DeviceComparison& comparison : m_session->comparison()) {
        if (comparison.image.name == device) {
            for (const DifferingRange& range : comparison.ranges)
                ranges.append(range.text());
        }
    }
    return ranges;
}

Device* MainWindow::deviceNamed(const QString& name) const
{
    LoadedProduct* product = m_session->product();
    if (!product)
        return nullptr;
    if (product->bridge()->name() == name)
        return product->bridge();
    return product->device(name);
}

void MainWindow::rebuildDeviceTree()
{
    const QString selected = selectedDevice();
    const QSignalBlocker blocker(m_devices);
    m_devices->clear();
    LoadedProduct* product = m_session->product();
    if (!product)
        return;
    const bool read = m_session->hasBeenRead();
    for (const Subassembly* board : product->product()->subassemblies()) {
        auto* boardItem = new QTreeWidgetItem(m_devices, {board->title()});
        QList<Device*> devices = board->devices();
        std::sort(devices.begin(), devices.end(), ProductInterface::deviceLessThan);
        if (board->busController())
            devices.prepend(board->busController());
        for (const Device* device : qAsConst(devices)) {
            const bool bridge = device == board->busController();
            auto* item = new QTreeWidgetItem(boardItem, {device->name(), device->deviceName(),
                                                         bridge ? QString() : QString::number(device->busNumber()),
                                                         bridge ? QString() : SC18IM700Protocol::hexByte(device->busAddress())});
            item->setData(0, DeviceNameRole, device->name());
            QStringList failures;
            for (const Failure& failure : m_session->failures()) {
                if (failure.device == device->name())
                    failures += failure.lines();
                if (failure.device == device->name() && failure.kind == Failure::Kind::Stopped)
                    failures += failure.run.commandText(); // the library's words
            }
            if (!failures.isEmpty()) {
                item->setForeground(0, QColor(0xc0, 0, 0));
                item->setText(0, tr("%1 (failed)").arg(device->name()));
                item->setToolTip(0, failures.join(QLatin1Char('\n')));
            } else if (const QStringList ranges = differingRanges(device->name()); !ranges.isEmpty()) {
                item->setForeground(0, QColor(0x80, 0, 0x80));
                item->setText(0, tr("%1 \u2260").arg(device->name())); // as the register view marks a row
                item->setToolTip(0, ranges.join(QLatin1Char('\n')));
            } else if (read && !bridge && device->readPages() > 0 && device->isDirty()
                       && m_session->readTime(device->name()).isValid()) {
                item->setToolTip(0, tr("What the product holds differs from the settings"));
                item->setForeground(0, QColor(0xa0, 0x50, 0));
            }
        }
    }
    m_devices->expandAll();
    for (int column = 0; column < m_devices->columnCount(); ++column)
        m_devices->resizeColumnToContents(column);
    if (!selected.isEmpty())
        selectDevice(selected);
    showDevice();
}

void MainWindow::selectDevice(const QString& name)
{
    for (QTreeWidgetItemIterator it(m_devices); *it; ++it) {
        if ((*it)->data(0, DeviceNameRole).toString() == name) {
            m_devices->setCurrentItem(*it);
            return;
        }
    }
}

QString MainWindow::selectedDevice() const
{
    const QTreeWidgetItem* item = m_devices->currentItem();
    return item ? item->data(0, DeviceNameRole).toString() : QString();
}

// The device's register table as the HTML report has it: received beside
// wanted, differing rows marked.
void MainWindow::showDevice()
{
    const Device* const compared = m_session->comparedDevice(selectedDevice());
    const Device* device = compared ? compared : deviceNamed(selectedDevice());
    if (!device) {
        m_deviceHeading->setText(tr("Select a device to see its registers."));
        m_registers->clear();
        m_deviceSettings->setFilterFixedString(QStringLiteral("\x01")); // matches no device
        return;
    }
    QString heading = deviceHeading(device);
    const bool writeOnly = memoryMark(device, 0, 0) == MemoryMark::NotReadBack;
    if (writeOnly)
        heading += tr(" (cannot be read back: the Rx column is not what it holds)");
    else if (compared)
        heading += tr(" (compared with the image: the rows that differ are marked)");
    else if (!m_session->hasBeenRead())
        heading += tr(" (not read yet)");
    else if (m_session->isOlder(device->name()))
        heading += tr(" (from the read at %1)")
                       .arg(m_session->readTime(device->name()).toString(QStringLiteral("HH:mm:ss")));
    else if (!m_session->readTime(device->name()).isValid())
        heading += tr(" (not read)");
    // Rows are marked where memoryMark() marks the settings on them; a part
    // that cannot be read back differs nowhere.
    const QString unmarked = QStringLiteral("td.diff { background: white; color: black; font-weight: normal; }\n");
    m_registers->document()->setDefaultStyleSheet(htmlReportStyle() + (writeOnly ? unmarked : QString()));
    m_deviceHeading->setText(heading);
    QString html;
    QTextStream stream(&html);
    device->toHtml(stream);
    stream.flush();
    if (compared) { // what was read beside the image's bytes
        html.replace(QStringLiteral("<th class='rxbuffer'>Rx Buffer</th>"),
                     QStringLiteral("<th class='rxbuffer'>%1</th>").arg(tr("Product")));
        html.replace(QStringLiteral("<th class='txbuffer'>Tx Buffer</th>"),
                     QStringLiteral("<th class='txbuffer'>%1</th>").arg(tr("Image")));
    }
    m_registers->setHtml(html);
    m_deviceSettings->setFilterRegularExpression(
        QRegularExpression(QStringLiteral("^%1$").arg(QRegularExpression::escape(device->name()))));
}
