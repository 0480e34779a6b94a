#ifndef QUELMSTUDIO_MAINWINDOW_H
#define QUELMSTUDIO_MAINWINDOW_H

#include <QtWidgets/QMainWindow>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QSplitter;
class QTabWidget;
class QTableView;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class Device;
class QFrame;
class ScanView;
class SettingsTableModel;
class StudioSession;

// The service engineer's window on one product: the settings beside what
// the product holds, the boards and devices with their registers, the scan
// grid and the log of every message, with the bus work of quelmctl's
// subcommands as actions. Every failure of an action is shown alike: in a
// banner above the work, on its part in the device tree, and in the log.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Room for every column of the settings on a screen of this size.
    static QSize defaultSize(const QSize& available);

    StudioSession* session() const { return m_session; }
    // Opens a description; says why as every failure is said when it
    // cannot, and drops it from Open Recent. Never connects by itself.
    bool openFile(const QString& fileName, QString* error = nullptr);
    // The same for the description given on the command line, whose
    // failure is also said in a dialog on the window.
    void openOnStart(const QString& fileName);
    // The window at its default size and layout, centred on the screen
    // area available.
    void fitScreen(const QRect& available);
    // Selects a device in the tree and shows its registers ("bridge" is the bridge).
    void selectDevice(const QString& name);
    // The name of the device shown, empty for none.
    QString selectedDevice() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createWidgets();
    QWidget* createSettingsPage();
    QWidget* createDevicePage();
    QWidget* createFailureBanner();
    void open();
    bool save();
    bool maySwitchProduct();
    bool stopBusWork();
    void connectBridge();
    void erase();
    void saveReport();
    void backup();
    void restore();
    void compare();
    // An image file chosen to restore or compare; empty when none was.
    QString chooseImage(const QString& title);
    // After a compare: the first device that differs, on the Device tab.
    void showComparison();
    void restoreLayout();
    void saveLayout() const;
    QList<QSplitter*> splitters() const { return {m_treeSplitter, m_logSplitter, m_deviceSplitter}; }
    void appendLog(const QString& line);
    void rememberRecent(const QString& fileName);
    void forgetRecent(const QString& fileName);
    void updateRecentMenu();
    void updateActions();
    void updateTitle();
    void updateConnection();
    void rebuildDeviceTree();
    void showDevice();
    void showFailure(const QStringList& lines);
    void markFailures();
    void showProgress(int done, int count);
    Device* deviceNamed(const QString& name) const;
    // "0x10-0x13: image 01 02 03 04, product 00 00 00 00" for each range
    // where the last compare found the device differs from the image.
    QStringList differingRanges(const QString& device) const;

    StudioSession* m_session;
    SettingsTableModel* m_settings;
    QSortFilterProxyModel* m_filtered;
    QSortFilterProxyModel* m_deviceSettings;
    QTabWidget* m_tabs = nullptr;
    QLineEdit* m_filter = nullptr;
    QTableView* m_settingsView = nullptr;
    QTreeWidget* m_devices = nullptr;
    QLabel* m_deviceHeading = nullptr;
    QTextBrowser* m_registers = nullptr;
    ScanView* m_scan = nullptr;
    QPlainTextEdit* m_log = nullptr;
    bool m_followLog = true; // until the user scrolls up from the last line
    // Their states are remembered.
    QSplitter* m_treeSplitter = nullptr;   // the device tree beside the tabs
    QSplitter* m_logSplitter = nullptr;    // the work above the log
    QSplitter* m_deviceSplitter = nullptr; // the registers above the device's settings
    QFrame* m_failureBanner = nullptr;
    QLabel* m_failureText = nullptr;
    QLabel* m_connection = nullptr;
    QLabel* m_working = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QMenu* m_recentMenu = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_saveAction = nullptr;
    QAction* m_reportAction = nullptr;
    QAction* m_connectAction = nullptr;
    QAction* m_readAction = nullptr;
    QAction* m_writeAction = nullptr;
    QAction* m_eraseAction = nullptr;
    QAction* m_scanAction = nullptr;
    QAction* m_cancelAction = nullptr;
    QAction* m_backupAction = nullptr;
    QAction* m_restoreAction = nullptr;
    QAction* m_compareAction = nullptr;
};

#endif // QUELMSTUDIO_MAINWINDOW_H
