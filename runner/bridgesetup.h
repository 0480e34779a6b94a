#ifndef QUELMRUNNER_BRIDGESETUP_H
#define QUELMRUNNER_BRIDGESETUP_H

#include "quelmrunner_global.h"

#include <sc18im700protocol.h>

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <optional>

class Link;

// The bridge's own settings a host changes before it talks to the parts:
// the UART rate (registers BRG0, BRG1) and the I2C clock (I2CClkL, I2CClkH).
// The formulas and registers are the bridge's own (SC18IM700Protocol).
class QUELMRUNNER_EXPORT BridgeSetup
{
public:
    enum class I2CClock { Standard, Fast };

    struct ClockSetting
    {
        I2CClock clock;
        const char* name;   // as the command line spells it
        quint8 low;         // I2CClkL
        quint8 high;        // I2CClkH

        int divider() const { return low + high; }
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

    // Null for a name that is not "standard" or "fast".
    static const ClockSetting* clockSetting(const QString& name);
    static const ClockSetting& clockSetting(I2CClock clock);
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

    void setTimeout(int timeoutMs) { m_timeoutMs = timeoutMs; }
    // Writes the baud-rate registers at the link's present rate, waits until
    // the write has left the host and the bridge has taken it, moves the link
    // to the new rate and reads the registers back there. A bridge that an
    // earlier session left at the new rate is found there and kept.
    bool setBaudRate(qint32 rate);
    // Writes the clock registers and reads them back. A sum under the
    // data sheet's smallest is refused before anything is sent.
    bool setI2CClock(I2CClock clock);
    bool setI2CClock(quint8 low, quint8 high);
    QString errorString() const { return m_errorString; }

private:
    QByteArray readRegisters(const QByteArray& registers);
    bool answersAt(qint32 rate, const QByteArray& registers, const QByteArray& expected);
    bool moveBridge(qint32 rate, const QByteArray& command, const QByteArray& registers,
                    const QByteArray& expected);
    bool fail(const QString& text);

    Link* m_link;
    int m_timeoutMs = 1000;
    QString m_errorString;
};

#endif // QUELMRUNNER_BRIDGESETUP_H
