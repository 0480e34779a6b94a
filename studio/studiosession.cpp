#include "studiosession.h"

#include "busworker.h"

#include <field.h>
#include <render.h>
#include <servicetext.h>
#include <settingsfile.h>

#include <QtCore/QEventLoop>
#include <QtCore/QFileInfo>

#include <algorithm>
#include <memory>

// The action under way, and the product it works on, which replaces the
// one on screen when it ends.
struct StudioSession::Job
{
    QString name;
    std::unique_ptr<LoadedProduct> product;
    bool replacesProduct = true;
    bool reachedBus = false;      // the product holds what its runs read
};

StudioSession::StudioSession(QObject* parent)
    : QObject(parent)
{
    connect(&m_bus, &BusWorker::note, this, &StudioSession::addMessage);
}

StudioSession::~StudioSession() = default;

bool StudioSession::open(const QString& fileName, QString* error)
{
    if (m_busy) {
        *error = QStringLiteral("%1: wait until the %2 has ended").arg(fileName, m_job->name);
        return false;
    }
    const std::optional<ProductDescription> description = ProductDescription::load(fileName, error);
    if (!description)
        return false;
    m_fileName = fileName;
    m_description = *description;
    m_savedValues.clear();
    for (const SettingDescription& setting : qAsConst(m_description.settings))
        m_savedValues.append(setting.value);
    m_product = buildProduct();
    m_segments.clear();
    m_comparison.clear();
    m_compared.reset();
    m_readTimes.clear();
    addMessage(QStringLiteral("opened %1").arg(fileName));
    emit opened();
    emit productReplaced();
    // Nothing connects by itself: a connection made before is made again,
    // a simulator's with the new product's state, a port's as it was.
    if (!m_connected)
        return true;
    TransportOptions options = m_options;
    if (options.port.isEmpty())
        options.simulatorState.clear();
    connectTo(options);
    return true;
}

std::unique_ptr<LoadedProduct> StudioSession::buildProduct() const
{
    return std::make_unique<LoadedProduct>(m_description);
}

void StudioSession::connectTo(const TransportOptions& options)
{
    if (!isOpen() || !start(QStringLiteral("connection")))
        return;
    m_options = options;
    m_connected = false;
    emit connectionChanged();
    m_bus.open(options, m_fileName, [this](const BusWorker::Opened& opened) {
        m_connected = opened.error.isEmpty();
        m_bridge = opened;
        if (m_connected) {
            addMessage(QStringLiteral("connected: %1").arg(connectionText()));
        } else {
            Failure failure;
            failure.kind = Failure::Kind::NoBridge;
            failure.reason = opened.error;
            addFailure(failure);
        }
        emit connectionChanged();
        finish(m_connected);
    });
}

QString StudioSession::connectionText() const
{
    if (!m_connected)
        return QStringLiteral("Not connected");
    QString text;
    if (m_options.port.isEmpty()) {
        const QString state = m_options.simulatorState.isEmpty() ? SimulatorState::defaultFile(m_fileName)
                                                                 : m_options.simulatorState;
        text = QStringLiteral("Built-in simulator (state %1)").arg(QFileInfo(state).fileName());
    } else {
        text = m_options.port;
    }
    text += QStringLiteral(", %1 baud, I2C %2").arg(m_bridge.baudRate).arg(m_bridge.i2cClock.text());
    if (m_options.acknowledgeChecks)
        text += QStringLiteral(", acknowledge checks");
    return text;
}

bool StudioSession::setValue(int row, const QString& text, QString* error)
{
    if (row < 0 || row >= m_description.settings.size())
        return false;
    SettingDescription& setting = m_description.settings[row];
    if (!settingTakesValue(setting.kind)) {
        *error = QStringLiteral("setting \"%1\": a %2 setting takes no value")
                     .arg(setting.name, settingKindName(setting.kind));
        return false;
    }
    const std::optional<QByteArray> value = settingValue(setting, text, error);
    if (!value)
        return false;
    setting.value = *value;
    applyEditedValues();
    emit valuesChanged();
    return true;
}

// The product on screen wants the edited values: its transmit buffers
// take them, its model keeps what was read.
void StudioSession::applyEditedValues()
{
    if (!hasBeenRead() || m_busy)
        return;
    QuelmModel* model = m_product->model();
    for (int row = 0; row < m_description.settings.size(); ++row) {
        if (settingTakesValue(m_description.settings.at(row).kind))
            model->setData(model->index(row, Field::ValueColumn), m_description.settings.at(row).value);
    }
    m_product->mapToDevices();
    m_product->mapFromDevices();
}

bool StudioSession::isUnsaved(int row) const
{
    return row >= 0 && row < m_savedValues.size() && m_savedValues.at(row) != m_description.settings.at(row).value;
}

