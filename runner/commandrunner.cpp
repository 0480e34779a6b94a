#include "commandrunner.h"

#include "bridgesetup.h"
#include "bridgestatus.h"

#include <device.h>
#include <devicecommand.h>
#include <sc18im700.h>
#include <writecycle.h>

using namespace SC18IM700Protocol;

namespace {

// A part's place: its bus and 8-bit address; the bus is -1 while no segment
// is selected.
qint64 placeKey(const int bus, const int address)
{
    return qint64(bus) * 256 + (address & 0xFE);
}

// What of a command may go ahead of the rest: its start and address.
constexpr int StartAndAddress = 2;

// The cheapest string the bridge answers, one byte for two: a read of its
// GPIO port. It changes nothing, and it is no "S", so a write that lost a
// byte on the line cannot take it for a part of itself.
QByteArray confirmRead()
{
    return SC18IM700::readGpioCommands();
}

int powerOnClockDivider()
{
    const QByteArray registers = powerOnRegisters();
    return quint8(registers.at(I2CClkL)) + quint8(registers.at(I2CClkH));
}

int ceilMs(const CommandRunner::Duration time)
{
    return int(std::chrono::ceil<std::chrono::milliseconds>(time).count());
}

} // namespace

qint64 CommandRunner::Sent::place() const
{
    return address >= 0 ? placeKey(bus, address) : -1;
}

CommandRunner::CommandRunner(Link* link)
    : m_link(link)
    , m_clockDivider(powerOnClockDivider())
    , m_writing(link)
{
}

CommandRunner::~CommandRunner() = default;

void CommandRunner::setProduct(const QList<Device*>& devices, bool gpioSelectsBus)
{
    m_devices = devices;
    m_gpioSelectsBus = gpioSelectsBus;
}

void CommandRunner::setI2CClockDivider(int divider)
{
    m_clockDivider = qMax(divider, MinimumClockDivider);
}

RunResult CommandRunner::run(const QList<DeviceCommand*>& commands)
{
    if (!m_link) {
        RunResult result;
        result.failedIndex = 0;
        result.errorString = QStringLiteral("No link to the bridge.");
        return result;
    }
    const Duration start = m_link->now();
    runAll(commands);
    // A string that went ahead of a command the run did not send is ended,
    // and a port read after it tells that the bridge has taken the end; if
    // even that fails, the bridge drops the string once its gap time-out has
    // passed, before anything else comes.
    if (!m_ahead.isEmpty() && (!writeOwn(confirmRead()) || m_link->read(1, m_timeoutMs).isEmpty()))
        m_link->wait(ReceiveGapTimeout + std::chrono::milliseconds(1));
    RunResult result = m_stop.value_or(RunResult());
    result.applied = m_applied;
    // The run has taken its time once its last bytes have left the host.
    m_link->drain();
    result.elapsed = m_link->now() - start;
    m_commands = nullptr;
    m_inFlight.clear();
    m_awaitingStatus.reset();
    m_stop.reset();
    m_peeked.clear();
    return result;
}

void CommandRunner::runAll(const QList<DeviceCommand*>& commands)
{
    m_commands = &commands;
    m_applied = 0;
    m_lastByte = -1;
    m_answered.clear();
    m_refusable.reset();
    // An answer left over from an earlier, broken run must not be taken
    // for the first answer of this one.
    m_link->discardInput();
    for (int index = 0; index < commands.size();) {
        if (runCommand(index)) {
            ++index;
            continue;
        }
        const int refused = m_refusable ? m_refusable->index : -1;
        if (!sendAgain())
            return;
        index = refused + 1;
    }
    if (!receiveAll() && sendAgain())
        receiveAll();
}

