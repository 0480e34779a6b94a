#include "stations.h"

#include "stationdisplay.h"
#include "unitvalues.h"

#include <product.h>
#include <productimage.h>
#include <recordstore.h>
#include <render.h>
#include <unitrecord.h>
#include <workflow.h>

#include <field.h>
#include <seriallink.h>

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QSysInfo>
#include <QtCore/QTextStream>
#include <QtCore/QThread>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <memory>
#include <vector>

namespace {

enum class Action { Read, Write, Erase, Scan };

// One product of the station: where its bridge is and what it gets.
struct Unit
{
    QString port;                 // the port as given, or "sim:N"
    TransportOptions transport;
    UnitValues values;
};

// What became of one product.
struct UnitRun
{
    UnitRecord record;
    qint64 wallMs = 0;
    QStringList warnings;         // the transport's, shown after the table
    bool started = false;         // false: a record store did not open, and no product was touched
    QString recordError;          // the store's, when it did not open or keep the record

    // Why the product failed, in one line; empty when it passed.
    QString failure() const { return record.error.isEmpty() ? recordError : record.error; }
    bool ok() const { return failure().isEmpty(); }
    QString outcome() const { return ok() ? QStringLiteral("passed") : QStringLiteral("failed: ") + failure(); }
};

// A database connection belongs to the thread that opened it, so each
// product's thread opens its own store; none touches its product before
// every store is open, and none at all when one could not be opened.
class StartGate
{
public:
    explicit StartGate(int threads) : m_waiting(threads) {}

