#ifndef QUELMRUNNER_BRIDGESETUP_H
#define QUELMRUNNER_BRIDGESETUP_H

#include "quelmrunner_global.h"

#include <sc18im700protocol.h>

#include "link.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QString>

#include <optional>

// The bridge's own settings a host changes before it talks to the parts:
// the UART rate (registers BRG0, BRG1) and the I2C clock (I2CClkL, I2CClkH).
// The formulas and registers are the bridge's own (SC18IM700Protocol).
//
// The bridge keeps the rate it was given until its power is cut, so a host
// first finds it: findBridge() asks for its registers at each rate it can
// run at until it answers there.
class QUELMRUNNER_EXPORT BridgeSetup
{
public:
    enum class I2CClock { Standard, Fast };

    // I2CClkL and I2CClkH.
    struct ClockRegisters
    {
        quint8 low;
        quint8 high;

        int divider() const { return low + high; }
        // "fast (369 kHz)" for a named setting's registers, else "0x0A,0x0A (184 kHz)".
        QString text() const;
    };

    struct ClockSetting
    {
        I2CClock clock;
        const char* name;   // as the command line spells it
        quint8 low;         // I2CClkL
        quint8 high;        // I2CClkH

        int divider() const { return low + high; }
        ClockRegisters registers() const { return {low, high}; }
        // "standard (97 kHz)"
        QString text() const;
    };

    static constexpr qint32 PowerOnBaudRate = SC18IM700Protocol::PowerOnBaudRate;

    // BRG = 7.3728 MHz / rate - 16, rounded; none when the generator cannot
    // come within 2 % of the rate.
    static std::optional<quint16> baudRateGenerator(qint32 rate);
    static constexpr double baudRateOf(quint16 generator) { return SC18IM700Protocol::baudRateOf(generator); }
    // "W", 0x00, BRG0, 0x01, BRG1, "P"
    static QByteArray baudRateCommand(quint16 generator);
    // How long the bridge gets, after the last byte left the host at rate,
    // before the host may change its own rate.
    static int settleMs(qint32 rate);
    // The rates findBridge() tries, in order: the link's present rate when
    // the bridge can run at it, then likely (the rate a host is about to
    // ask for), the power-on rate and the other standard rates fastest
    // first: a miss costs one probe's timeout, shortest at the fast rates,
    // and a bridge that was moved was most likely moved up.
    static QList<qint32> searchOrder(qint32 present, qint32 likely = 0);
    // How long a probe at rate waits for its answer: the bytes' wire time
    // and a USB adapter's default latency timer, with a margin.
    static int probeTimeoutMs(qint32 rate);

    // Null for a name that is not "standard" or "fast".
    static const ClockSetting* clockSetting(const QString& name);
    static const ClockSetting& clockSetting(I2CClock clock);
    // The registers "standard", "fast" or "L,H" name (I2CClkL and I2CClkH,
    // each 0 to 255, decimal or hex with 0x); nothing for any other text.
    // Whether the bridge can run them is clockRangeError()'s to say.
    static std::optional<ClockRegisters> clockRegisters(const QString& text);
    // 7.3728 MHz / (2 x (I2CClkL + I2CClkH)); 0 while both are 0.
    static double i2cClockHz(quint8 low, quint8 high);
    // Why the bridge cannot run its I2C clock from these registers (their
    // sum is under the data sheet's 10); empty when it can.
    static QString clockRangeError(quint8 low, quint8 high);
    // "W", 0x07, I2CClkL, 0x08, I2CClkH, "P"
    static QByteArray i2cClockCommand(I2CClock clock);
    static QByteArray i2cClockCommand(quint8 low, quint8 high);

    // The link is not owned and must outlive the setup.
    explicit BridgeSetup(Link* link);

    // The longest any answer may take; probes wait less (probeTimeoutMs()).
    void setTimeout(int timeoutMs) { m_timeoutMs = timeoutMs; }
    // Where the link goes, for messages ("/dev/ttyUSB0"); empty for none.
    void setPortName(const QString& name) { m_portName = name; }

    // Reads BRG0, BRG1, I2CClkL and I2CClkH at each rate of searchOrder()
    // until the bridge answers with baud-rate registers that give that rate,
    // input that was waiting thrown away before each probe. Leaves the link
    // at the rate found and returns it; nothing, with errorString() naming
    // the rates tried, when the bridge answers at none.
    std::optional<qint32> findBridge(qint32 likely = 0);
    // Once found: the rate, the I2C clock registers as they were, and how
    // long an answer took to come back beyond the bytes' wire time (the mean
    // of three probes: a USB adapter's latency timer holds each answer for
    // anything up to its period).
    std::optional<qint32> foundAt() const { return m_foundAt; }
    ClockRegisters foundClock() const { return m_foundClock; }
    Link::Duration roundTrip() const { return m_roundTrip; }
    // Moves the bridge, found at the link's present rate, to rate: writes
    // its baud-rate registers, waits until the write has left the host and
    // the bridge has taken it, moves the link to the new rate and reads the
    // registers back there, timing the round trip again. A rate the bridge
    // cannot make is refused before anything is sent.
    bool moveBridge(qint32 rate);
    // Finds the bridge (trying rate early) and moves it to rate.
    bool setBaudRate(qint32 rate);
    // Writes the clock registers and reads them back. A sum under the
    // data sheet's smallest is refused before anything is sent.
    bool setI2CClock(I2CClock clock);
    bool setI2CClock(quint8 low, quint8 high);
    QString errorString() const { return m_errorString; }

private:
    enum class Probe { Answered, Silent, Unsent };

    std::optional<QByteArray> readRegisters(const QByteArray& registers);
    Probe probe(Link::Duration* roundTrip);
    void measureRoundTrip(Link::Duration first);
    bool fail(const QString& text);

    Link* m_link;
    int m_timeoutMs; // CommandRunner::DefaultTimeoutMs until set
    QString m_portName;
    std::optional<qint32> m_foundAt;
    ClockRegisters m_foundClock{0, 0};
    Link::Duration m_roundTrip{0};
    QString m_errorString;
};

#endif // QUELMRUNNER_BRIDGESETUP_H