bool CommandRunner::runCommand(int index, bool retry)
{
    m_current = index;
    DeviceCommand* const command = m_commands->at(index);
    if (!command)
        return receiveAll() && fail(index, {QStringLiteral("the list holds a null command")});
    const QByteArray bytes = command->bytes();
    if (bytes.size() > LongestCommandString)
        return receiveAll()
            && fail(index, {QStringLiteral("%1 bytes in one string; the bridge's receive FIFO holds %2")
                                .arg(bytes.size()).arg(ReceiveFifoSize)});
    const BridgeStatus::CommandShape shape = BridgeStatus::CommandShape::of(bytes);
    const int bus = currentBus();
    const qint64 key = placeKey(bus, shape.address);
    bool readsStatus = m_acknowledgeChecks && shape.address >= 0;
    // The part's earlier write, while its cycle may still run. It is
    // forgotten once the command that waited for it has gone out.
    const bool written = shape.address >= 0 && m_writing.contains(key);
    Wait wait = Wait::None;
    if (written) {
        wait = waitBefore(*m_writing.find(key), bytes.size(), command->responseBytes() > 0);
        if (m_stop || (wait == Wait::Poll && !pollUntilReady(m_writing.value(key), index, shape.address)))
            return false;
        readsStatus = readsStatus || wait == Wait::Clock || wait == Wait::Attempt;
    }
    Cycle previous{};
    if (!sendCommand(index, bytes, bus, readsStatus, written ? &previous : nullptr))
        return false;
    m_refusable.reset();
    if (written && retry)
        m_refusable = Refusable{index, bus, shape.address, previous};
    // Nothing goes after a command sent after a wait until its status is
    // in: a part still busy takes nothing of it, and it is sent again in
    // its place in the list.
    return (wait != Wait::Clock && wait != Wait::Attempt) || receiveAll();
}

// A part that did not acknowledge its address while its write cycle may
// have outlasted the data sheet is polled until it does, and the command
// sent once more, when nothing was sent after it; past the bound the run
// stops.
bool CommandRunner::sendAgain()
{
    if (!m_stop || !m_refusable || m_stop->restarted || m_stop->failedIndex != m_refusable->index
        || m_stop->status != StatusNackOnAddress || !m_inFlight.empty())
        return false;
    const Refusable refused = *m_refusable;
    m_refusable.reset();
    m_stop.reset();
    // The part took nothing of the refused command: the cycle that may still
    // run is the one before, until the part answers.
    const qint64 key = placeKey(refused.bus, refused.address);
    m_writing.insert(key, refused.cycle);
    if (!pollUntilReady(refused.cycle, refused.index, refused.address))
        return false;
    m_writing.remove(key);
    return runCommand(refused.index, false);
}

// Sends the command with the read that proves it done (its status with the
// checks on or after a wait, else a port read when it has no answer of its
// own), once the FIFO has room for both. `waited`: the part's earlier write
// cycle the command waited for, moved there once the command has gone out.
bool CommandRunner::sendCommand(int index, const QByteArray& bytes, int bus, bool readsStatus, Cycle* waited)
{
    const DeviceCommand* const command = m_commands->at(index);
    const BridgeStatus::CommandShape shape = BridgeStatus::CommandShape::of(bytes);
    Sent sent(Sent::Command, index, bytes.size(), command->responseBytes(), bus, shape.address,
              shape.i2cClocks * i2cClockPeriod(m_clockDivider));
    sent.statusFollows = readsStatus;
    QByteArray trailer;
    std::vector<Sent> proof;
    if (readsStatus) {
        trailer = statusReadCommand();
        proof.push_back(Sent(Sent::Status, index, trailer.size(), 1, bus, shape.address));
    } else if (sent.answerSize == 0) {
        trailer = confirmRead();
        proof.push_back(Sent(Sent::Confirm, index, trailer.size(), 1));
    }
    Duration backlog{0};
    int queued = 0;
    if (sent.readsPart() && readsStatus && !m_answered.contains(sent.place())) {
        // Its status, sent with it, would stand in for the answer of a part
        // that stays silent: it follows once the answer is in, or once its
        // absence has been explained.
        if (!makeRoom(bytes.size(), sent.answerSize, sent.place(), bytes, sent.answerSize))
            return false;
        backlog = busBacklog() + sent.busTime;
        queued = unconfirmedBytes();
        if (!send(bytes, {sent}) || !receiveAll() || !makeRoom(trailer.size(), 1, -1) || !send(trailer, proof))
            return false;
    } else if (bytes.size() + trailer.size() <= ReceiveFifoSize) {
        if (!makeRoom(bytes.size() + trailer.size(), sent.answerSize + int(proof.size()), sent.place(), bytes,
                      sent.answerSize))
            return false;
        backlog = busBacklog() + sent.busTime;
        queued = unconfirmedBytes();
        proof.insert(proof.begin(), sent);
        if (!send(bytes + trailer, proof))
            return false;
    } else {
        // Too long to go with its proof: it goes alone into an empty FIFO,
        // and the runner lets pass the time in which the bridge surely has
        // taken it (its bytes and its bus time) before the proof follows.
        // None of the library's commands needs this.
        if (!receiveAll() || !send(bytes, {sent}))
            return false;
        backlog = sent.busTime;
        m_link->drain();
        m_link->wait(m_link->drainUncertainty() + backlog + m_link->byteTime());
        m_inFlight.back().size = 0;
        if (!proof.empty() && !send(trailer, proof))
            return false;
    }
    if (waited)
        *waited = m_writing.take(placeKey(bus, shape.address));
    if (shape.gpio >= 0)
        m_gpio = shape.gpio;
    // The command's own place in the queue, for the answers that prove it done.
    qint64 sequence = m_sequence;
    for (auto it = m_inFlight.crbegin(); it != m_inFlight.crend(); ++it) {
        if (it->role == Sent::Command && it->index == index) {
            sequence = it->sequence;
            break;
        }
    }
    // The command has surely reached the bridge once the bytes queued before
    // it and its own have crossed the line at the slowest rate the bridge
    // takes, and ended once the bridge has done what it owed.
    const Duration endedBy = m_link->now() + m_link->sendLatency()
        + (queued + bytes.size()) * m_link->slowestByteTime() + backlog;
    recordCycles(command, shape, bus, sequence, backlog, endedBy);
    return true;
}