    // Whether every thread arrived ready; waits for the last one.
    bool arrive(bool ready)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_allReady = m_allReady && ready;
        if (--m_waiting == 0)
            m_opened.notify_all();
        m_opened.wait(lock, [this] { return m_waiting == 0; });
        return m_allReady;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    int m_waiting;
    bool m_allReady = true;
};

// What every product's thread shares, read-only while they run.
struct Station
{
    Action action = Action::Read;
    QString descriptionFile;
    ProductDescription description;
    QString descriptionHash;
    QString recordDatabase;       // empty: no record kept
    QList<Unit> units;
};

// A terminal's file descriptor, held from the check that it opens until
// every product is done with it: its last close would drop DTR, which may
// reset the bridge on an adapter that wires it.
struct HeldPort
{
    int fd = -1;
    explicit HeldPort(int descriptor) : fd(descriptor) {}
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;
    ~HeldPort()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// The same hash as a backup image's, so that a record and an image of one
// product say so.
QString devicesHash(const ProductDescription& description)
{
    QList<DeviceImage> devices;
    for (const BoardDescription& board : description.boards) {
        for (const DeviceDescription& described : board.devices) {
            DeviceImage device;
            device.name = described.name;
            device.type = Device::deviceName(described.type);
            device.bus = described.bus;
            device.address = described.address;
            devices.append(device);
        }
    }
    return ProductImage::hashOf(devices);
}

QStringList portsOf(const Invocation& invocation, QString* error)
{
    QStringList ports = invocation.ports;
    if (invocation.portsFile.isEmpty())
        return ports;
    QFile file(invocation.portsFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(invocation.portsFile, file.errorString());
        return {};
    }
    // Read whole: a pipe (--ports <(ls /dev/serial/by-path/*)) is at its
    // end until its first bytes come.
    const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString port = line.trimmed();
        if (!port.isEmpty() && !port.startsWith(QLatin1Char('#')))
            ports.append(port);
    }
    if (ports.isEmpty())
        *error = QStringLiteral("%1 names no port").arg(invocation.portsFile);
    return ports;
}

// Two names of one device (a /dev/serial/by-path link and the tty it points
// to) would put two threads on one bridge.
QString samePort(const QStringList& ports)
{
    QStringList devices;
    for (const QString& port : ports) {
        const QString path = SerialLink::devicePath(port);
        const QString canonical = QFileInfo(path).canonicalFilePath();
        const int earlier = devices.indexOf(canonical.isEmpty() ? path : canonical);
        if (earlier >= 0 && ports.at(earlier) == port)
            return QStringLiteral("port %1 is given twice").arg(port);
        if (earlier >= 0)
            return QStringLiteral("ports %1 and %2 are the same device").arg(ports.at(earlier), port);
        devices.append(canonical.isEmpty() ? path : canonical);
    }
    return {};
}

std::unique_ptr<HeldPort> holdPort(const QString& port, QString* error)
{
    const QByteArray device = QFile::encodeName(SerialLink::devicePath(port));
    auto held = std::make_unique<HeldPort>(::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    termios settings;
    if (held->fd < 0)
        *error = QStringLiteral("cannot open %1: %2").arg(port, QString::fromLocal8Bit(std::strerror(errno)));
    else if (tcgetattr(held->fd, &settings) != 0)
        *error = QStringLiteral("%1 is not a serial port").arg(port);
    else
        return held;
    return nullptr;
}

// "demo.sim-state.json" becomes "demo.sim-state.1.json" for the first unit,
// "state" "state.1"; a folder holds "1.sim-state.json" and on.
QString unitState(const QString& state, int unit)
{
    const QFileInfo info(state);
    if (info.isDir())
        return QDir(state).filePath(QStringLiteral("%1.sim-state.json").arg(unit));
    if (info.suffix().isEmpty())
        return QStringLiteral("%1.%2").arg(state).arg(unit);
    return info.dir().filePath(QStringLiteral("%1.%2.%3").arg(info.completeBaseName()).arg(unit).arg(info.suffix()));
}

// The serial number setting as the product's last read found it; empty for
// a product without one.
QString serialAsRead(LoadedProduct& product)
{
    const int row = product.description().settingIndex(QStringLiteral("serial"));
    if (row < 0)
        return {};
    product.bindSettings();
    const Field* const field = product.fields().value(row);
    return field ? hexBytes(field->rxEmbeddedValue(0)) : QString();
}

QList<QPair<QString, QString>> writtenSettings(const ProductDescription& description)
{
    QList<QPair<QString, QString>> settings;
    for (const SettingDescription& setting : description.settings) {
        if (settingTakesValue(setting.kind))
            settings.append({setting.name, hexBytes(setting.value)});
    }
    return settings;
}

void runAction(Action action, Workflow& workflow, LoadedProduct& product, UnitRecord& record)
{
    switch (action) {
    case Action::Read:
        // Nothing was written: what was read is as good as it gets.
        record.verified = workflow.readAndApply();
        if (record.verified)
            record.serialBefore = record.serialAfter = serialAsRead(product);
        break;
    case Action::Write:
        if (!workflow.readAndApply())
            break;
        record.serialBefore = serialAsRead(product);
        record.verified = workflow.writeSettings();
        if (workflow.result().sent >= 0)
            record.settings = writtenSettings(product.description());
        break;
    case Action::Erase:
        record.verified = workflow.erase();
        break;
    case Action::Scan:
        record.verified = workflow.scan();
        break;
    }
    if (workflow.result().verify)
        record.serialAfter = serialAsRead(product);
    if (!workflow.result().ok())
        record.error = workflow.result().failures.constFirst().lines().constFirst();
}

UnitRun runUnit(const Station& station, int index, StationDisplay& display, StartGate& gate)
{
    const Unit& unit = station.units.at(index);
    UnitRun run;
    std::unique_ptr<RecordStore> store;
    if (!station.recordDatabase.isEmpty()) {
        store = std::make_unique<RecordStore>();
        if (!store->open(station.recordDatabase, &run.recordError))
            store.reset();
    }
    run.started = gate.arrive(station.recordDatabase.isEmpty() || store);
    if (!run.started)
        return run;
    UnitRecord& record = run.record;
    record.time = QDateTime::currentDateTimeUtc();
    record.station = QSysInfo::machineHostName();
    record.port = unit.port;
    record.description = QFileInfo(station.descriptionFile).completeBaseName();
    record.descriptionHash = station.descriptionHash;
    QElapsedTimer clock;
    clock.start();
    LoadedProduct product(withUnitValues(station.description, unit.values));
    const Transport::Notify notify = [&run](Transport::Note note, const QString& line) {
        if (note == Transport::Note::Warning)
            run.warnings.append(line);
    };
    std::unique_ptr<Transport> transport = Transport::open(unit.transport, station.descriptionFile, notify,
                                                           &record.error);
    if (transport) {
        Workflow::Callbacks callbacks;
        callbacks.progress = [&](const QString& phase, int done, int count) {
            display.progress(index, phase, done, count);
        };
        callbacks.phaseEnded = [&record](const PhaseRun& phase) {
            record.phases.append({phase.phase, qint64(SC18IM700Protocol::seconds(phase.result.elapsed) * 1000)});
        };
        Workflow workflow(product, *transport, callbacks);
        runAction(station.action, workflow, product, record);
        QString error;
        if (!transport->close(&error) && record.error.isEmpty())
            record.error = error;
    }
    run.wallMs = clock.elapsed();
    if (store && !store->store(record, &run.recordError))
        run.recordError = QStringLiteral("not recorded: ") + run.recordError;
    display.finished(index, run.outcome());
    return run;
}

// Every product on a thread of its own; each writes only its own result.
QList<UnitRun> runAll(const Station& station, StationDisplay& display)
{
    QList<UnitRun> runs;
    for (int unit = 0; unit < station.units.size(); ++unit)
        runs.append(UnitRun());
    StartGate gate(int(station.units.size()));
    std::vector<std::unique_ptr<QThread>> threads;
    for (int unit = 0; unit < station.units.size(); ++unit) {
        UnitRun* const result = &runs[unit];
        threads.emplace_back(QThread::create([&station, &display, &gate, unit, result] {
            *result = runUnit(station, unit, display, gate);
        }));
        threads.back()->start();
    }
    for (const std::unique_ptr<QThread>& thread : threads)
        thread->wait();
    return runs;
}

QString seconds(qint64 milliseconds)
{
    return QStringLiteral("%1 s").arg(milliseconds / 1000.0, 0, 'f', 2);
}

void writeTable(QTextStream& out, const QList<UnitRun>& runs)
{
    QList<QStringList> rows{{QStringLiteral("port"), QStringLiteral("serial"), QStringLiteral("result"),
                             QStringLiteral("time")}};
    int passed = 0;
    for (const UnitRun& run : runs) {
        const QString serial = run.record.serialAfter.isEmpty() ? QStringLiteral("-") : run.record.serialAfter;
        rows.append({run.record.port, serial, run.outcome(), seconds(run.wallMs)});
        passed += run.ok() ? 1 : 0;
    }
    writePlainTable(out, rows);
    out << passed << " of " << runs.size() << " products passed" << Qt::endl;
}

QJsonDocument stationJson(const QString& command, const QList<UnitRun>& runs)
{
    QJsonArray products;
    bool ok = true;
    for (const UnitRun& run : runs) {
        const UnitRecord& record = run.record;
        QJsonArray phases;
        for (const PhaseTime& phase : record.phases)
            phases.append(QJsonObject{{QStringLiteral("phase"), phase.phase},
                                      {QStringLiteral("milliseconds"), phase.milliseconds}});
        QJsonObject product{{QStringLiteral("port"), record.port},
                            {QStringLiteral("serialBefore"), record.serialBefore},
                            {QStringLiteral("serial"), record.serialAfter},
                            {QStringLiteral("ok"), run.ok()},
                            {QStringLiteral("phases"), phases},
                            {QStringLiteral("wallSeconds"), run.wallMs / 1000.0}};
        if (!run.ok())
            product.insert(QStringLiteral("error"), QStringLiteral("quelmctl: ") + run.failure());
        products.append(product);
        ok = ok && run.ok();
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("command"), command},
                                     {QStringLiteral("products"), products},
                                     {QStringLiteral("ok"), ok}});
}

