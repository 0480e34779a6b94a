#include "transport.h"

#include "simulatorstate.h"

#include <bridgesetup.h>
#include <bridgesimulator.h>
#include <seriallink.h>
#include <simulatedproduct.h>
#include <simulatorlink.h>

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>

#include <cerrno>
#include <cstring>
#include <unistd.h>

// A link that can be made to refuse to send: the simulated bridge after a
// given number of commands behaves like a port that was pulled, and a run
// that its host stops ends before its next command.
class GuardedLink : public Link
{
public:
    explicit GuardedLink(std::unique_ptr<Link> link)
        : m_link(std::move(link)) {}

    // -1: no limit.
    void setCommandLimit(int commands) { m_left = commands; }
    // Whether the simulated bridge has been pulled.
    bool isDisconnected() const { return m_left == 0; }
    // Empty: sends again.
    void setRefusal(const QString& reason) { m_refusal = reason; }
    void setWire(const std::function<void(const char*, const QByteArray&)>& wire) { m_wire = wire; }
    // While set, each write is told before it goes (or is refused), and
    // once stop is set the next I2C transaction is refused: a scan's probes
    // stand alone, so it may end between any two; a probe's status read
    // still goes.
    void watchWrites(const std::atomic_bool* stop, const std::function<void(const QByteArray& bytes)>& writing)
    {
        m_stop = stop;
        m_writing = writing;
    }

    bool write(const QByteArray& bytes) override
    {
        if (m_writing)
            m_writing(bytes);
        if (m_stop && m_stop->load() && bytes.startsWith(SC18IM700Protocol::Start))
            setRefusal(stoppedByUser());
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
        if (m_wire)
            m_wire("tx", bytes);
        // The port's own words, never an earlier refusal's.
        if (!m_link->write(bytes)) {
            setErrorString(m_link->errorString());
            return false;
        }
        return true;
    }
    QByteArray read(int count, int timeoutMs) override
    {
        const QByteArray bytes = m_link->read(count, timeoutMs);
        if (m_wire && !bytes.isEmpty())
            m_wire("rx", bytes);
        return bytes;
    }
    void discardInput() override { m_link->discardInput(); }
    bool drain() override
    {
        if (m_link->drain())
            return true;
        setErrorString(m_link->errorString());
        return false;
    }
    Duration drainUncertainty() const override { return m_link->drainUncertainty(); }
    Duration sendLatency() const override { return m_link->sendLatency(); }
    Duration now() const override { return m_link->now(); }
    void wait(Duration time) override { m_link->wait(time); }
    qint32 baudRate() const override { return m_link->baudRate(); }
    bool setBaudRate(qint32 rate) override
    {
        const bool set = m_link->setBaudRate(rate);
        setErrorString(m_link->errorString());
        return set;
    }

    // Why a run the host stopped ended.
    static QString stoppedByUser() { return QStringLiteral("stopped by the user"); }

private:
    std::unique_ptr<Link> m_link;
    int m_left = -1;              // -1: no limit
    QString m_refusal;
    std::function<void(const char*, const QByteArray&)> m_wire;
    const std::atomic_bool* m_stop = nullptr;
    std::function<void(const QByteArray& bytes)> m_writing;
};


namespace {

// The adapter's name under /sys/bus/usb-serial/devices: "ttyUSB0" for
// /dev/ttyUSB0 or a /dev/serial/by-id link to it, "ttyUSBn" where the port
// does not say.
QString usbSerialDevice(const QString& port)
{
    const QString device = QFileInfo(QFileInfo(SerialLink::devicePath(port)).canonicalFilePath()).fileName();
    return QRegularExpression(QStringLiteral("^ttyUSB[0-9]+$")).match(device).hasMatch() ? device
                                                                                       : QStringLiteral("ttyUSBn");
}

// A pseudo-terminal has no adapter whose latency timer could be shortened.
bool isPseudoTerminal(const QString& port)
{
    return QFileInfo(SerialLink::devicePath(port)).canonicalFilePath().startsWith(QLatin1String("/dev/pts/"));
}

QString latencyHint(const QString& port, Link::Duration roundTrip)
{
    const qint64 ms = std::chrono::round<std::chrono::milliseconds>(roundTrip).count();
    return QStringLiteral("answers take %1 ms to come back through the USB adapter; set its latency timer "
                          "to 1 ms for faster runs: echo 1 | sudo tee /sys/bus/usb-serial/devices/%2/latency_timer "
                          "(or a udev rule ATTR{latency_timer}=\"1\")").arg(ms).arg(usbSerialDevice(port));
}

} // namespace