int CommandRunner::unconfirmedBytes() const
{
    int bytes = m_ahead.size();
    for (const Sent& sent : m_inFlight)
        bytes += sent.size;
    return bytes;
}

// Whether `answer` more bytes (of a part at `place`) could be queued behind
// every read in flight of a part that has not answered yet, without being
// enough to stand in for that read's answer should the part stay silent.
// Reads of the same part would stay silent with it.
bool CommandRunner::foreignAnswerFits(int answer, qint64 place) const
{
    for (std::size_t i = 0; i < m_inFlight.size(); ++i) {
        const Sent& read = m_inFlight.at(i);
        if (!read.readsPart() || m_answered.contains(read.place()))
            continue;
        int foreign = place == read.place() ? 0 : answer;
        for (std::size_t j = i + 1; j < m_inFlight.size(); ++j) {
            const Sent& later = m_inFlight.at(j);
            if (later.place() != read.place() || later.role != Sent::Command)
                foreign += later.answerSize;
        }
        if (foreign >= read.answerSize)
            return false;
    }
    return true;
}

// Waits for answers until `bytes` more fit the FIFO. Meanwhile the start of
// `command` may go ahead (see sendAhead()); its bytes already sent count once.
bool CommandRunner::makeRoom(int bytes, int answer, qint64 place, const QByteArray& command, int commandAnswer)
{
    while (!m_inFlight.empty()
           && (unconfirmedBytes() - m_ahead.size() + bytes > ReceiveFifoSize || !foreignAnswerFits(answer, place))) {
        sendAhead(command, commandAnswer);
        if (!receiveNext())
            return false;
    }
    return true;
}

// While the answer that makes room is on its way, the start of the next
// command goes ahead as far as the FIFO has room, so that the line does not
// stand still for the bytes that fit; the bridge waits for the rest. Of a
// read, all but its last byte may go: should the run stop first, the read is
// completed and its answer dropped, which changes nothing. Of a command
// without an answer, only "S" and the address: it is then ended as an empty
// write to that address, which programs nothing.
void CommandRunner::sendAhead(const QByteArray& command, int answer)
{
    const int limit = answer > 0 ? command.size() - 1 : StartAndAddress;
    const int room = qMin<int>(ReceiveFifoSize - unconfirmedBytes(), limit);
    if (!m_ahead.isEmpty() || room <= 0 || command.size() <= StartAndAddress || command.at(0) != Start
        || !m_link->write(command.left(room)))
        return;
    m_ahead = command.left(room);
    m_aheadEnd = answer > 0 ? command.mid(room) : probeCommand(quint8(command.at(1))).mid(room);
    m_aheadAnswer = answer;
    m_aheadSent = m_link->now();
    m_writing.noteWritten(room);
}

// The bytes that end a string that went ahead and will not be completed by
// its command, and how many bytes the bridge answers to it. Once the
// bridge's gap time-out may have passed since, it has dropped the string, or
// is about to: the runner lets the time-out pass for sure and sends nothing,
// since the rest alone would read as commands of their own.
QByteArray CommandRunner::takeAhead(int* answer)
{
    const Duration droppedBy = m_aheadSent + ReceiveGapTimeout + m_link->drainUncertainty()
        + ReceiveFifoSize * m_link->slowestByteTime() + m_link->sendLatency();
    const bool dropped = !m_ahead.isEmpty() && m_link->now() - m_aheadSent >= ReceiveGapTimeout / 2;
    if (dropped)
        m_link->wait(droppedBy - m_link->now());
    const QByteArray end = dropped ? QByteArray() : m_aheadEnd;
    *answer = dropped ? 0 : m_aheadAnswer;
    m_ahead.clear();
    m_aheadEnd.clear();
    m_aheadAnswer = 0;
    return end;
}