bool StudioSession::hasUnsavedValues() const
{
    for (int row = 0; row < m_savedValues.size(); ++row) {
        if (isUnsaved(row))
            return true;
    }
    return false;
}

bool StudioSession::save(QString* error)
{
    QStringList assignments;
    for (int row = 0; row < m_savedValues.size(); ++row) {
        if (isUnsaved(row))
            assignments.append(m_description.settings.at(row).name + QLatin1Char('=')
                               + hexBytes(m_description.settings.at(row).value));
    }
    if (assignments.isEmpty())
        return true;
    if (!assignSettings(m_fileName, assignments, error))
        return false;
    for (int row = 0; row < m_savedValues.size(); ++row)
        m_savedValues[row] = m_description.settings.at(row).value;
    addMessage(QStringLiteral("saved %1 (%2)").arg(m_fileName, assignments.join(QStringLiteral(", "))));
    emit valuesChanged();
    return true;
}

void StudioSession::addMessage(const QString& line)
{
    m_log.append(line);
    emit message(line);
}

// The log keeps the library's own description of the command a run
// stopped at beside the words.
void StudioSession::addFailure(const Failure& failure)
{
    m_failures.append(failure);
    const QStringList lines = failure.lines();
    for (const QString& line : lines)
        addMessage(line);
    if (failure.kind == Failure::Kind::Stopped && !bridgeRestarted(failure.run.result))
        addMessage(failure.run.commandText());
    emit failed(failure);
}

QString StudioSession::actionName() const
{
    return m_job ? m_job->name : QString();
}

bool StudioSession::isOlder(const QString& device) const
{
    const QDateTime read = m_readTimes.value(device);
    return read.isValid() && read < m_lastRead;
}

void StudioSession::dropConnection()
{
    m_connected = false;
    m_bus.close([this](const QString& error) {
        if (error.isEmpty())
            return;
        Failure failure;
        failure.kind = Failure::Kind::NotSaved;
        failure.reason = error;
        addFailure(failure);
    });
    emit connectionChanged();
}

void StudioSession::keepEarlierValues(const ActionResult& result)
{
    LoadedProduct* const fresh = m_job->product.get();
    const auto last = std::find_if(result.phases.crbegin(), result.phases.crend(), [](const PhaseRun& run) {
        return run.purpose == PhaseRun::Purpose::Read || run.purpose == PhaseRun::Purpose::Verify;
    });
    // Read whole: every step for the device applied; a part that cannot be
    // read back has none, and counts as read with the others.
    const bool readAny = last != result.phases.crend();
    QHash<QString, bool> whole;
    if (readAny) {
        for (int index = 0; index < last->steps.size(); ++index) {
            const QString& device = last->steps.at(index).device;
            if (!device.isEmpty())
                whole[device] = whole.value(device, true) && index < last->result.applied;
        }
    }
    const QDateTime now = QDateTime::currentDateTime();
    m_lastRead = now;
    const QList<Device*> devices = fresh->product()->devices();
    for (Device* device : devices) {
        if (readAny && whole.value(device->name(), true)) {
            m_readTimes.insert(device->name(), now);
            continue;
        }
        const Device* earlier = m_product && hasBeenRead() ? m_product->device(device->name()) : nullptr;
        if (earlier && m_readTimes.contains(device->name()))
            device->setRxData(earlier->rxBuffer());
        else
            m_readTimes.remove(device->name());
    }
}

bool StudioSession::start(const QString& name)
{
    if (m_busy || !isOpen())
        return false;
    m_job = std::make_unique<Job>();
    m_job->name = name;
    m_busy = true;
    m_failures.clear();
    m_comparison.clear();
    m_compared.reset();
    m_bus.clearStop();
    emit busyChanged(true);
    return true;
}

void StudioSession::cancel()
{
    if (m_busy)
        m_bus.requestStop();
}

void StudioSession::waitUntilIdle()
{
    QEventLoop loop;
    connect(this, &StudioSession::busyChanged, &loop, [&loop](bool busy) {
        if (!busy)
            loop.quit();
    });
    if (m_busy)
        loop.exec();
}

