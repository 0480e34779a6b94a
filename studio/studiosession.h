#ifndef QUELMSTUDIO_STUDIOSESSION_H
#define QUELMSTUDIO_STUDIOSESSION_H

#include "busworker.h"

#include <product.h>
#include <productdescription.h>
#include <scanmodel.h>
#include <transport.h>

#include <QtCore/QObject>
#include <QtCore/QStringList>

class QTextStream;

#include <functional>
#include <memory>

// One product open in the window: its description with the values being
// edited, the product as the bridge last showed it, and the bus work on it.
//
// Every action works as quelmctl's subcommand of the same name does, on a
// fresh product built from the edited values: read it, make the settings
// its wanted state, then write, verify or scan. The product on screen is
// replaced when the action ends, so the bus thread never shares one with
// the window. Messages are quelmctl's, without its name in front.
class StudioSession : public QObject
{
    Q_OBJECT

public:
    explicit StudioSession(QObject* parent = nullptr);
    ~StudioSession() override;

    // Reads a description; on failure keeps what is open and says why, as
    // quelmctl words it. Connects to the simulator, or reconnects the port.
    bool open(const QString& fileName, QString* error);
    bool isOpen() const { return m_product != nullptr; }
    QString fileName() const { return m_fileName; }
    const ProductDescription& description() const { return m_description; }
    // The product on screen; null until a description is open.
    LoadedProduct* product() const { return m_product.get(); }
    // Whether the product on screen was read since it was built.
    bool hasBeenRead() const { return m_product && !m_product->fields().isEmpty(); }

    // The built-in simulator when the port is empty. Stops nothing that runs.
    void connectTo(const TransportOptions& options);
    const TransportOptions& connection() const { return m_options; }
    bool isConnected() const { return m_connected; }
    // "Built-in simulator (state demo.sim-state.json), 9600 baud, I2C standard (97 kHz)",
    // "/dev/pts/3, 115200 baud, I2C fast (369 kHz), acknowledge checks": the
    // bridge's rate and clock as they were found or set.
    QString connectionText() const;

    // Checks and takes a setting's new value text; false with the reason.
    bool setValue(int row, const QString& text, QString* error);
    // Settings whose value differs from the file's.
    bool hasUnsavedValues() const;
    bool isUnsaved(int row) const;
    // Writes the changed values into the description file, nothing else.
    bool save(QString* error);

    bool isBusy() const { return m_busy; }
    // Runs the event loop until no action is under way.
    void waitUntilIdle();

    const QList<SegmentScan>& scanResult() const { return m_segments; }
    // How the last action's run stopped; ok() when none did.
    const RunResult& lastFailure() const { return m_failure; }
    // Every message of the session, in order.
    const QStringList& log() const { return m_log; }

public slots:
    // Each does nothing while another action runs.
    void read();
    void write();
    void erase();
    void scan();
    // Reads the product and writes quelmctl's HTML page to fileName.
    void saveReport(const QString& fileName);
    // Stops the running action before its next command.
    void cancel();

signals:
    void opened();
    void productReplaced();
    void valuesChanged();
    void connectionChanged();
    void busyChanged(bool busy);
    void progress(int done, int count);
    void message(const QString& line);
    void scanned();
    // An action ended; ok is false when it failed or was cancelled.
    void finished(bool ok);

private:
    struct Job;
    using Step = std::function<void()>;
    using BusWork = std::function<void(Transport& transport, QTextStream& err)>;

    void addMessage(const QString& line);
    void addMessages(const QStringList& lines);
    bool start(const QString& name);
    // Runs work on the bus thread with the transport set up for the job's
    // product, then logs the lines the transport printed and goes on with
    // done; an action without a transport ends there.
    void onBus(const BusWork& work, const Step& done);
    void runPhase(const QList<DeviceCommand*>& commands, const QString& phase, const Step& next);
    void readThen(const Step& next);
    void writeAndVerify(const QList<DeviceCommand*>& commands, const QString& phase);
    void runScan();
    void finish(bool ok);
    void applyEditedValues();
    std::unique_ptr<LoadedProduct> buildProduct() const;

    QString m_fileName;
    ProductDescription m_description;
    QList<QByteArray> m_savedValues;
    std::unique_ptr<LoadedProduct> m_product;
    TransportOptions m_options;
    bool m_connected = false;
    BusWorker::Opened m_bridge;
    bool m_busy = false;
    std::unique_ptr<Job> m_job;
    QList<SegmentScan> m_segments;
    RunResult m_failure;
    QStringList m_log;
    BusWorker m_bus;
};

#endif // QUELMSTUDIO_STUDIOSESSION_H