// The runner's own strings outside the queue: a string that went ahead is
// ended before them, and the answer of a read among them dropped.
bool CommandRunner::writeOwn(const QByteArray& bytes)
{
    int answer = 0;
    const QByteArray end = takeAhead(&answer);
    if (answer == 0)
        return m_link->write(end + bytes);
    if (!m_link->write(end))
        return false;
    m_link->read(answer, m_timeoutMs);
    return bytes.isEmpty() || m_link->write(bytes);
}

// The bus time the bridge may still owe for the strings in flight, and the
// time it may wait for their answers to fit its transmit FIFO.
CommandRunner::Duration CommandRunner::busBacklog() const
{
    Duration backlog{0};
    int answers = 0;
    for (const Sent& sent : m_inFlight) {
        backlog += sent.busTime;
        answers += sent.answerSize;
    }
    return backlog + qMax(0, answers - TransmitFifoSize) * m_link->byteTime();
}

// `bytes` continue the string that went ahead when they start with it;
// otherwise that string is ended first.
bool CommandRunner::send(const QByteArray& bytes, std::vector<Sent> strings)
{
    const bool pending = !m_ahead.isEmpty();
    const bool continues = pending && m_link->now() - m_aheadSent < ReceiveGapTimeout / 2
        && strings.front().role == Sent::Command && bytes.startsWith(m_ahead);
    QByteArray out = bytes;
    if (continues) {
        out = bytes.mid(m_ahead.size());
        m_ahead.clear();
        m_aheadEnd.clear();
        m_aheadAnswer = 0;
    } else if (pending) {
        int answer = 0;
        out = takeAhead(&answer) + bytes;
        if (answer > 0)
            strings.insert(strings.begin(), Sent(Sent::Dropped, strings.front().index, out.size() - bytes.size(), answer));
    }
    if (!m_link->write(out)) {
        // A string left unended in the bridge is dropped by its gap time-out
        // before anything else comes.
        if (pending)
            m_link->wait(ReceiveGapTimeout + m_link->drainUncertainty() + m_link->sendLatency());
        const int index = strings.back().index;
        return receiveAll()
            && fail(index, {QStringLiteral("could not be sent: %1").arg(m_link->errorString())});
    }
    m_writing.noteWritten(out.size());
    for (Sent& sent : strings) {
        sent.sequence = m_sequence++;
        m_inFlight.push_back(sent);
    }
    return true;
}

bool CommandRunner::receiveAll()
{
    while (!m_stop && !m_inFlight.empty()) {
        if (!receiveNext())
            return false;
    }
    return !m_stop;
}

// How long the answer of the string at `upTo` may take: the timeout counts
// from when the request has left the host, after the bytes queued before it.
int CommandRunner::answerTimeoutMs(std::size_t upTo) const
{
    int queued = 0;
    for (std::size_t i = 0; i <= upTo && i < m_inFlight.size(); ++i)
        queued += m_inFlight.at(i).size;
    return m_timeoutMs + ceilMs(queued * m_link->byteTime());
}

QByteArray CommandRunner::readBytes(int count, int timeoutMs)
{
    QByteArray bytes = m_peeked.left(count);
    m_peeked.remove(0, bytes.size());
    if (bytes.size() < count)
        bytes += m_link->read(count - bytes.size(), timeoutMs);
    return bytes;
}

// Reads the answer of the oldest string in flight that has one: it proves
// that string and every one before it done.
bool CommandRunner::receiveNext()
{
    std::size_t at = 0;
    while (at < m_inFlight.size() && m_inFlight.at(at).answerSize == 0)
        ++at;
    if (at == m_inFlight.size()) {
        m_inFlight.clear();
        return true;
    }
    const QByteArray answer = readBytes(m_inFlight.at(at).answerSize, answerTimeoutMs(at));
    if (answer.size() < m_inFlight.at(at).answerSize)
        return missingAnswer(at, answer);
    if (mayHoldAnnouncement(at, answer)) {
        const bool said = announcementIn(answer + m_peeked);
        return inStep(at, answer) || restarted(said ? QStringLiteral("it said OK") : QString());
    }
    complete(at, answer);
    return !m_stop;
}

