#include "bridgesimulator.h"

#include <sc18im700.h>

#include <QtCore/QJsonArray>

#include <algorithm>
#include <cmath>

using namespace SC18IM700Protocol;

namespace {

// Nothing the host sends is longer than this; an unfinished command that
// grows past it is garbage, dropped a byte at a time.
constexpr int longestCommand = 4096;
constexpr int maximumNotes = 1000;

const QString busSelectKey = QStringLiteral("busSelect");
const QString registersKey = QStringLiteral("registers");
const QString partsKey = QStringLiteral("parts");
const QString typeKey = QStringLiteral("type");
const QString busKey = QStringLiteral("bus");
const QString addressKey = QStringLiteral("address");
const QString stateKey = QStringLiteral("state");

// A state file's "0xA0" (or "A0"): an 8-bit bus address with bit 0 clear, else -1.
int busAddressFromText(const QString& text)
{
    QString digits = text.trimmed();
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits.remove(0, 2);
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    return ok && !digits.isEmpty() && value <= 0xFF && (value & ReadBit) == 0 ? int(value) : -1;
}

QByteArray hexFromJson(const QJsonValue& value, int size)
{
    const QString text = value.toString();
    const QByteArray bytes = QByteArray::fromHex(text.toLatin1());
    return bytes.size() == size && text.size() == 2 * size ? bytes : QByteArray();
}

QString restartClearedNote(int bytes)
{
    return QStringLiteral("the restart cleared %1 bytes from the receive FIFO").arg(bytes);
}

qint64 placeKey(const int bus, const quint8 address)
{
    return qint64(bus) << 8 | (address & ~ReadBit);
}

} // namespace

struct BridgeSimulator::Placed
{
    int bus;
    quint8 address;
    std::unique_ptr<SimulatedPart> part;
};

struct BridgeSimulator::Phase
{
    quint8 address;
    int count;
    QByteArray data;

    bool isRead() const { return address & ReadBit; }
};

BridgeSimulator::BridgeSimulator(BusSelect busSelect)
    : m_busSelect(busSelect)
    , m_registers(powerOnRegisters())
{
    updateRates(Duration(0));
    m_line.resetByteTime(m_byteTime);
    send(&m_output, &m_outputTimes, QByteArray(Announcement, AnnouncementSize), Duration(0));
}

BridgeSimulator::~BridgeSimulator() = default;

SimulatedPart* BridgeSimulator::addPart(int type, int bus, quint8 address)
{
    if (part(bus, address))
        return nullptr;
    std::unique_ptr<SimulatedPart> created = SimulatedPart::create(type);
    if (!created)
        return nullptr;
    SimulatedPart* const added = created.get();
    const quint8 place = quint8(address & ~ReadBit);
    m_parts.push_back(std::make_unique<Placed>(Placed{bus, place, std::move(created)}));
    m_partAtPlace.insert(placeKey(bus, place), added);
    if (!m_firstPartAtAddress.contains(place))
        m_firstPartAtAddress.insert(place, added);
    return added;
}

SimulatedPart* BridgeSimulator::part(int bus, quint8 address) const
{
    return m_partAtPlace.value(placeKey(bus, address));
}

int BridgeSimulator::activeBus() const
{
    return m_busSelect == BusSelect::Gpio ? gpio() : 0;
}

// With one segment every part is reachable, whatever its bus number.
SimulatedPart* BridgeSimulator::reachable(quint8 address) const
{
    if (m_busSelect == BusSelect::None)
        return m_firstPartAtAddress.value(quint8(address & ~ReadBit));
    return part(activeBus(), address);
}

quint8 BridgeSimulator::registerValue(int reg) const
{
    return reg >= 0 && reg < m_registers.size() ? quint8(m_registers.at(reg)) : 0;
}

double BridgeSimulator::baudRate() const
{
    return baudRateOf(quint16(registerValue(BRG1) << 8 | registerValue(BRG0)));
}

double BridgeSimulator::i2cClockHz() const
{
    return SC18IM700Protocol::i2cClockHz(registerValue(I2CClkL) + registerValue(I2CClkH));
}