void StudioSession::finish(bool ok)
{
    const std::unique_ptr<Job> job = std::move(m_job);
    if (job->product && job->replacesProduct && job->reachedBus && !ok && job->product->fields().isEmpty())
        job->product->applySettings(); // what was read, and the earlier values for the rest
    if (job->product && job->replacesProduct) {
        // An erase leaves the settings to be made the wanted state again.
        if (ok && job->product->fields().isEmpty())
            job->product->applySettings();
        if (!job->product->fields().isEmpty())
            job->product->mapFromDevices();
        m_product = std::move(job->product);
        emit productReplaced();
    }
    if (job->name != QLatin1String("connection") && m_connected) {
        // The simulator's memory is kept after every action, as quelmctl keeps it after every run.
        auto failure = std::make_shared<Failure>();
        failure->kind = Failure::Kind::NotSaved;
        m_bus.post([failure](Transport* transport) {
            if (transport)
                transport->close(&failure->reason);
        }, [this, failure] {
            if (!failure->reason.isEmpty())
                addFailure(*failure);
        });
    }
    m_busy = false;
    emit busyChanged(false);
    emit finished(ok);
}

void StudioSession::onBus(const Step& step, const Done& done)
{
    auto result = std::make_shared<ActionResult>();
    auto ok = std::make_shared<bool>(false);
    auto connected = std::make_shared<bool>(false);
    LoadedProduct* const product = m_job->product.get();
    // What the workflow tells on the bus thread is said here, in its order.
    const auto here = [this](const std::function<void()>& said) {
        QMetaObject::invokeMethod(this, said, Qt::QueuedConnection);
    };
    Workflow::Callbacks callbacks;
    callbacks.progress = [this, here](const QString&, int done, int count) {
        here([this, done, count] { emit progress(done, count); });
    };
    callbacks.phaseEnded = [this, here](const PhaseRun& run) {
        here([this, run] { logPhase(run); });
    };
    callbacks.step = [this, here](const QString& words) {
        here([this, words] { emit working(words); });
    };
    callbacks.failed = [this, here](const Failure& failure) {
        here([this, failure] { addFailure(failure); });
    };
    // The product's objects go to the bus thread for the step, where fields
    // are made, and come back with it.
    QThread* const home = thread();
    product->moveToThread(m_bus.busThread());
    m_bus.post([=](Transport* transport) {
        *connected = transport != nullptr;
        if (transport) {
            Workflow workflow(*product, *transport, callbacks);
            *ok = step(workflow, *product);
            *result = workflow.result();
        }
        product->moveToThread(home);
    }, [=] {
        if (*connected) {
            m_job->reachedBus = true;
            if (m_job->replacesProduct)
                keepEarlierValues(*result);
            if (std::any_of(result->failures.cbegin(), result->failures.cend(),
                            [](const Failure& failure) { return failure.portGone(); }))
                dropConnection();
            done(*result, *ok);
            return;
        }
        Failure failure;
        failure.kind = Failure::Kind::NoBridge;
        failure.reason = QStringLiteral("%1: not connected to a bridge").arg(m_job->name);
        addFailure(failure);
        finish(false);
    });
}

void StudioSession::logPhase(const PhaseRun& run)
{
    if (!run.ok())
        return;
    addMessage(run.doneText());
    if (run.purpose == PhaseRun::Purpose::Write)
        addMessage(run.sentText());
}

void StudioSession::finishAction(const ActionResult& result, bool ok, const QString& doneLine)
{
    if (result.verify)
        addMessage(result.verify->summary());
    if (ok && !doneLine.isEmpty())
        addMessage(doneLine);
    finish(ok);
}

void StudioSession::readThen(const Step& step, const QString& doneLine)
{
    m_job->product = buildProduct();
    onBus([step](Workflow& workflow, LoadedProduct& product) {
        return workflow.readAndApply() && step(workflow, product);
    }, [this, doneLine](const ActionResult& result, bool ok) { finishAction(result, ok, doneLine); });
}

void StudioSession::read()
{
    if (start(QStringLiteral("read")))
        readThen([](Workflow&, LoadedProduct&) { return true; });
}

void StudioSession::write()
{
    if (start(QStringLiteral("write")))
        readThen([](Workflow& workflow, LoadedProduct&) { return workflow.writeSettings(); });
}

void StudioSession::erase()
{
    if (!start(QStringLiteral("erase")))
        return;
    m_job->product = buildProduct();
    onBus([](Workflow& workflow, LoadedProduct&) { return workflow.erase(); },
          [this](const ActionResult& result, bool ok) { finishAction(result, ok); });
}

void StudioSession::saveReport(const QString& fileName)
{
    if (!start(QStringLiteral("report")))
        return;
    const QString title = reportTitle(m_fileName);
    readThen([fileName, title](Workflow& workflow, LoadedProduct& product) {
        return workflow.saveReport(fileName, reportText(product, ReportFormat::Html, title).toUtf8());
    }, QStringLiteral("report: %1").arg(fileName));
}