bool CommandRunner::announcementIn(const QByteArray& bytes) const
{
    const QByteArray before = m_lastByte >= 0 ? QByteArray(1, char(m_lastByte)) : QByteArray();
    return (before + bytes).contains(QByteArray(Announcement, AnnouncementSize));
}

// Whether an answer could hold the bridge's "OK": only at the rate the
// bridge announces itself, when the two bytes show, or when the answer ends
// with the first of them and more bytes come although none are due.
bool CommandRunner::mayHoldAnnouncement(std::size_t at, const QByteArray& answer)
{
    if (m_link->baudRate() != PowerOnBaudRate)
        return false;
    if (announcementIn(answer))
        return true;
    bool due = false;
    for (std::size_t i = at + 1; i < m_inFlight.size(); ++i)
        due = due || m_inFlight.at(i).answerSize > 0;
    if (due || answer.back() != Announcement[0] || !m_peeked.isEmpty())
        return false;
    m_peeked = m_link->read(1, BridgeStatus::AnnouncementGapMs);
    return !m_peeked.isEmpty();
}

// After an "OK" showed in the answers: whether they are in step with the
// strings sent all the same. The answers still due must come in full, and
// then a read of registers whose values the runner knows must answer just
// those; a restart's "OK" and the strings it lost put every byte after it
// out of place, and the registers cannot come out right. In step, the
// answers are taken as they came.
bool CommandRunner::inStep(std::size_t at, const QByteArray& answer)
{
    int due = 0;
    for (std::size_t i = at + 1; i < m_inFlight.size(); ++i)
        due += m_inFlight.at(i).answerSize;
    const QByteArray rest = readBytes(due, answerTimeoutMs(m_inFlight.size() - 1));
    QByteArray expected;
    const QByteArray sentinel = sentinelCommand(&expected);
    if (rest.size() < due || !writeOwn(sentinel) || readBytes(expected.size(), m_timeoutMs) != expected)
        return false;
    m_peeked += m_link->read(1, 0);
    if (!m_peeked.isEmpty())
        return false;
    complete(at, answer);
    for (int taken = 0; !m_stop && !m_inFlight.empty();) {
        std::size_t next = 0;
        while (next < m_inFlight.size() && m_inFlight.at(next).answerSize == 0)
            ++next;
        if (next == m_inFlight.size()) {
            m_inFlight.clear();
            break;
        }
        const int size = m_inFlight.at(next).answerSize;
        complete(next, rest.mid(taken, size));
        taken += size;
    }
    return true;
}

// "R", BRG0, BRG0, BRG1, and the port when it selects the bus, "P": the
// runner knows what these hold at the link's rate. BRG0 twice, so that no
// shift of the answers by one or two bytes can give the same three bytes.
QByteArray CommandRunner::sentinelCommand(QByteArray* expected) const
{
    const quint16 generator = BridgeSetup::baudRateGenerator(m_link->baudRate()).value_or(0);
    QByteArray registers = QByteArray::fromHex("000001");
    *expected = QByteArray(2, char(generator & 0xFF)) + char(generator >> 8);
    if (m_gpioSelectsBus && m_gpio >= 0) {
        registers += char(IOState);
        *expected += char(m_gpio);
    }
    return registerReadCommand(registers);
}

// The strings up to `upTo` are done: their answers are stored and their
// commands applied, in order, as far as their statuses allow.
void CommandRunner::complete(std::size_t upTo, const QByteArray& answer)
{
    const Duration seen = m_link->now();
    m_lastSeen = seen;
    m_writing.noteAnswered(m_inFlight.at(upTo).sequence, seen);
    m_lastByte = quint8(answer.back());
    for (std::size_t i = 0; i <= upTo && !m_stop; ++i) {
        Sent sent = m_inFlight.front();
        m_inFlight.pop_front();
        if (i == upTo)
            sent.answer = answer;
        switch (sent.role) {
        case Sent::Command:
            if (sent.readsPart())
                m_answered.insert(sent.place());
            if (sent.statusFollows)
                m_awaitingStatus = sent;
            else
                apply(sent);
            break;
        case Sent::Status:
            checkStatus(sent, quint8(sent.answer.at(0)));
            break;
        case Sent::Poll:
            m_pollStatus = quint8(sent.answer.at(0));
            break;
        case Sent::Confirm:
        case Sent::Dropped:
            break;
        }
    }
}

