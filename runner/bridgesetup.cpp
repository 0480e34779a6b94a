#include "bridgesetup.h"

#include "bridgestatus.h"
#include "link.h"

#include <sc18im700.h>

#include <cmath>

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

QByteArray twoBytes(char first, char second)
{
    return QByteArray(1, first) + second;
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

QString BridgeSetup::ClockSetting::text() const
{
    return QStringLiteral("%1 (%2 kHz)").arg(QLatin1String(name)).arg(qRound(SC18IM700Protocol::i2cClockHz(divider()) / 1000));
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
    : m_link(link)
{
}

bool BridgeSetup::fail(const QString& text)
{
    m_errorString = text;
    return false;
}

// The values of the registers, or nothing when the bridge does not answer.
QByteArray BridgeSetup::readRegisters(const QByteArray& registers)
{
    m_link->discardInput();
    if (!m_link->write(registerReadCommand(registers)))
        return QByteArray();
    const QByteArray answer = m_link->read(registers.size(), m_timeoutMs);
    return answer.size() == registers.size() ? answer : QByteArray();
}

bool BridgeSetup::answersAt(qint32 rate, const QByteArray& registers, const QByteArray& expected)
{
    return m_link->setBaudRate(rate) && readRegisters(registers) == expected;
}

bool BridgeSetup::setBaudRate(qint32 rate)
{
    const std::optional<quint16> generator = baudRateGenerator(rate);
    if (!generator)
        return fail(QStringLiteral("the bridge cannot run at %1 baud").arg(rate));
    if (!m_link || m_link->baudRate() <= 0)
        return fail(QStringLiteral("the link to the bridge has no baud rate to change"));
    const QByteArray registers = twoBytes(BRG0, BRG1);
    const QByteArray expected = twoBytes(char(*generator & 0xFF), char(*generator >> 8));
    if (!readRegisters(registers).isEmpty())
        return moveBridge(rate, baudRateCommand(*generator), registers, expected);
    // An earlier session may have left the bridge at the new rate.
    const qint32 from = m_link->baudRate();
    if (answersAt(rate, registers, expected))
        return true;
    m_link->setBaudRate(from);
    return fail(QStringLiteral("the bridge answers neither at %1 nor at %2 baud").arg(from).arg(rate));
}

bool BridgeSetup::moveBridge(qint32 rate, const QByteArray& command, const QByteArray& registers,
                             const QByteArray& expected)
{
    const qint32 from = m_link->baudRate();
    if (!m_link->write(command) || !m_link->drain())
        return fail(QStringLiteral("cannot send the baud rate: %1").arg(m_link->errorString()));
    // Bytes still on their way when the host's rate changes reach the
    // bridge garbled, and the bridge stays at the old rate.
    m_link->wait(std::chrono::milliseconds(settleMs(from)));
    if (!m_link->setBaudRate(rate))
        return fail(m_link->errorString());
    if (readRegisters(registers) != expected)
        return fail(QStringLiteral("the bridge does not answer at %1 baud after its baud-rate registers were written")
                        .arg(rate));
    return true;
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
    if (!m_link->write(i2cClockCommand(low, high)))
        return fail(QStringLiteral("cannot send the I2C clock: %1").arg(m_link->errorString()));
    const QByteArray written = twoBytes(char(low), char(high));
    const QByteArray readBack = readRegisters(twoBytes(I2CClkL, I2CClkH));
    if (readBack != written)
        return fail(QStringLiteral("the bridge's I2C clock registers read %1 after writing %2")
                        .arg(readBack.isEmpty() ? QStringLiteral("nothing")
                                                : QString::fromLatin1(readBack.toHex(' ').toUpper()),
                             QString::fromLatin1(written.toHex(' ').toUpper())));
    return true;
}