QString phaseTime(const Link::Duration elapsed, const qint32 baudRate)
{
    return QStringLiteral("%1 s at %2 baud").arg(SC18IM700Protocol::seconds(elapsed), 0, 'f', 2).arg(baudRate);
}

bool bridgeRestarted(const RunResult& result)
{
    return result.restarted;
}

Transport::~Transport() = default;

std::unique_ptr<Transport> Transport::open(const TransportOptions& options, const QString& descriptionFile,
                                           const Notify& notify, QString* error)
{
    std::unique_ptr<Transport> transport(new Transport);
    transport->m_options = options;
    transport->m_notify = notify ? notify : [](Note, const QString&) {};
    if (!options.port.isEmpty()) {
        auto serial = std::make_unique<SerialLink>();
        if (!serial->open(options.port)) {
            *error = serial->errorString();
            return nullptr;
        }
        transport->m_notify(Note::Detail, serial->lowLatency()
                           ? QStringLiteral("%1: the driver runs the port at low latency").arg(options.port)
                           : QStringLiteral("%1: the driver does not take low latency").arg(options.port));
        transport->setLink(std::make_unique<GuardedLink>(std::move(serial)));
    } else if (!transport->openSimulator(descriptionFile, error)) {
        return nullptr;
    }
    if (!transport->setUpBridge(error))
        return nullptr;
    transport->startRunner();
    return transport;
}

bool Transport::openSimulator(const QString& descriptionFile, QString* error)
{
    QString reason;
    m_simulator = SimulatedProduct::fromFile(descriptionFile, &reason);
    if (!m_simulator) {
        *error = QStringLiteral("cannot simulate %1: %2").arg(descriptionFile, reason);
        return false;
    }
    const QString stateFile = m_options.simulatorState.isEmpty() ? SimulatorState::defaultFile(descriptionFile)
                                                                 : m_options.simulatorState;
    m_state = SimulatorState::lock(stateFile, m_options.stateLockWaitMs, error,
                                   [this](const QString& line) { m_notify(Note::Progress, line); });
    if (!m_state || !m_state->load(*m_simulator, error))
        return false;
    auto link = std::make_unique<SimulatorLink>(m_simulator.get());
    if (m_options.adapterLatencyMs >= 0) {
        UsbAdapter adapter;
        adapter.latencyTimer = std::chrono::milliseconds(m_options.adapterLatencyMs);
        link->setAdapter(adapter);
    }
    setLink(std::make_unique<GuardedLink>(std::move(link)));
    return true;
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
        m_guard->setRefusal(GuardedLink::stoppedByUser());
}

// The bridge is wherever an earlier run or its power-on left it: found
// there, then moved to the rate and clock asked for.
bool Transport::setUpBridge(QString* error)
{
    BridgeSetup setup(m_link.get());
    setup.setTimeout(m_options.timeoutMs);
    setup.setPortName(m_options.port);
    const std::optional<qint32> found = setup.findBridge(m_options.baudRate);
    if (!found) {
        *error = setup.errorString();
        return false;
    }
    const qint32 wanted = m_options.baudRate > 0 ? m_options.baudRate : *found;
    if (wanted != *found && !setup.moveBridge(wanted)) {
        *error = QStringLiteral("cannot move the bridge from %1 to %2 baud: %3")
                     .arg(*found).arg(wanted).arg(setup.errorString());
        return false;
    }
    m_notify(Note::Progress, wanted == *found ? QStringLiteral("bridge found at %1 baud").arg(*found)
                                               : QStringLiteral("bridge found at %1 baud, moved to %2 baud")
                                                     .arg(*found).arg(wanted));
    if (setup.roundTrip() >= SlowRoundTrip && !isPseudoTerminal(m_options.port))
        m_notify(Note::Warning, latencyHint(m_options.port, setup.roundTrip()));
    m_i2cClock = setup.foundClock();
    if (!m_options.i2cClock.isEmpty()) {
        const std::optional<BridgeSetup::ClockRegisters> clock = BridgeSetup::clockRegisters(m_options.i2cClock);
        if (!clock || !setup.setI2CClock(clock->low, clock->high)) {
            *error = QStringLiteral("cannot set the I2C clock: %1")
                         .arg(clock ? setup.errorString()
                                    : QStringLiteral("\"%1\" names no setting").arg(m_options.i2cClock));
            return false;
        }
        m_i2cClock = *clock;
    }
    if (m_runner && m_i2cClock.divider() >= SC18IM700Protocol::MinimumClockDivider)
        m_runner->setI2CClockDivider(m_i2cClock.divider());
    return true;
}