void CommandRunner::apply(const Sent& sent)
{
    DeviceCommand* const command = m_commands->at(sent.index);
    if (sent.answerSize > 0) {
        QByteArray answer = sent.answer;
        command->setRxData(answer);
    }
    m_applied = sent.index + 1;
    if (m_progress)
        m_progress(sent.index, m_commands->size(), command);
}

bool CommandRunner::checkStatus(const Sent& sent, int status)
{
    const std::optional<Sent> command = m_awaitingStatus;
    m_awaitingStatus.reset();
    if (status == StatusOk) {
        if (sent.address >= 0)
            m_answered.insert(sent.place());
        if (command)
            apply(*command);
        return true;
    }
    const Failure failure = statusFailure(m_commands->at(sent.index), sent.bus, sent.address, status);
    settle();
    return fail(sent.index, failure);
}

// Answers still on their way after a failure would be taken for the next
// run's: they are waited for, then dropped.
void CommandRunner::settle()
{
    int due = 0;
    for (const Sent& sent : m_inFlight)
        due += sent.answerSize;
    if (due > 0)
        readBytes(due, answerTimeoutMs(m_inFlight.size() - 1));
    m_inFlight.clear();
    m_peeked.clear();
    m_link->discardInput();
}

bool CommandRunner::fail(int index, const Failure& failure)
{
    const DeviceCommand* const command = m_commands->at(index);
    RunResult stop;
    stop.failedIndex = index;
    stop.errorString = QStringLiteral("Command %1 of %2 (%3): %4")
                           .arg(index + 1).arg(m_commands->size())
                           .arg(command ? command->description() : QStringLiteral("none"), failure.text);
    stop.status = failure.status;
    stop.bus = failure.bus;
    stop.address = failure.address;
    m_stop = stop;
    m_awaitingStatus.reset();
    return false;
}

// The first command the bridge has not proved done is where it restarted.
// `how` says why the runner knows, empty when the answers went out of step
// without an announcement.
bool CommandRunner::restarted(const QString& how)
{
    int index = m_current;
    for (const Sent& sent : m_inFlight) {
        if (sent.role == Sent::Command) {
            index = sent.index;
            break;
        }
    }
    m_inFlight.clear();
    m_peeked.clear();
    m_link->discardInput();
    if (how.isEmpty())
        return fail(index, {QStringLiteral("the bridge's answers are out of step with the commands")});
    forgetBridge();
    const bool atPowerOnRate = m_link->baudRate() == PowerOnBaudRate || m_link->setBaudRate(PowerOnBaudRate);
    RunResult stop;
    stop.failedIndex = index;
    stop.restarted = true;
    stop.errorString = QStringLiteral("the bridge restarted during command %1 of %2 (%3); %4")
                           .arg(index + 1).arg(m_commands->size()).arg(how,
                                atPowerOnRate ? QStringLiteral("it is back at 9600 baud")
                                              : QStringLiteral("it is at 9600 baud, the link cannot follow: %1")
                                                    .arg(m_link->errorString()));
    m_stop = stop;
    return false;
}

// After a restart the bridge is at its reset settings and every part was
// powered up afresh: no write cycle runs, no segment is selected.
void CommandRunner::forgetBridge()
{
    m_writing.clear();
    m_gpio = -1;
    m_answered.clear();
    m_clockDivider = powerOnClockDivider();
    m_awaitingStatus.reset();
}

// A bridge that fell silent at another rate may have restarted: it then
// answers at 9600 baud with its reset registers. Otherwise the link goes back
// to its rate.
bool CommandRunner::answersAtPowerOnRate()
{
    const qint32 rate = m_link->baudRate();
    if (rate == PowerOnBaudRate || !m_link->setBaudRate(PowerOnBaudRate))
        return false;
    m_link->discardInput();
    const QByteArray reset = powerOnRegisters().left(I2CStat);
    QByteArray registers;
    for (int reg = 0; reg < reset.size(); ++reg)
        registers += char(reg);
    if (writeOwn(registerReadCommand(registers)) && m_link->read(reset.size(), m_timeoutMs) == reset)
        return true;
    m_link->setBaudRate(rate);
    m_link->discardInput();
    return false;
}