bool BridgeSimulator::understands(double hostBaudRate) const
{
    return std::abs(hostBaudRate - baudRate()) <= RateTolerance * baudRate();
}

void BridgeSimulator::advanceTo(Duration time)
{
    m_now = qMax(m_now, time);
}

void BridgeSimulator::setTiming(bool on)
{
    m_timing = on;
    updateRates(m_now);
    m_line.resetByteTime(m_byteTime);
}

// Every byte and clock period of a long stream needs them: they are worked
// out again only when the registers or the timing change. A host follows
// the bridge to a new rate, from `at` on.
void BridgeSimulator::updateRates(Duration at)
{
    m_byteTime = m_timing ? SC18IM700Protocol::byteTime(quint16(registerValue(BRG1) << 8 | registerValue(BRG0)))
                          : Duration(0);
    m_i2cClockPeriod = m_timing ? SC18IM700Protocol::i2cClockPeriod(registerValue(I2CClkL) + registerValue(I2CClkH))
                                : Duration(0);
    m_line.changeByteTime(m_byteTime, at);
}

// The command at the front of the input is complete, its last byte `length`
// bytes on. It runs once its last byte has arrived and the bridge has
// finished the command before. False when the restart fault takes its place.
bool BridgeSimulator::begin(int length)
{
    m_at = qMax(m_bridgeFree, m_line.arrival(length - 1));
    m_bridgeFree = m_at;
    if (m_restartAfter < 1 || --m_restartAfter > 0)
        return true;
    m_restartAfter = -1;
    m_restarted = true;
    note(QStringLiteral("restarted instead of running a \"%1\" command").arg(QLatin1Char(m_input.at(0))));
    restartAt(m_at);
    return false;
}

// The bytes that arrive while the bridge is busy wait in the receive FIFO;
// what does not fit is lost.
void BridgeSimulator::queueWhileBusy()
{
    for (ReceiveLine::Lost lost = m_line.queue(m_bridgeFree); lost.count > 0; lost = m_line.queue(m_bridgeFree))
        note(QStringLiteral("lost %1 bytes from %2: the receive FIFO was full").arg(lost.count).arg(hexByte(lost.first)));
}

// Bytes leave one after another from `from` on, or after the bytes before
// them; without timing they arrive at once.
void BridgeSimulator::send(QByteArray* out, QVector<Duration>* times, const QByteArray& bytes, Duration from)
{
    out->append(bytes);
    m_txDone = m_timing ? qMax(m_txDone, from) : from;
    for (int i = 0; times && i < bytes.size(); ++i)
        times->append(m_txDone + (i + 1) * m_byteTime);
    m_txDone += bytes.size() * m_byteTime;
}

// Answer bytes leave once the command has run. The transmit FIFO takes 16
// of them: the bridge stays busy until the last one fits.
void BridgeSimulator::answerWith(QByteArray* answer, const QByteArray& bytes)
{
    send(answer, m_answerTimes, bytes, m_bridgeFree);
    if (!bytes.isEmpty())
        m_bridgeFree = qMax(m_bridgeFree, m_txDone - TransmitFifoSize * m_byteTime);
}

void BridgeSimulator::clock(int periods)
{
    m_at += periods * m_i2cClockPeriod;
    m_bridgeFree = m_at;
}

QStringList BridgeSimulator::takeNotes()
{
    QStringList taken;
    taken.swap(m_notes);
    return taken;
}

void BridgeSimulator::note(const QString& text)
{
    if (m_notes.size() >= maximumNotes)
        m_notes.removeFirst();
    m_notes.append(text);
}

void BridgeSimulator::discardPendingInput()
{
    if (pendingInputSize() > 0)
        note(QStringLiteral("discarded %1 bytes of an unfinished command").arg(pendingInputSize()));
    m_line.discardPending();
}