// One runner for every run, so that a write cycle started by one run is
// waited for by the next, a restart of the bridge in between included. What
// the setup sent is not a command.
void Transport::startRunner()
{
    m_guard->setCommandLimit(m_options.disconnectAfter);
    m_guard->setWire(m_options.wire);
    m_runner = std::make_unique<CommandRunner>(m_link.get());
    m_runner->setTimeout(m_options.timeoutMs);
    m_runner->setAcknowledgeChecks(m_options.acknowledgeChecks);
    if (m_i2cClock.divider() >= SC18IM700Protocol::MinimumClockDivider)
        m_runner->setI2CClockDivider(m_i2cClock.divider());
}

void Transport::setProduct(const QList<Device*>& devices, bool gpioSelectsBus)
{
    m_runner->setProduct(devices, gpioSelectsBus);
}

qint32 Transport::baudRate() const
{
    return m_link->baudRate();
}

ScanResult Transport::scan(const quint8 first, const quint8 last)
{
    BusScanner scanner(m_link.get());
    scanner.setTimeout(m_options.timeoutMs);
    return scanner.scan(first, last);
}

bool Transport::stopRequested() const
{
    return m_options.stop && m_options.stop->load();
}

void Transport::probe(SegmentScan& segment, const Progress& progress)
{
    constexpr int probes = (BusScanner::LastAddress - BusScanner::FirstAddress) / 2 + 1;
    int started = 0;
    m_guard->setRefusal(QString());
    m_guard->watchWrites(m_options.stop, [&](const QByteArray& bytes) {
        if (!bytes.startsWith(SC18IM700Protocol::Start))
            return; // the status read after a probe
        if (progress)
            progress(started, probes); // each probe before it is done
        ++started;
    });
    const ScanResult result = scan();
    m_guard->watchWrites(nullptr, {});
    if (result.ok() && progress)
        progress(probes, probes);
    segment.answered = result.answered;
    segment.error = result.errorString;
    // The scan ends at the first probe that goes wrong (refused, sent
    // without an answer, stopped), which tells nothing of its address.
    segment.probedEnd = result.ok() ? SegmentScan::WholeSegment : BusScanner::FirstAddress + 2 * qMax(0, started - 1);
}

QString Transport::goneText() const
{
    if (m_options.port.isEmpty())
        return m_guard->isDisconnected() ? QStringLiteral("the simulated bridge went away: it was disconnected")
                                         : QString();
    const QByteArray device = QFile::encodeName(SerialLink::devicePath(m_options.port));
    if (::access(device.constData(), F_OK) == 0)
        return QString();
    return QStringLiteral("%1 went away: %2").arg(m_options.port, QString::fromLocal8Bit(strerror(errno)));
}

RunResult Transport::run(const QList<DeviceCommand*>& commands, const Progress& progress)
{
    m_runner->setProgress([&](int index, int count, const DeviceCommand*) {
        if (progress)
            progress(index + 1, count);
        checkStop();
    });
    m_guard->setRefusal(QString());
    checkStop();
    RunResult lost;
    if (m_bridgeRestarted && !setUpBridge(&lost.errorString)) {
        lost.failedIndex = 0;
        return lost;
    }
    if (progress)
        progress(0, commands.size());
    const RunResult result = m_runner->run(commands);
    m_bridgeRestarted = bridgeRestarted(result);
    m_runner->setProgress({});
    return result;
}

bool Transport::close(QString* error)
{
    return !m_simulator || m_state->save(*m_simulator, error);
}