// The bridge sends nothing for a read it could not complete; its status
// tells a missing part from a bus that hangs or a bridge that is gone. An
// "OK" among what came, or a bridge that answers only at its power-on rate
// now, is a restart.
bool CommandRunner::missingAnswer(std::size_t at, const QByteArray& partial)
{
    const Sent silent = m_inFlight.at(at);
    if (m_link->baudRate() == PowerOnBaudRate && announcementIn(partial + m_peeked))
        return restarted(QStringLiteral("it said OK"));
    const QString ownRead = silent.role == Sent::Status || silent.role == Sent::Poll
        ? QStringLiteral("no answer to the I2C status read")
        : QStringLiteral("no answer from the bridge to the port read that proves it done");
    const QString text = !partial.isEmpty()
        ? QStringLiteral("the bridge answered %1 of %2 bytes").arg(partial.size()).arg(silent.answerSize)
        : silent.role == Sent::Command
        ? QStringLiteral("no answer from the bridge (%1 bytes expected)").arg(silent.answerSize)
        : ownRead;
    const bool explained = partial.isEmpty() && silent.role == Sent::Command && silent.address >= 0;
    const int status = explained ? explainingStatus(at) : -1;
    m_inFlight.clear();
    m_peeked.clear();
    m_link->discardInput();
    if (status >= 0) {
        Failure failure = statusFailure(m_commands->at(silent.index), silent.bus, silent.address, status);
        failure.text.prepend(text + QStringLiteral("; "));
        return fail(silent.index, failure);
    }
    if (m_link->baudRate() != PowerOnBaudRate && (explained || readStatus() < 0) && answersAtPowerOnRate())
        return restarted(QStringLiteral("it fell silent and answers at 9600 baud with its reset registers"));
    return fail(silent.index, {explained ? text + QStringLiteral("; the bridge does not answer a status read either")
                                         : text});
}

// The status after a read that was not answered. Once a later transaction
// has run, the status tells of that one: the part is then asked again with
// an empty write, on its own segment.
int CommandRunner::explainingStatus(std::size_t at)
{
    const Sent silent = m_inFlight.at(at);
    // A string that went ahead is ended as an empty write: a transaction too.
    bool later = !m_ahead.isEmpty();
    for (std::size_t i = at + 1; i < m_inFlight.size(); ++i)
        later = later || m_inFlight.at(i).transaction();
    m_link->discardInput();
    if (!later)
        return readStatus();
    QByteArray ask;
    if (m_gpioSelectsBus && silent.bus >= 0 && silent.bus != m_gpio) {
        ask = SC18IM700::writeGpioCommands(quint8(silent.bus));
        m_gpio = silent.bus;
    }
    return readStatus(ask + probeCommand(quint8(silent.address)));
}

int CommandRunner::readStatus(const QByteArray& before)
{
    if (!writeOwn(before + statusReadCommand()))
        return -1;
    const QByteArray answer = m_link->read(1, m_timeoutMs);
    return answer.size() == 1 ? quint8(answer.at(0)) : -1;
}

// Every write phase into a part's non-volatile memory starts its cycle.
void CommandRunner::recordCycles(const DeviceCommand* command, const BridgeStatus::CommandShape& shape, int bus,
                                 qint64 sequence, Duration backlog, Duration endedBy)
{
    for (const BridgeStatus::CommandShape::Write& write : shape.writes) {
        const Device* const device = deviceFor(command, bus, write.address & ~ReadBit);
        const WriteCycle* const facts = device ? WriteCycle::of(device->deviceType()) : nullptr;
        if (facts && facts->startsWith(write.bytes))
            m_writing.start(placeKey(bus, write.address), facts, sequence, backlog, endedBy);
    }
}

// Once every byte written has left the host, the runner knows when each
// string in flight had reached the bridge at the latest: the bytes written
// after it took at least their line time. A write has then ended by the time
// the bridge could have run it and every string before it.
void CommandRunner::noteDrained()
{
    const Duration byte = m_link->fastestByteTime();
    const Duration drained = m_link->now() + m_link->drainUncertainty();
    qint64 after = unconfirmedBytes();
    Duration free = m_lastSeen;
    int answers = 0;
    QHash<qint64, Duration> endedBy;
    for (const Sent& sent : m_inFlight) {
        after -= sent.size;
        answers += sent.answerSize;
        free = qMax(free, drained - after * byte) + sent.busTime;
        endedBy.insert(sent.sequence, free + qMax(0, answers - TransmitFifoSize) * m_link->byteTime());
    }
    m_writing.noteEnded(endedBy);
}