QByteArray BridgeSimulator::takeOutput(QVector<Duration>* arrivalTimes)
{
    if (arrivalTimes)
        arrivalTimes->append(m_outputTimes);
    m_outputTimes.clear();
    QByteArray taken;
    taken.swap(m_output);
    return taken;
}

void BridgeSimulator::restart()
{
    discardPendingInput();
    restartAt(m_now);
}

void BridgeSimulator::setRestartAfter(int commandStrings)
{
    m_restartAfter = commandStrings >= 1 ? commandStrings : -1;
}

// Registers, rate, input and every part's volatile registers as at power-on;
// then "OK" at 9600 baud, after whatever the bridge was still sending.
void BridgeSimulator::restartAt(Duration at)
{
    m_registers = powerOnRegisters();
    updateRates(at);
    for (const std::unique_ptr<Placed>& placed : m_parts)
        placed->part->powerCycle();
    m_bridgeFree = qMax(m_bridgeFree, at);
    const QByteArray announcement(Announcement, AnnouncementSize);
    if (m_answer)
        send(m_answer, m_answerTimes, announcement, at);
    else
        send(&m_output, &m_outputTimes, announcement, at);
}

// More than 655 ms between two bytes of a command: the bridge gives up on
// it and waits for a new one.
void BridgeSimulator::dropAfterGap(Duration firstArrival)
{
    const Duration gap = firstArrival - m_line.lineEnd();
    if (pendingInputSize() == 0 || gap <= ReceiveGapTimeout)
        return;
    note(QStringLiteral("dropped %1 bytes of an unfinished command: %2 ms passed before its next byte")
             .arg(pendingInputSize())
             .arg(qRound(seconds(gap) * 1000)));
    m_line.discardPending();
}

// The parser reads the front of m_input, a view of the bytes the bridge has
// not taken. Each pass first queues what arrives while the bridge is busy,
// then lets the bridge take the next command; the unfinished one waits in
// the line for the next feed.
QByteArray BridgeSimulator::feed(const QByteArray& bytes, QVector<Duration>* answerTimes)
{
    if (bytes.isEmpty())
        return QByteArray();
    // The new bytes come behind whatever is still on the line, and not
    // before the host sent them. Without timing nothing waits.
    const Duration lineStart = m_timing ? qMax(m_line.lineEnd(), m_now)
                                        : std::max({m_line.lineEnd(), m_now, m_bridgeFree});
    dropAfterGap(lineStart + m_line.byteTimeAt(lineStart));
    if (const int cleared = m_line.open(bytes, lineStart))
        note(restartClearedNote(cleared));
    QByteArray answer;
    m_answer = &answer;
    m_answerTimes = answerTimes;
    while (!m_line.atEnd()) {
        queueWhileBusy();
        if (m_line.atEnd())
            break;
        m_input = m_line.unread();
        const Duration takenFrom = m_bridgeFree;
        int consumed = parseCommand(&answer);
        if (consumed == 0 && m_input.size() <= longestCommand)
            break;
        if (consumed == 0) {
            note(QStringLiteral("dropped %1: its command never ended").arg(hexByte(m_input.at(0))));
            consumed = 1;
        }
        m_line.take(consumed, takenFrom);
        if (m_restarted) {
            // The restart empties the FIFO: what waited behind the lost command is gone.
            if (const int cleared = m_line.clearFifo(m_at))
                note(restartClearedNote(cleared));
            m_restarted = false;
        }
    }
    m_line.close();
    m_input.clear();
    m_answer = nullptr;
    m_answerTimes = nullptr;
    return answer;
}

