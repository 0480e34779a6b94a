#include "studiosession.h"

#include "busworker.h"

#include <devicecommand.h>
#include <field.h>
#include <render.h>
#include <savefile.h>
#include <settingsfile.h>

#include <QtCore/QEventLoop>
#include <QtCore/QFileInfo>
#include <QtCore/QTextStream>

#include <memory>

namespace {

// The shared host code words its errors for quelmctl's stderr; the window
// shows them without the tool's name.
QString withoutToolName(const QString& line)
{
    static const QString prefix = QStringLiteral("quelmctl: ");
    return line.startsWith(prefix) ? line.mid(prefix.size()) : line;
}

} // namespace

// The action under way: the product it works on (replacing the one on screen
// when it ends) and the commands generated for it.
struct StudioSession::Job
{
    QString name;
    std::unique_ptr<LoadedProduct> product;
    bool replacesProduct = true;
    QList<DeviceCommand*> commands;
    ~Job() { qDeleteAll(commands); }
};

StudioSession::StudioSession(QObject* parent)
    : QObject(parent)
{
    connect(&m_bus, &BusWorker::progress, this, &StudioSession::progress);
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
    addMessage(QStringLiteral("opened %1").arg(fileName));
    emit opened();
    emit productReplaced();
    // A simulator's state belongs to its product; a port stays as it was.
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
        for (const QString& line : opened.lines)
            addMessage(withoutToolName(line));
        m_connected = opened.error.isEmpty();
        m_bridge = opened;
        addMessage(m_connected ? QStringLiteral("connected: %1").arg(connectionText()) : withoutToolName(opened.error));
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
        const QString state = m_options.simulatorState.isEmpty() ? Transport::defaultStateFile(m_fileName)
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
    if (!assignSettings(m_fileName, assignments, error)) {
        *error = withoutToolName(*error);
        return false;
    }
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

void StudioSession::addMessages(const QStringList& lines)
{
    for (const QString& line : lines)
        addMessage(line);
}

bool StudioSession::start(const QString& name)
{
    if (m_busy || !isOpen())
        return false;
    m_job = std::make_unique<Job>();
    m_job->name = name;
    m_busy = true;
    m_failure = RunResult();
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
        auto error = std::make_shared<QString>();
        m_bus.post([error](Transport* transport) {
            if (transport)
                transport->close(error.get());
        }, [this, error] {
            if (!error->isEmpty())
                addMessage(withoutToolName(*error));
        });
    }
    m_busy = false;
    emit busyChanged(false);
    emit finished(ok);
}

void StudioSession::onBus(const BusWork& work, const Step& done)
{
    auto lines = std::make_shared<QString>();
    auto connected = std::make_shared<bool>(false);
    const QList<Device*> devices = m_job->product->product()->devices();
    const bool gpioSelectsBus = m_description.gpioBusSelect;
    m_bus.post([=](Transport* transport) {
        *connected = transport != nullptr;
        if (!transport)
            return;
        transport->setProduct(devices, gpioSelectsBus);
        QTextStream err(lines.get());
        work(*transport, err);
    }, [=] {
        if (!*connected) {
            addMessage(QStringLiteral("%1: not connected to a bridge").arg(m_job->name));
            finish(false);
            return;
        }
        addMessages(lines->split(QLatin1Char('\n'), Qt::SkipEmptyParts));
        done();
    });
}

void StudioSession::runPhase(const QList<DeviceCommand*>& commands, const QString& phase, const Step& next)
{
    auto result = std::make_shared<RunResult>();
    onBus([=](Transport& transport, QTextStream& err) {
        *result = transport.run(commands, phase, err);
    }, [=] {
        if (!result->ok()) {
            m_failure = *result;
            addMessages(runFailureLines(phase, *result, commands));
            finish(false);
            return;
        }
        next();
    });
}

void StudioSession::readThen(const Step& next)
{
    m_job->product = buildProduct();
    runPhase(m_job->product->readCommands(), QStringLiteral("read"), [this, next] {
        m_job->product->applySettings();
        next();
    });
}

void StudioSession::read()
{
    if (start(QStringLiteral("read")))
        readThen([this] { finish(true); });
}

void StudioSession::write()
{
    if (!start(QStringLiteral("write")))
        return;
    readThen([this] {
        m_job->commands = m_job->product->dirtyPageCommands();
        writeAndVerify(m_job->commands, QStringLiteral("write"));
    });
}

void StudioSession::erase()
{
    if (!start(QStringLiteral("erase")))
        return;
    m_job->product = buildProduct();
    m_job->commands = m_job->product->product()->eraseCommands();
    writeAndVerify(m_job->commands, QStringLiteral("erase"));
}

void StudioSession::writeAndVerify(const QList<DeviceCommand*>& commands, const QString& phase)
{
    runPhase(commands, phase, [this, commands, phase] {
        addMessage(QStringLiteral("%1: %2 commands sent").arg(phase).arg(commands.size()));
        runPhase(m_job->product->readCommands(), QStringLiteral("verify"), [this] {
            const VerifyResult result = m_job->product->verify(LoadedProduct::wholePage);
            for (const PageMismatch& mismatch : result.mismatches)
                addMessage(mismatch.text());
            addMessage(result.summary());
            finish(result.ok());
        });
    });
}

void StudioSession::saveReport(const QString& fileName)
{
    if (!start(QStringLiteral("report")))
        return;
    readThen([this, fileName] {
        QString report;
        QTextStream stream(&report);
        writeHtmlReport(stream, *m_job->product,
                        QStringLiteral("Product report: %1").arg(QFileInfo(m_fileName).fileName()));
        QString error;
        const bool saved = saveFile(fileName, report.toUtf8(), &error);
        addMessage(saved ? QStringLiteral("report: %1").arg(fileName) : withoutToolName(error));
        finish(saved);
    });
}

void StudioSession::scan()
{
    if (!start(QStringLiteral("scan")))
        return;
    // The scan's own product only makes its commands; the one on screen stays.
    m_job->product = buildProduct();
    m_job->replacesProduct = false;
    ProductInterface* product = m_job->product->product();
    QList<DeviceCommand*> configure;
    if (m_description.gpioBusSelect)
        configure = product->initializeMasterBusController();
    auto segments = std::make_shared<QList<SegmentScan>>(describedSegments(m_description));
    QList<DeviceCommand*> selects;
    for (const SegmentScan& segment : qAsConst(*segments))
        selects.append(segment.bus >= 0 ? product->selectBusCommand(segment.bus) : nullptr);
    m_job->commands = configure + selects;
    m_job->commands.removeAll(nullptr);

    auto problems = std::make_shared<QStringList>();
    onBus([=](Transport& transport, QTextStream& err) {
        const QString phase = QStringLiteral("scan");
        const RunResult configured = transport.run(configure, phase, err, false);
        if (!configured.ok()) {
            *problems = runFailureLines(phase, configured, configure);
            return;
        }
        for (int index = 0; index < segments->size(); ++index) {
            // A segment that hangs says nothing about the next one.
            const QList<DeviceCommand*> select = selects.at(index) ? QList<DeviceCommand*>{selects.at(index)}
                                                                   : QList<DeviceCommand*>{};
            const RunResult selected = transport.run(select, phase, err, false);
            if (selected.ok())
                *problems += transport.scan((*segments)[index]);
            else
                *problems += runFailureLines(phase, selected, select);
        }
    }, [=] {
        m_segments = *segments;
        addMessages(*problems);
        addMessage(QStringLiteral("scan: %1 segments probed").arg(segments->size()));
        emit scanned();
        finish(problems->isEmpty());
    });
}