// Waits until the part can be addressed with `sending` bytes, or until it is
// worth trying it (WriteCycles::waitFor()).
CommandRunner::Wait CommandRunner::waitBefore(const Cycle& cycle, int sending, bool answered)
{
    if (m_writing.over(cycle, sending))
        return Wait::None;
    // A wait puts time on the wire only once the bytes queued before it
    // have gone out; by then the write has surely ended.
    m_link->drain();
    noteDrained();
    return m_writing.waitFor(cycle, sending, answered, pollBusTime(), m_acknowledgeChecks);
}

// An empty write to a part: a start, the address byte and a stop.
CommandRunner::Duration CommandRunner::pollBusTime() const
{
    return (2 * ClocksPerCondition + ClocksPerByte) * i2cClockPeriod(m_clockDivider);
}

// Polls until the part acknowledges; false when the bridge stops answering
// or the part is still busy once the deadline has passed. The deadline is
// checked after each poll, so a host held up elsewhere never fails a part
// that is ready.
bool CommandRunner::pollUntilReady(const Cycle& cycle, int index, int address)
{
    const QByteArray poll = probeCommand(quint8(address)) + statusReadCommand();
    const int bus = currentBus();
    const Sent sent(Sent::Poll, index, poll.size(), 1, bus, address, pollBusTime());
    Duration deadline{-1};
    forever {
        m_pollStatus = -1;
        if (!makeRoom(poll.size(), 1, -1) || !send(poll, {sent}) || !receiveAll())
            return false;
        if (m_pollStatus == StatusOk) {
            m_answered.insert(placeKey(bus, address));
            return true;
        }
        if (deadline < Duration(0))
            deadline = qMin(cycle.doneBy, m_link->now()) + cycle.facts->maximum + BusyMargin;
        if (m_link->now() >= deadline)
            return fail(index, stillBusy(m_commands->at(index), cycle, bus, address));
    }
}

// "bus 1, address 0xA0 (header): still busy 30 ms after its write"
CommandRunner::Failure CommandRunner::stillBusy(const DeviceCommand* command, const Cycle& cycle, int bus,
                                                int address) const
{
    int partBus = -1;
    const QString part = partText(command, bus, address, &partBus);
    const auto busy = std::chrono::duration_cast<std::chrono::milliseconds>(m_link->now() - cycle.writtenAt);
    return {QStringLiteral("%1: still busy %2 ms after its write").arg(part).arg(busy.count()),
            StatusNackOnAddress, partBus, address};
}

// "bus 1, address 0x50 (trim): no acknowledge on the address (I2C status 0xF1)"
CommandRunner::Failure CommandRunner::statusFailure(const DeviceCommand* command, int bus, int address,
                                                    int status) const
{
    int partBus = -1;
    const QString part = partText(command, bus, address, &partBus);
    return {QStringLiteral("%1: %2 (I2C status %3)").arg(part, statusText(status), hexByte(status)),
            status, partBus, address};
}

// "bus 1, address 0x50 (trim)"; the bus where it is known. `bus` is the
// segment that was selected when the command went out.
QString CommandRunner::partText(const DeviceCommand* command, int bus, int address, int* partBus) const
{
    const int selected = m_gpioSelectsBus ? bus : -1;
    const Device* const target = deviceFor(command, selected, address);
    *partBus = target ? target->busNumber() : (m_gpioSelectsBus ? bus : 0);
    QString part = *partBus >= 0 ? QStringLiteral("bus %1, address %2").arg(*partBus).arg(hexByte(address))
                                 : QStringLiteral("address %1").arg(hexByte(address));
    if (target)
        part += QStringLiteral(" (%1)").arg(target->name());
    return part;
}

// The command's own device when it sits at the address, else the product's.
const Device* CommandRunner::deviceFor(const DeviceCommand* command, int bus, int address) const
{
    const Device* const own = command ? command->device() : nullptr;
    if (own && own->busAddress() == address)
        return own;
    return partAt(bus, address);
}

// With one segment any bus number matches; with GPIO selection only the
// selected one (none while no selection was sent).
const Device* CommandRunner::partAt(int bus, int address) const
{
    if (m_gpioSelectsBus && bus < 0)
        return nullptr;
    for (const Device* device : m_devices) {
        if (device && device->busAddress() == address && (!m_gpioSelectsBus || device->busNumber() == bus))
            return device;
    }
    return nullptr;
}
