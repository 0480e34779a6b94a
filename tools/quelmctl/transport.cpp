#include "transport.h"

#include "render.h"

#include <bridgesetup.h>
#include <bridgestatus.h>
#include <bridgesimulator.h>
#include <devicecommand.h>
#include <seriallink.h>
#include <simulatedproduct.h>
#include <simulatorlink.h>
#include <statelock.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QTextStream>

// A link that can be made to refuse to send: the simulated bridge after a
// given number of commands behaves like a port that was pulled, and a run
// that its host stops ends before its next command.
class GuardedLink : public Link
{
public:
    GuardedLink(std::unique_ptr<Link> link, int commands)
        : m_link(std::move(link)), m_left(commands) {}

    // Empty: sends again.
    void setRefusal(const QString& reason) { m_refusal = reason; }

    bool write(const QByteArray& bytes) override
    {
        if (!m_refusal.isEmpty()) {
            setErrorString(m_refusal);
            return false;
        }
        if (m_left == 0) {
            setErrorString(QStringLiteral("the bridge is disconnected"));
            return false;
        }
        if (m_left > 0)
            --m_left;
        return m_link->write(bytes);
    }
    QByteArray read(int count, int timeoutMs) override { return m_link->read(count, timeoutMs); }
    void discardInput() override { m_link->discardInput(); }
    bool drain() override { return m_link->drain(); }
    Duration now() const override { return m_link->now(); }
    void wait(Duration time) override { m_link->wait(time); }
    qint32 baudRate() const override { return m_link->baudRate(); }
    bool setBaudRate(qint32 rate) override
    {
        const bool set = m_link->setBaudRate(rate);
        setErrorString(m_link->errorString());
        return set;
    }

private:
    std::unique_ptr<Link> m_link;
    int m_left;                   // -1: no limit
    QString m_refusal;
};

namespace {

constexpr int BarWidth = 30;

// A bar that fills on a terminal; elsewhere nothing until the phase is done.
void showProgress(QTextStream& err, const TransportOptions& options, const QString& phase,
                  int done, int count)
{
    if (options.quiet || !options.terminal)
        return;
    const int filled = count > 0 ? done * BarWidth / count : BarWidth;
    err << '\r' << phase << " [" << QString(filled, QLatin1Char('#'))
        << QString(BarWidth - filled, QLatin1Char('.')) << "] " << done << '/' << count;
    err.flush();
}

// The bar, where there is one, gives way to the phase's line.
void showDone(QTextStream& err, const TransportOptions& options, const QString& phase, int count,
              const QString& time)
{
    if (options.quiet)
        return;
    if (options.terminal)
        err << "\r\x1b[K";
    err << phase << ": " << count << " commands, " << time << Qt::endl;
}

} // namespace

QString phaseTime(const Link::Duration elapsed, const qint32 baudRate)
{
    return QStringLiteral("%1 s at %2 baud").arg(SC18IM700Protocol::seconds(elapsed), 0, 'f', 2).arg(baudRate);
}

QStringList runFailureLines(const QString& phase, const RunResult& result,
                            const QList<DeviceCommand*>& commands)
{
    const QString stopped = QStringLiteral("%1 stopped: %2").arg(phase, result.errorString);
    if (result.applied == 0)
        return {stopped, QStringLiteral("%1: no command was applied").arg(phase)};
    return {stopped, QStringLiteral("%1: commands 1 to %2 of %3 were applied, the last \"%4\"")
                         .arg(phase).arg(result.applied).arg(commands.size())
                         .arg(commands.at(result.applied - 1)->description())};
}

Transport::~Transport() = default;

QString Transport::defaultStateFile(const QString& descriptionFile)
{
    const QFileInfo info(descriptionFile);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".sim-state.json"));
}

std::unique_ptr<Transport> Transport::open(const TransportOptions& options,
                                           const QString& descriptionFile, QString* error)
{
    std::unique_ptr<Transport> transport(new Transport);
    transport->m_options = options;
    if (!options.port.isEmpty()) {
        auto serial = std::make_unique<SerialLink>();
        if (!serial->open(options.port, BridgeSetup::PowerOnBaudRate)) {
            *error = QStringLiteral("quelmctl: %1").arg(serial->errorString());
            return nullptr;
        }
        transport->setLink(std::make_unique<GuardedLink>(std::move(serial), -1));
        return transport->setUpBridge(error) ? std::move(transport) : nullptr;
    }
    QString reason;
    transport->m_simulator = SimulatedProduct::fromFile(descriptionFile, &reason);
    if (!transport->m_simulator) {
        *error = QStringLiteral("quelmctl: cannot simulate %1: %2").arg(descriptionFile, reason);
        return nullptr;
    }
    transport->m_stateFile = options.simulatorState.isEmpty() ? defaultStateFile(descriptionFile)
                                                              : options.simulatorState;
    transport->m_stateLock = StateLock::acquire(transport->m_stateFile, options.stateLockWaitMs, &reason);
    if (!transport->m_stateLock) {
        *error = QStringLiteral("quelmctl: %1").arg(reason);
        return nullptr;
    }
    if (QFileInfo::exists(transport->m_stateFile)
        && !transport->m_simulator->restoreStateFile(transport->m_stateFile)) {
        *error = QStringLiteral("quelmctl: simulator state %1 does not fit the product; delete it to start afresh")
                     .arg(transport->m_stateFile);
        return nullptr;
    }
    transport->setLink(std::make_unique<GuardedLink>(std::make_unique<SimulatorLink>(transport->m_simulator.get()),
                                                     options.disconnectAfter));
    return transport->setUpBridge(error) ? std::move(transport) : nullptr;
}