Action actionOf(const QString& command)
{
    if (command == QLatin1String("write"))
        return Action::Write;
    if (command == QLatin1String("erase"))
        return Action::Erase;
    return command == QLatin1String("scan") ? Action::Scan : Action::Read;
}

} // namespace

int runStations(const Invocation& invocation, const QString& command)
{
    QTextStream& err = *invocation.err;
    QString error;
    const std::optional<ProductDescription> description =
        ProductDescription::load(invocation.descriptionFile, &error);
    if (!description) {
        err << "quelmctl: " << error << Qt::endl;
        return 1;
    }
    const QStringList ports = portsOf(invocation, &error);
    if (error.isEmpty() && !ports.isEmpty() && invocation.simUnits > 0)
        error = QStringLiteral("--sim-units simulates the products; give no port with it");
    if (error.isEmpty() && ports.isEmpty() && invocation.simUnits < 1)
        error = QStringLiteral("name the products' ports (--port, --ports) or simulate them (--sim-units)");
    if (error.isEmpty())
        error = samePort(ports);
    const int count = invocation.simUnits > 0 ? invocation.simUnits : int(ports.size());
    const std::optional<QList<UnitValues>> values =
        error.isEmpty() ? unitValues(*description, invocation.each, invocation.eachFile, count, &error)
                        : std::nullopt;
    if (!values) {
        err << "quelmctl: " << error << Qt::endl;
        return 2;
    }
    Station station;
    station.action = actionOf(command);
    station.descriptionFile = invocation.descriptionFile;
    station.description = *description;
    station.descriptionHash = devicesHash(*description);
    station.recordDatabase = invocation.recordDatabase;
    std::vector<std::unique_ptr<HeldPort>> held;
    const QString state = invocation.transport.simulatorState.isEmpty()
        ? SimulatorState::defaultFile(invocation.descriptionFile) : invocation.transport.simulatorState;
    for (int unit = 0; unit < count; ++unit) {
        Unit product;
        product.transport = invocation.transport;
        product.values = values->at(unit);
        if (ports.isEmpty()) {
            product.port = QStringLiteral("sim:%1").arg(unit + 1);
            product.transport.simulatorState = unitState(state, unit + 1);
        } else {
            product.port = product.transport.port = ports.at(unit);
            held.push_back(holdPort(product.port, &error));
            if (!held.back()) {
                err << "quelmctl: " << error << Qt::endl;
                return 1;
            }
        }
        station.units.append(product);
    }
    QStringList names;
    for (const Unit& unit : qAsConst(station.units))
        names.append(unit.port);
    StationDisplay display(err, names, invocation.quiet, invocation.terminal);
    const QList<UnitRun> runs = runAll(station, display);
    for (const UnitRun& run : runs) {
        if (!run.started && !run.recordError.isEmpty()) {
            err << "quelmctl: " << run.recordError << Qt::endl;
            return 1;
        }
    }
    bool ok = true;
    for (const UnitRun& run : runs) {
        for (const QString& warning : run.warnings)
            err << "quelmctl: " << run.record.port << ": " << warning << Qt::endl;
        ok = ok && run.ok();
    }
    if (invocation.json)
        *invocation.out << stationJson(command, runs).toJson(QJsonDocument::Indented) << Qt::flush;
    else
        writeTable(*invocation.out, runs);
    return ok ? 0 : 1;
}