// Runs the command at the front of the input when it is complete. Returns
// the bytes it took, 0 while it is unfinished.
int BridgeSimulator::parseCommand(QByteArray* answer)
{
    const char command = m_input.at(0);
    int length = 0;
    switch (command) {
    case Start: {
        Phases phases;
        length = parseTransaction(&phases);
        if (length > 0 && begin(length))
            answerWith(answer, runTransaction(phases));
        break;
    }
    case ReadRegisters: {
        QByteArray registers;
        length = parseRegisterRead(&registers);
        if (length > 0 && begin(length))
            answerWith(answer, readRegisters(registers));
        break;
    }
    case WriteRegisters: {
        QByteArray pairs;
        length = parseRegisterWrite(&pairs);
        if (length > 0 && begin(length))
            writeRegisters(pairs);
        break;
    }
    case ReadGpio:
        length = parseFixed(0);
        if (length > 0 && begin(length))
            answerWith(answer, QByteArray(1, char(gpio())));
        break;
    case WriteGpio:
        length = parseFixed(1);
        if (length > 0 && begin(length))
            m_registers[IOState] = m_input.at(1);
        break;
    default:
        note(QStringLiteral("skipped %1: not a command").arg(hexByte(command)));
        return 1;
    }
    if (length < 0) {
        note(QStringLiteral("dropped a \"%1\" command: %2 came where \"S\" or \"P\" belongs")
                 .arg(QLatin1Char(command)).arg(hexByte(m_input.at(-length))));
        return -length;
    }
    return length;
}

// "S", address, count, the data of a write, then "S" again or "P".
// Positive: complete, ending with its "P"; 0: unfinished; negative: broken
// at that position, everything before it is dropped.
int BridgeSimulator::parseTransaction(Phases* phases) const
{
    int position = 0;
    forever {
        if (position + 3 > m_input.size())
            return 0;
        Phase phase{quint8(m_input.at(position + 1)), quint8(m_input.at(position + 2)), {}};
        position += 3;
        if (!phase.isRead()) {
            if (position + phase.count > m_input.size())
                return 0;
            // A view: the stream outlives the transaction.
            phase.data = QByteArray::fromRawData(m_input.constData() + position, phase.count);
            position += phase.count;
        }
        phases->append(phase);
        if (position >= m_input.size())
            return 0;
        if (m_input.at(position) == Stop)
            return position + 1;
        if (m_input.at(position) != Start)
            return -position;
    }
}

// "R", register numbers, "P".
int BridgeSimulator::parseRegisterRead(QByteArray* registers) const
{
    const int stop = m_input.indexOf(Stop, 1);
    if (stop < 0)
        return 0;
    *registers = m_input.mid(1, stop - 1);
    return stop + 1;
}

// "W", register and value pairs, "P". A value may be any byte, "P" included.
int BridgeSimulator::parseRegisterWrite(QByteArray* pairs) const
{
    for (int position = 1; position < m_input.size(); position += 2) {
        if (m_input.at(position) == Stop) {
            *pairs = m_input.mid(1, position - 1);
            return position + 1;
        }
    }
    return 0;
}

// A command character, a fixed number of operands, "P".
int BridgeSimulator::parseFixed(int operands) const
{
    const int stop = 1 + operands;
    if (stop >= m_input.size())
        return 0;
    return m_input.at(stop) == Stop ? stop + 1 : -stop;
}

// Each phase opens with a start (the first) or a repeated start; the
// transaction ends with the stop, even when a part stopped answering. A
// write into non-volatile memory starts its part's write cycle at the stop.
QByteArray BridgeSimulator::runTransaction(const Phases& phases)
{
    QByteArray answer;
    Writes written;
    for (const Phase& phase : phases) {
        clock(ClocksPerCondition);
        SimulatedPart* const target = reachable(phase.address);
        const bool acknowledged = runPhase(phase, target, &answer, &written);
        if (!acknowledged)
            break;
    }
    clock(ClocksPerCondition);
    for (const Written& write : written) {
        write.part->stop();
        if (m_timing)
            write.part->programIfWritten(write.bytes, m_at);
    }
    return answer;
}