void Transport::setLink(std::unique_ptr<GuardedLink> link)
{
    m_guard = link.get();
    m_link = std::move(link);
}

// Once the host asks to stop, the command after the one under way is refused.
void Transport::checkStop()
{
    if (m_options.stop && m_options.stop->load())
        m_guard->setRefusal(QStringLiteral("stopped by the user"));
}

// The bridge wakes up at 9600 baud; the link follows it to the rate asked for.
bool Transport::setUpBridge(QString* error)
{
    BridgeSetup setup(m_link.get());
    setup.setTimeout(m_options.timeoutMs);
    if (m_options.baudRate != BridgeSetup::PowerOnBaudRate && !setup.setBaudRate(m_options.baudRate)) {
        *error = QStringLiteral("quelmctl: cannot move the bridge to %1 baud: %2")
                     .arg(m_options.baudRate).arg(setup.errorString());
        return false;
    }
    const BridgeSetup::ClockSetting* clock = BridgeSetup::clockSetting(m_options.i2cClock);
    if (clock && !setup.setI2CClock(clock->clock)) {
        *error = QStringLiteral("quelmctl: cannot set the I2C clock: %1").arg(setup.errorString());
        return false;
    }
    // One runner for every run, so that a write cycle started by one run is
    // waited for by the next.
    m_runner = std::make_unique<CommandRunner>(m_link.get());
    m_runner->setTimeout(m_options.timeoutMs);
    m_runner->setAcknowledgeChecks(m_options.acknowledgeChecks);
    if (clock)
        m_runner->setI2CClockDivider(clock->divider());
    return true;
}

void Transport::setProduct(const QList<Device*>& devices, bool gpioSelectsBus)
{
    m_runner->setProduct(devices, gpioSelectsBus);
}

qint32 Transport::baudRate() const
{
    return m_link->baudRate();
}

ScanResult Transport::scan()
{
    BusScanner scanner(m_link.get());
    scanner.setTimeout(m_options.timeoutMs);
    return scanner.scan();
}

QStringList Transport::scan(SegmentScan& segment)
{
    const ScanResult result = scan();
    segment.answered = result.answered;
    segment.error = result.errorString;
    const QString where = segmentName(segment.bus);
    QStringList problems;
    if (!result.ok())
        problems.append(QStringLiteral("scan: %1: %2").arg(where, result.errorString));
    for (const ExpectedPart& part : segment.missing()) {
        problems.append(QStringLiteral("scan: %1: %2 (%3) at %4 does not answer")
                            .arg(where, part.name, part.type, BridgeStatus::hexByte(part.address)));
    }
    return problems;
}

RunResult Transport::run(const QList<DeviceCommand*>& commands, const QString& phase, QTextStream& err,
                         bool progress)
{
    TransportOptions shown = m_options;
    shown.quiet = m_options.quiet || !progress;
    m_runner->setProgress([&](int index, int count, const DeviceCommand* command) {
        if (index + 1 < count)
            showProgress(err, shown, phase, index + 1, count);
        if (m_progress)
            m_progress(index, count, command);
        checkStop();
    });
    m_guard->setRefusal(QString());
    checkStop();
    showProgress(err, shown, phase, 0, commands.size());
    const RunResult result = m_runner->run(commands);
    m_runner->setProgress({});
    if (result.ok())
        showDone(err, shown, phase, commands.size(), phaseTime(result.elapsed, baudRate()));
    else if (shown.terminal && !shown.quiet)
        err << '\n';
    return result;
}

bool Transport::close(QString* error)
{
    QString reason;
    if (!m_simulator || m_simulator->saveStateFile(m_stateFile, &reason))
        return true;
    *error = QStringLiteral("quelmctl: cannot write simulator state %1: %2").arg(m_stateFile, reason);
    return false;
}
