#ifndef QUELMSTUDIO_STUDIOSESSION_H
#define QUELMSTUDIO_STUDIOSESSION_H

#include "busworker.h"

#include <product.h>
#include <productdescription.h>
#include <scanmodel.h>
#include <transport.h>
#include <workflow.h>

#include <QtCore/QDateTime>
#include <QtCore/QHash>
#include <QtCore/QObject>
#include <QtCore/QStringList>

#include <functional>
#include <optional>
#include <memory>

// One product open in the window: its description with the values being
// edited, the product as the bridge last showed it, and the bus work on it.
//
// Every action runs the hosts' workflow, as quelmctl's subcommand of the
// same name does, on a fresh product built from the edited values: read it,
// make the settings its wanted state, then write, verify or scan. The
// product on screen is replaced when the action ends, so the bus thread
// never shares one with the window. The log says what each phase did and
// every failure; failures() keeps the last action's.
class StudioSession : public QObject
{
    Q_OBJECT

public:
    explicit StudioSession(QObject* parent = nullptr);
    ~StudioSession() override;

    // Reads a description; on failure keeps what is open and says why.
    // Connects again only when a connection was made before.
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
    // "erase": the action under way; empty when none is.
    QString actionName() const;
    // Runs the event loop until no action is under way.
    void waitUntilIdle();

    // The image file checked against the product open; null, said as the
    // failure of a refused action, when it cannot be read or does not fit.
    std::optional<QList<DeviceImage>> checkedImage(const QString& fileName);
    // What the last compare found, in the image's order; empty once another
    // action starts.
    const QList<DeviceComparison>& comparison() const { return m_comparison; }
    // A compared device as the register view shows it: what the product
    // holds received, the image's bytes wanted, so the rows that differ are
    // marked; null for a device not compared.
    const Device* comparedDevice(const QString& name) const;

    const QList<SegmentScan>& scanResult() const { return m_segments; }
    // What the last action could not do, in the order it was found; empty
    // when it went well.
    const QList<Failure>& failures() const { return m_failures; }
    // Every message of the session, in order.
    const QStringList& log() const { return m_log; }

    // When the values the product on screen holds for the device were
    // read; invalid for a device not read yet. A read that stopped keeps
    // the earlier read's values for the devices it did not finish.
    QDateTime readTime(const QString& device) const { return m_readTimes.value(device); }
    // Whether the device's values come from a read before the last one.
    bool isOlder(const QString& device) const;

public slots:
    // Each does nothing while another action runs.
    void read();
    void write();
    void erase();
    void scan();
    // Reads the product and saves the HTML report page in fileName.
    void saveReport(const QString& fileName);
    // Reads the product and saves its image in fileName, as quelmctl backup does.
    void backup(const QString& fileName);
    // The image in fileName written onto the product, read back and verified;
    // the header's pages only with withHeader. Refused before anything is
    // sent when the image does not fit.
    void restore(const QString& fileName, bool withHeader);
    // Reads the product and says where it differs from the image in fileName.
    void compare(const QString& fileName);
    // Stops the running action before its next command.
    void cancel();

signals:
    void opened();
    void productReplaced();
    void valuesChanged();
    void connectionChanged();
    void busyChanged(bool busy);
    void progress(int done, int count);
    // The next command of the running action, in words.
    void working(const QString& words);
    void message(const QString& line);
    // A failure of the running action, as it is found.
    void failed(const Failure& failure);
    void scanned();
    // An action ended; ok is false when it failed or was cancelled.
    void finished(bool ok);

private:
    struct Job;
    // A step of the workflow, run on the bus thread; whether it went well.
    using Step = std::function<bool(Workflow& workflow, LoadedProduct& product)>;
    // Back on the window's thread with what the workflow did.
    using Done = std::function<void(const ActionResult& result, bool ok)>;

    void addMessage(const QString& line);
    void addFailure(const Failure& failure);
    // A phase's line once it is done, and what its writes sent.
    void logPhase(const PhaseRun& run);
    // The verify summary of an action that got that far, the line that
    // says an action is done, and its end.
    void finishAction(const ActionResult& result, bool ok, const QString& doneLine = {});
    bool start(const QString& name);
    // Runs step with a workflow on the job's product on the bus thread,
    // logging each phase and failure as it happens, then goes on with done;
    // an action without a transport ends there.
    void onBus(const Step& step, const Done& done);
    // Reads the job's fresh product and makes its settings the wanted state,
    // then runs step; the action ends with the step.
    void readThen(const Step& step, const QString& doneLine = {});
    void finish(bool ok);
    // An action refused before it started: its one line, as its failure.
    void refuse(const QString& line);
    // The compared devices of the job's product beside the image's bytes.
    void keepComparison(const QList<DeviceComparison>& compared);
    // After a run the port went away under: not connected until reconnected.
    void dropConnection();
    // What the job's product holds after its last read, device by device:
    // the devices it read whole are new; the rest keep the earlier values.
    void keepEarlierValues(const ActionResult& result);
    // "scan: 2 segments probed", or how far a stopped scan got.
    QString scanText() const;
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
    QList<DeviceComparison> m_comparison;
    std::unique_ptr<LoadedProduct> m_compared; // its devices: the product received, the image wanted
    QList<Failure> m_failures;
    QStringList m_log;
    QHash<QString, QDateTime> m_readTimes;
    QDateTime m_lastRead;
    BusWorker m_bus;
};

#endif // QUELMSTUDIO_STUDIOSESSION_H