// One start with its address and bytes; false when the bridge gives up.
// The part answers its address after the address byte's nine clocks.
bool BridgeSimulator::runPhase(const Phase& phase, SimulatedPart* target, QByteArray* answer,
                               Writes* written)
{
    if (m_busHeld) {
        m_registers[I2CStat] = char(StatusTimeOut);
        note(QStringLiteral("the bus is held: %1 timed out").arg(hexByte(phase.address)));
        return false;
    }
    clock(ClocksPerByte);
    if (!target || target->isBusy(m_at)) {
        m_registers[I2CStat] = char(StatusNackOnAddress);
        note(target ? QStringLiteral("%1 on bus %2 is busy with its write cycle").arg(hexByte(phase.address)).arg(activeBus())
                    : QStringLiteral("nobody answers %1 on bus %2").arg(hexByte(phase.address)).arg(activeBus()));
        return false;
    }
    written->append({target, QByteArray()});
    target->start(phase.isRead());
    if (phase.isRead()) {
        for (int i = 0; i < phase.count; ++i) {
            clock(ClocksPerByte);
            answer->append(char(target->readByte()));
        }
    } else {
        int taken = 0;
        while (taken < phase.data.size()) {
            clock(ClocksPerByte);
            if (!target->writeByte(quint8(phase.data.at(taken))))
                break;
            ++taken;
        }
        written->back().bytes = QByteArray::fromRawData(phase.data.constData(), taken);
        if (taken < phase.data.size()) {
            m_registers[I2CStat] = char(StatusNackOnData);
            note(QStringLiteral("%1 refused data byte %2 (%3)")
                     .arg(hexByte(phase.address)).arg(taken).arg(hexByte(phase.data.at(taken))));
            return false;
        }
    }
    m_registers[I2CStat] = char(StatusOk);
    return true;
}

QByteArray BridgeSimulator::readRegisters(const QByteArray& registers)
{
    QByteArray answer;
    for (const char reg : registers) {
        if (quint8(reg) < InternalRegisterCount)
            answer.append(m_registers.at(quint8(reg)));
        else
            note(QStringLiteral("register %1 does not exist").arg(hexByte(reg)));
    }
    return answer;
}

void BridgeSimulator::writeRegisters(const QByteArray& pairs)
{
    for (int i = 0; i + 1 < pairs.size(); i += 2) {
        const quint8 reg = quint8(pairs.at(i));
        if (reg >= I2CStat)
            note(QStringLiteral("register %1 cannot be written").arg(hexByte(reg)));
        else
            m_registers[reg] = pairs.at(i + 1);
    }
    updateRates(m_at);
    if (registerValue(I2CClkL) + registerValue(I2CClkH) < MinimumClockDivider)
        note(QStringLiteral("I2C clock registers %1 and %2 add up to less than %3")
                 .arg(hexByte(registerValue(I2CClkL)), hexByte(registerValue(I2CClkH))).arg(MinimumClockDivider));
}

QJsonObject BridgeSimulator::saveState() const
{
    QJsonArray parts;
    for (const std::unique_ptr<Placed>& placed : m_parts) {
        parts.append(QJsonObject{{typeKey, placed->part->typeName()},
                                 {busKey, placed->bus},
                                 {addressKey, hexByte(placed->address)},
                                 {stateKey, placed->part->saveState()}});
    }
    return {{busSelectKey, m_busSelect == BusSelect::Gpio ? QStringLiteral("gpio") : QStringLiteral("none")},
            {registersKey, QString::fromLatin1(m_registers.toHex().toUpper())},
            {partsKey, parts}};
}

bool BridgeSimulator::restoreState(const QJsonObject& state)
{
    const QByteArray registers = hexFromJson(state.value(registersKey), InternalRegisterCount);
    const QJsonArray parts = state.value(partsKey).toArray();
    if (registers.isEmpty() || parts.size() != partCount())
        return false;
    const QJsonObject before = saveState();
    for (const QJsonValue& value : parts) {
        const QJsonObject saved = value.toObject();
        const int address = busAddressFromText(saved.value(addressKey).toString());
        SimulatedPart* const target = address < 0 ? nullptr : part(saved.value(busKey).toInt(-1), quint8(address));
        if (!target || target->typeName() != saved.value(typeKey).toString()
            || !target->restoreState(saved.value(stateKey).toObject())) {
            restoreState(before);
            return false;
        }
    }
    m_registers = registers;
    updateRates(m_now);
    return true;
}