void StudioSession::scan()
{
    if (!start(QStringLiteral("scan")))
        return;
    // The scan's own product only makes its commands; the one on screen stays.
    m_job->product = buildProduct();
    m_job->replacesProduct = false;
    onBus([](Workflow& workflow, LoadedProduct&) { return workflow.scan(); },
          [this](const ActionResult& result, bool ok) {
              m_segments = result.segments;
              if (!m_segments.isEmpty()) { // else the segments could not be selected
                  addMessage(scanText());
                  emit scanned();
              }
              finishAction(result, ok);
          });
}

QString StudioSession::scanText() const
{
    const int whole = int(std::count_if(m_segments.cbegin(), m_segments.cend(), [](const SegmentScan& segment) {
        return segment.probedEnd == SegmentScan::WholeSegment;
    }));
    if (whole == m_segments.size())
        return QStringLiteral("scan: %1 segments probed").arg(whole);
    QString text = QStringLiteral("scan: %1 of %2 segments probed before the stop").arg(whole).arg(m_segments.size());
    for (const SegmentScan& segment : m_segments) {
        if (segment.probedEnd > 0 && segment.probedEnd < SegmentScan::WholeSegment)
            text += QStringLiteral("; %1 up to %2").arg(segmentName(segment.bus),
                                                        SC18IM700Protocol::hexByte(segment.probedEnd));
    }
    return text;
}

std::optional<QList<DeviceImage>> StudioSession::checkedImage(const QString& fileName)
{
    if (m_busy || !isOpen())
        return std::nullopt;
    QString error;
    std::optional<QList<DeviceImage>> images = ::checkedImage(fileName, *m_product, {}, &error);
    if (!images)
        refuse(error);
    return images;
}

void StudioSession::refuse(const QString& line)
{
    m_failures.clear();
    Failure failure;
    failure.kind = Failure::Kind::Refused;
    failure.reason = line;
    addFailure(failure);
    emit finished(false);
}

void StudioSession::backup(const QString& fileName)
{
    if (!start(QStringLiteral("backup")))
        return;
    m_job->product = buildProduct();
    const QString port = m_options.port;
    const QString description = m_fileName;
    onBus([=](Workflow& workflow, LoadedProduct&) {
        if (!workflow.readImage())
            return false;
        ProductImage image = workflow.result().image;
        image.setOrigin(port, description);
        return workflow.save(fileName, image.toJson());
    }, [this, fileName](const ActionResult& result, bool ok) {
        if (ok) {
            for (const QString& line : backupLines(result.image, fileName))
                addMessage(line);
        }
        finishAction(result, ok);
    });
}

void StudioSession::restore(const QString& fileName, bool withHeader)
{
    const std::optional<QList<DeviceImage>> images = checkedImage(fileName);
    if (!images || !start(QStringLiteral("restore")))
        return;
    m_job->product = buildProduct();
    onBus([images, withHeader](Workflow& workflow, LoadedProduct&) { return workflow.restore(*images, withHeader); },
          [this, withHeader](const ActionResult& result, bool ok) {
              const QString hint = QStringLiteral("\"Restore the header's pages too\" restores them");
              for (const QString& line : restoreLines(result, *m_job->product, withHeader, hint))
                  addMessage(line);
              finishAction(result, ok);
          });
}

void StudioSession::compare(const QString& fileName)
{
    const std::optional<QList<DeviceImage>> images = checkedImage(fileName);
    if (!images || !start(QStringLiteral("compare")))
        return;
    m_job->product = buildProduct();
    onBus([images](Workflow& workflow, LoadedProduct&) { return workflow.compare(*images); },
          [this](const ActionResult& result, bool ok) {
              if (ok) {
                  for (const QString& line : compareLines(result.compared))
                      addMessage(line);
                  keepComparison(result.compared);
              }
              finishAction(result, ok);
          });
}

void StudioSession::keepComparison(const QList<DeviceComparison>& compared)
{
    m_comparison = compared;
    m_compared = buildProduct();
    for (const DeviceComparison& comparison : compared) {
        const Device* const read = m_job->product->device(comparison.image.name);
        Device* const shown = m_compared->device(comparison.image.name);
        if (!comparison.image.readBack || !read || !shown)
            continue;
        QByteArray wanted = read->rxBuffer();
        for (int address = 0; address < qMin(wanted.size(), comparison.image.memory.size()); ++address) {
            if (comparison.image.covers(address))
                wanted[address] = comparison.image.memory.at(address);
        }
        shown->setRxData(read->rxBuffer());
        shown->setTxData(wanted);
    }
}

const Device* StudioSession::comparedDevice(const QString& name) const
{
    const auto compared = std::find_if(m_comparison.cbegin(), m_comparison.cend(), [&](const DeviceComparison& comparison) {
        return comparison.image.name == name && comparison.image.readBack;
    });
    return compared != m_comparison.cend() && m_compared ? m_compared->device(name) : nullptr;
}
