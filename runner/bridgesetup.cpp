#include "bridgesetup.h"

#include "bridgestatus.h"
#include "commandrunner.h"
#include "link.h"

#include <sc18im700.h>

#include <QtCore/QStringList>

#include <algorithm>
#include <cmath>
#include <iterator>

using namespace SC18IM700Protocol;

namespace {

// Standard is the reset setting, about 97 kHz; fast is the fastest the
// formula allows at or under the parts' 400 kHz, the sum split evenly
// between the high and the low half of SCL.
constexpr quint8 fastLow = quint8(fastestClockDivider() / 2);
constexpr quint8 fastHigh = quint8(fastestClockDivider() - fastLow);

const BridgeSetup::ClockSetting clockSettings[] = {
    {BridgeSetup::I2CClock::Standard, "standard", 0x13, 0x13},
    {BridgeSetup::I2CClock::Fast, "fast", fastLow, fastHigh},
};

// Enough characters for the write itself and the FIFOs of the bridge and of
// a USB adapter, plus a margin for the bridge to apply the new divider.
constexpr int settleCharacters = 20;
constexpr int settleMarginMs = 20;

// A USB adapter holds the bridge's few answer bytes until its latency timer
// runs out: 16 ms unless set lower (FTDI knowledge base, BRIDGE-FACTS.md).
// The margin covers a USB frame each way (1 ms, USB 2.0) and a busy host (a
// guess).
constexpr int adapterLatencyMs = 16;
constexpr int probeMarginMs = 24;
// Probes after the one that found the bridge, for its round trip.
constexpr int extraProbes = 2;

QByteArray twoBytes(char first, char second)
{
    return QByteArray(1, first) + second;
}

// A probe reads the baud-rate registers, which must give the rate it is
// sent at, and the I2C clock registers, which say how fast the bus runs.
QByteArray probeRegisters()
{
    const char registers[] = {char(BRG0), char(BRG1), char(I2CClkL), char(I2CClkH)};
    return QByteArray(registers, sizeof registers);
}

int kiloHertz(int divider)
{
    return qRound(SC18IM700Protocol::i2cClockHz(divider) / 1000);
}

// "10" or "0x0A"; nothing past 0xFF.
std::optional<quint8> registerValueOf(const QString& text)
{
    bool ok = false;
    const uint value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toUInt(&ok, 16)
                                                                                   : text.toUInt(&ok, 10);
    return ok && value <= 0xFF ? std::optional<quint8>(quint8(value)) : std::nullopt;
}

// "9600, 460800 or 19200"
QString rateList(const QList<qint32>& rates)
{
    QStringList texts;
    for (const qint32 rate : rates)
        texts.append(QString::number(rate));
    const QString last = texts.isEmpty() ? QString() : texts.takeLast();
    return texts.isEmpty() ? last : texts.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

// Two registers in one "W" string, encoded as the library encodes it.
QByteArray registerWrite(Register first, quint8 firstValue, Register second, quint8 secondValue)
{
    return SC18IM700::writeInternalRegisterCommand(twoBytes(char(first), char(firstValue))
                                                   + twoBytes(char(second), char(secondValue)));
}

} // namespace

std::optional<quint16> BridgeSetup::baudRateGenerator(qint32 rate)
{
    if (rate <= 0)
        return std::nullopt;
    const double generator = std::round(CrystalHz / rate) - BaudDividerOffset;
    if (generator < 0 || generator > 0xFFFF)
        return std::nullopt;
    if (std::abs(baudRateOf(quint16(generator)) - rate) > RateTolerance * rate)
        return std::nullopt;
    return quint16(generator);
}

QByteArray BridgeSetup::baudRateCommand(quint16 generator)
{
    return registerWrite(BRG0, quint8(generator & 0xFF), BRG1, quint8(generator >> 8));
}

int BridgeSetup::settleMs(qint32 rate)
{
    if (rate <= 0)
        return settleMarginMs;
    const int bitsMs = settleCharacters * BitsPerByte * 1000;
    return (bitsMs + rate - 1) / rate + settleMarginMs;
}

QList<qint32> BridgeSetup::searchOrder(qint32 present, qint32 likely)
{
    QList<qint32> order;
    const auto add = [&order](qint32 rate) {
        if (baudRateGenerator(rate) && !order.contains(rate))
            order.append(rate);
    };
    add(present);
    add(likely);
    add(PowerOnBaudRate);
    std::for_each(std::rbegin(StandardBaudRates), std::rend(StandardBaudRates), add);
    return order;
}

int BridgeSetup::probeTimeoutMs(qint32 rate)
{
    if (rate <= 0)
        return adapterLatencyMs + probeMarginMs;
    const int bytes = registerReadCommand(probeRegisters()).size() + probeRegisters().size();
    const int wireMs = (bytes * BitsPerByte * 1000 + rate - 1) / rate;
    return wireMs + adapterLatencyMs + probeMarginMs;
}

QString BridgeSetup::ClockSetting::text() const
{
    return QStringLiteral("%1 (%2 kHz)").arg(QLatin1String(name)).arg(kiloHertz(divider()));
}

QString BridgeSetup::ClockRegisters::text() const
{
    for (const ClockSetting& setting : clockSettings) {
        if (setting.low == low && setting.high == high)
            return setting.text();
    }
    return QStringLiteral("%1,%2 (%3 kHz)").arg(hexByte(low), hexByte(high)).arg(kiloHertz(divider()));
}

const BridgeSetup::ClockSetting* BridgeSetup::clockSetting(const QString& name)
{
    for (const ClockSetting& setting : clockSettings) {
        if (name == QLatin1String(setting.name))
            return &setting;
    }
    return nullptr;
}

const BridgeSetup::ClockSetting& BridgeSetup::clockSetting(I2CClock clock)
{
    for (const ClockSetting& setting : clockSettings) {
        if (setting.clock == clock)
            return setting;
    }
    return clockSettings[0];
}

std::optional<BridgeSetup::ClockRegisters> BridgeSetup::clockRegisters(const QString& text)
{
    if (const ClockSetting* setting = clockSetting(text))
        return setting->registers();
    const QStringList values = text.split(QLatin1Char(','));
    if (values.size() != 2)
        return std::nullopt;
    const std::optional<quint8> low = registerValueOf(values.at(0).trimmed());
    const std::optional<quint8> high = registerValueOf(values.at(1).trimmed());
    if (!low || !high)
        return std::nullopt;
    return ClockRegisters{*low, *high};
}

double BridgeSetup::i2cClockHz(quint8 low, quint8 high)
{
    return SC18IM700Protocol::i2cClockHz(low + high);
}

QString BridgeSetup::clockRangeError(quint8 low, quint8 high)
{
    if (low + high >= MinimumClockDivider)
        return QString();
    return QStringLiteral("I2C clock registers %1 and %2 add up to %3; the bridge needs at least %4 (%5 kHz)")
        .arg(hexByte(low), hexByte(high)).arg(low + high).arg(MinimumClockDivider)
        .arg(qRound(SC18IM700Protocol::i2cClockHz(MinimumClockDivider) / 1000));
}

QByteArray BridgeSetup::i2cClockCommand(I2CClock clock)
{
    const ClockSetting& setting = clockSetting(clock);
    return i2cClockCommand(setting.low, setting.high);
}

QByteArray BridgeSetup::i2cClockCommand(quint8 low, quint8 high)
{
    return registerWrite(I2CClkL, low, I2CClkH, high);
}

BridgeSetup::BridgeSetup(Link* link)
    : m_link(link), m_timeoutMs(CommandRunner::DefaultTimeoutMs)
{
}

bool BridgeSetup::fail(const QString& text)
{
    m_errorString = text;
    return false;
}

// The values of the registers, empty when the bridge does not answer in
// time; nothing when the request cannot be sent.
std::optional<QByteArray> BridgeSetup::readRegisters(const QByteArray& registers)
{
    m_link->discardInput();
    if (!m_link->write(registerReadCommand(registers)))
        return std::nullopt;
    const QByteArray answer = m_link->read(registers.size(), m_timeoutMs);
    return answer.size() == registers.size() ? answer : QByteArray();
}

// The bridge answers a probe at the link's rate when it runs at that rate.
// The round trip is the time from the request to the answer, or to the
// end of the wait, beyond the bytes' wire time.
BridgeSetup::Probe BridgeSetup::probe(Link::Duration* roundTrip)
{
    const qint32 rate = m_link->baudRate();
    const int timeoutMs = qMin(m_timeoutMs, probeTimeoutMs(rate));
    const int count = probeRegisters().size();
    const Link::Duration sent = m_link->now();
    m_link->discardInput();
    if (!m_link->write(registerReadCommand(probeRegisters())))
        return Probe::Unsent;
    QByteArray answer = m_link->read(count, timeoutMs);
    // A bridge that has just come up says "OK", which may arrive after the
    // discard. No answer starts so: BRG 0x4B4F would be 382 baud.
    if (answer.startsWith(Announcement))
        answer = answer.mid(AnnouncementSize) + m_link->read(AnnouncementSize, timeoutMs);
    const int bytes = registerReadCommand(probeRegisters()).size() + count;
    *roundTrip = std::max(Link::Duration(0), m_link->now() - sent - bytes * m_link->byteTime());
    if (answer.size() != count)
        return Probe::Silent;
    // Only a bridge at this rate frames the request, but bytes from
    // elsewhere could still look like an answer.
    const quint16 generator = quint16(quint8(answer.at(0)) | quint8(answer.at(1)) << 8);
    if (std::abs(baudRateOf(generator) - rate) > RateTolerance * rate)
        return Probe::Silent;
    m_foundClock = {quint8(answer.at(2)), quint8(answer.at(3))};
    return Probe::Answered;
}

// The mean of the first probe's round trip and those of a few more; one
// that went unanswered counts the time it waited.
void BridgeSetup::measureRoundTrip(Link::Duration first)
{
    Link::Duration sum = first;
    for (int extra = 0; extra < extraProbes; ++extra) {
        Link::Duration roundTrip{0};
        probe(&roundTrip);
        sum += roundTrip;
    }
    m_roundTrip = sum / (1 + extraProbes);
}

std::optional<qint32> BridgeSetup::findBridge(qint32 likely)
{
    m_foundAt.reset();
    if (!m_link || m_link->baudRate() <= 0) {
        fail(QStringLiteral("the link to the bridge has no baud rate to change"));
        return std::nullopt;
    }
    const qint32 present = m_link->baudRate();
    QList<qint32> tried;
    for (const qint32 rate : searchOrder(present, likely)) {
        // A port that cannot run at a rate cannot reach the bridge there.
        if (rate != m_link->baudRate() && !m_link->setBaudRate(rate))
            continue;
        tried.append(rate);
        Link::Duration roundTrip{0};
        const Probe found = probe(&roundTrip);
        if (found == Probe::Unsent) {
            fail(QStringLiteral("cannot send to the bridge: %1").arg(m_link->errorString()));
            return std::nullopt;
        }
        if (found == Probe::Silent)
            continue;
        measureRoundTrip(roundTrip);
        m_foundAt = rate;
        return rate;
    }
    m_link->setBaudRate(present);
    const QString where = m_portName.isEmpty() ? QString() : QStringLiteral(" on %1").arg(m_portName);
    fail(tried.isEmpty() ? QStringLiteral("the port%1 runs at none of the bridge's rates").arg(where)
                         : QStringLiteral("no answer from the bridge%1 at %2 baud").arg(where, rateList(tried)));
    return std::nullopt;
}

bool BridgeSetup::moveBridge(qint32 rate)
{
    const std::optional<quint16> generator = baudRateGenerator(rate);
    if (!generator)
        return fail(QStringLiteral("the bridge cannot run at %1 baud").arg(rate));
    if (!m_link || m_link->baudRate() <= 0)
        return fail(QStringLiteral("the link to the bridge has no baud rate to change"));
    const qint32 from = m_link->baudRate();
    if (!m_link->write(baudRateCommand(*generator)) || !m_link->drain())
        return fail(QStringLiteral("cannot send the baud rate: %1").arg(m_link->errorString()));
    // Bytes still on their way when the host's rate changes reach the
    // bridge garbled, and the bridge stays at the old rate.
    m_link->wait(std::chrono::milliseconds(settleMs(from)));
    if (!m_link->setBaudRate(rate))
        return fail(m_link->errorString());
    // Read back at the new rate, where the round trip is measured again.
    Link::Duration roundTrip{0};
    if (probe(&roundTrip) != Probe::Answered)
        return fail(QStringLiteral("the bridge does not answer at %1 baud after its baud-rate registers were written")
                        .arg(rate));
    measureRoundTrip(roundTrip);
    return true;
}

bool BridgeSetup::setBaudRate(qint32 rate)
{
    if (!baudRateGenerator(rate))
        return fail(QStringLiteral("the bridge cannot run at %1 baud").arg(rate));
    const std::optional<qint32> found = findBridge(rate);
    return found && (*found == rate || moveBridge(rate));
}

bool BridgeSetup::setI2CClock(I2CClock clock)
{
    const ClockSetting& setting = clockSetting(clock);
    return setI2CClock(setting.low, setting.high);
}

bool BridgeSetup::setI2CClock(quint8 low, quint8 high)
{
    const QString outOfRange = clockRangeError(low, high);
    if (!outOfRange.isEmpty())
        return fail(outOfRange);
    if (!m_link)
        return fail(QStringLiteral("no link to the bridge"));
    const std::optional<QByteArray> readBack = m_link->write(i2cClockCommand(low, high))
        ? readRegisters(twoBytes(I2CClkL, I2CClkH)) : std::nullopt;
    if (!readBack)
        return fail(QStringLiteral("cannot send the I2C clock: %1").arg(m_link->errorString()));
    const QByteArray written = twoBytes(char(low), char(high));
    if (*readBack != written)
        return fail(QStringLiteral("the bridge's I2C clock registers read %1 after writing %2")
                        .arg(readBack->isEmpty() ? QStringLiteral("nothing")
                                                 : QString::fromLatin1(readBack->toHex(' ').toUpper()),
                             QString::fromLatin1(written.toHex(' ').toUpper())));
    return true;
}
