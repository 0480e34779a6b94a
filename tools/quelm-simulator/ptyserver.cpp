#include "ptyserver.h"

#include <bridgesimulator.h>
#include <simulatorstate.h>

#include <QtCore/QSocketNotifier>
#include <QtCore/QTextStream>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr int chunkSize = 4096;
constexpr int writePollMs = 1000;

struct SpeedCode
{
    speed_t code;
    qint32 rate;
};

const SpeedCode speedCodes[] = {
    {B1200, 1200}, {B2400, 2400}, {B4800, 4800}, {B9600, 9600}, {B19200, 19200},
    {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
};

} // namespace

PtyServer::PtyServer(BridgeSimulator* simulator, const SimulatorState* state, bool verbose, QObject* parent)
    : QObject(parent)
    , m_simulator(simulator)
    , m_state(state)
    , m_verbose(verbose)
{
    m_answerTimer.setSingleShot(true);
    m_answerTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_answerTimer, &QTimer::timeout, this, &PtyServer::sendDueAnswers);
}

PtyServer::~PtyServer()
{
    delete m_notifier;
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyServer::fail(const QString& what)
{
    m_errorString = QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(strerror(errno)));
    return false;
}

bool PtyServer::open()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail(QStringLiteral("posix_openpt"));
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return fail(QStringLiteral("grantpt/unlockpt"));
    const char* const name = ptsname(m_master);
    if (!name)
        return fail(QStringLiteral("ptsname"));
    m_devicePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0)
        return fail(QStringLiteral("open %1").arg(m_devicePath));
    // Raw from the start: no echo, no line editing, no CR/LF translation of
    // the binary protocol, whatever the client sets later.
    termios settings;
    if (tcgetattr(m_slave, &settings) != 0)
        return fail(QStringLiteral("tcgetattr"));
    cfmakeraw(&settings);
    if (cfsetispeed(&settings, B9600) != 0 || cfsetospeed(&settings, B9600) != 0
        || tcsetattr(m_slave, TCSANOW, &settings) != 0)
        return fail(QStringLiteral("tcsetattr"));
    if (fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0)
        return fail(QStringLiteral("fcntl"));
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyServer::serve);
    // The simulator's clock starts with the terminal's. The bridge powered on
    // as the terminal appeared: its "OK" is waiting there before anyone can
    // open it, so a client that clears its input first never sees it late.
    m_clock.start();
    const QByteArray announcement = m_simulator->takeOutput();
    schedule(announcement, QVector<BridgeSimulator::Duration>(announcement.size(), BridgeSimulator::Duration(0)));
    return true;
}

qint32 PtyServer::clientBaudRate() const
{
    termios settings;
    if (tcgetattr(m_slave, &settings) != 0)
        return 0;
    const speed_t code = cfgetospeed(&settings);
    for (const SpeedCode& speed : speedCodes) {
        if (speed.code == code)
            return speed.rate;
    }
    return 0;
}

// A client whose terminal runs at another rate than the bridge's baud-rate
// registers say is not understood, as on a real line; a rate termios does
// not name is taken on trust.
bool PtyServer::ratesMatch() const
{
    const qint32 client = clientBaudRate();
    return client == 0 || m_simulator->understands(client);
}

void PtyServer::serve()
{
    char buffer[chunkSize];
    const ssize_t received = ::read(m_master, buffer, sizeof buffer);
    if (received <= 0)
        return;
    if (!ratesMatch()) {
        if (m_verbose)
            QTextStream(stderr) << "quelm-simulator: lost " << received << " bytes sent at "
                                << clientBaudRate() << " baud; the bridge runs at "
                                << qRound(m_simulator->baudRate()) << Qt::endl;
        return;
    }
    // The bytes arrived just now; the simulator spreads them over their UART
    // time from here.
    m_simulator->advanceTo(elapsed());
    QVector<BridgeSimulator::Duration> times;
    const QByteArray answer = m_simulator->feed(QByteArray(buffer, int(received)), &times);
    schedule(answer, times);
    report();
    QString error;
    if (m_state && !m_state->save(*m_simulator, &error))
        QTextStream(stderr) << "quelm-simulator: " << error << Qt::endl;
}

BridgeSimulator::Duration PtyServer::elapsed() const
{
    return std::chrono::duration_cast<BridgeSimulator::Duration>(std::chrono::nanoseconds(m_clock.nsecsElapsed()));
}

void PtyServer::report()
{
    const QStringList notes = m_simulator->takeNotes();
    if (!m_verbose)
        return;
    QTextStream err(stderr);
    for (const QString& note : notes)
        err << "quelm-simulator: " << note << Qt::endl;
}

void PtyServer::schedule(const QByteArray& bytes, const QVector<BridgeSimulator::Duration>& times)
{
    for (int index = 0; index < bytes.size(); ++index)
        m_pending.push_back({bytes.at(index), times.at(index)});
    sendDueAnswers();
}

void PtyServer::sendDueAnswers()
{
    const BridgeSimulator::Duration now = elapsed();
    QByteArray due;
    while (!m_pending.empty() && m_pending.front().due <= now) {
        due.append(m_pending.front().byte);
        m_pending.pop_front();
    }
    if (!due.isEmpty() && !ratesMatch()) {
        if (m_verbose)
            QTextStream(stderr) << "quelm-simulator: lost " << due.size() << " bytes sent at "
                                << qRound(m_simulator->baudRate()) << " baud; the terminal runs at "
                                << clientBaudRate() << Qt::endl;
        due.clear();
    }
    if (!due.isEmpty() && !writeAll(due))
        QTextStream(stderr) << "quelm-simulator: cannot answer: " << strerror(errno) << Qt::endl;
    if (m_pending.empty())
        return;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(m_pending.front().due - now);
    m_answerTimer.start(int(wait.count()));
}

bool PtyServer::writeAll(const QByteArray& bytes)
{
    int written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + written, size_t(bytes.size() - written));
        if (n > 0) {
            written += int(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd waiting{m_master, POLLOUT, 0};
        if (poll(&waiting, 1, writePollMs) <= 0)
            return false;
    }
    return true;
}
