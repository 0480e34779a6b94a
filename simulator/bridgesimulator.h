#ifndef QUELMSIM_BRIDGESIMULATOR_H
#define QUELMSIM_BRIDGESIMULATOR_H

#include "quelmsim_global.h"
#include "simulatedpart.h"

#include <QtCore/QByteArray>
#include <QtCore/QHash>
#include <QtCore/QJsonObject>
#include <QtCore/QStringList>

#include <memory>
#include <vector>

// The bridge and the parts behind it, driven by the bridge's serial byte
// stream. feed() takes the stream in any chunking and returns what the bridge
// answers. A command takes effect only when it is complete, that is when its
// "P" arrives: input that breaks the protocol is dropped with a note and never
// reaches a part.
class QUELMSIM_EXPORT BridgeSimulator
{
public:
    // How the bridge reaches more than one bus segment.
    enum class BusSelect {
        None, // one segment: the bus numbers of the parts are not consulted
        Gpio  // the GPIO port value is the number of the active segment
    };

    // The bridge's internal registers.
    enum Register {
        BRG0 = 0x00, BRG1, PortConf1, PortConf2, IOState, Reserved,
        I2CAdr, I2CClkL, I2CClkH, I2CTO, I2CStat
    };
    // I2CStat values.
    enum Status : quint8 {
        StatusOk = 0xF0,
        StatusNackOnAddress = 0xF1,
        StatusNackOnData = 0xF2,
        StatusTimeOut = 0xF8
    };

    explicit BridgeSimulator(BusSelect busSelect = BusSelect::None);
    ~BridgeSimulator();

    // Loads a product description: {"busSelect": "gpio" | "none", "boards":
    // [{"title": ..., "devices": [{"type", "bus", "address", "name"}]}]}.
    // Null, with the reason in error, when the description is not usable.
    static std::unique_ptr<BridgeSimulator> fromDescription(const QByteArray& json, QString* error);
    static std::unique_ptr<BridgeSimulator> fromDescriptionFile(const QString& fileName, QString* error);

    BusSelect busSelect() const { return m_busSelect; }

    // Null when the type has no simulated part or the place is taken.
    SimulatedPart* addPart(int type, int bus, quint8 address);
    SimulatedPart* part(int bus, quint8 address) const;
    template<typename T> T* part(int bus, quint8 address) const
    {
        return dynamic_cast<T*>(part(bus, address));
    }
    int partCount() const { return int(m_parts.size()); }

    QByteArray feed(const QByteArray& bytes);
    // Drops a command that is still waiting for its end, as a reset would.
    void discardPendingInput();
    int pendingInputSize() const { return m_input.size(); }

    quint8 registerValue(int reg) const;
    quint8 gpio() const { return registerValue(IOState); }
    quint8 status() const { return registerValue(I2CStat); }
    // The UART rate the baud-rate generator gives: 7.3728 MHz / (16 + BRG),
    // BRG being BRG1:BRG0 (9600 at power-on).
    double baudRate() const;
    // The I2C clock: 15 MHz / (8 x (I2CClkL + I2CClkH)), 0 while both are 0.
    double i2cClockHz() const;
    // Whether the UART frames bytes sent at the host's rate: within the
    // few percent a UART tolerates of baudRate().
    bool understands(double hostBaudRate) const;
    // While held, every I2C transaction times out (SCL held low).
    void setBusHeld(bool held) { m_busHeld = held; }

    // Readable notes of everything that was dropped or refused, oldest first.
    QStringList notes() const { return m_notes; }
    QStringList takeNotes();

    // Bridge registers and every part's state; restore refuses (false,
    // nothing changed) a state whose parts are not this product's.
    QJsonObject saveState() const;
    bool restoreState(const QJsonObject& state);
    bool saveStateFile(const QString& fileName) const;
    bool restoreStateFile(const QString& fileName);

private:
    struct Placed;
    struct Phase;

    int activeBus() const;
    SimulatedPart* reachable(quint8 address) const;
    int parseCommand(QByteArray* answer);
    int parseTransaction(QList<Phase>* phases) const;
    int parseRegisterRead(QByteArray* registers) const;
    int parseRegisterWrite(QByteArray* pairs) const;
    int parseFixed(int operands) const;

    QByteArray runTransaction(const QList<Phase>& phases);
    bool runPhase(const Phase& phase, SimulatedPart* target, QByteArray* answer);
    QByteArray readRegisters(const QByteArray& registers);
    void writeRegisters(const QByteArray& pairs);
    void note(const QString& text);

    BusSelect m_busSelect;
    std::vector<std::unique_ptr<Placed>> m_parts;
    // Every transaction looks its part up: by place (bus << 8 | address), and
    // with one segment the first part added at the address.
    QHash<qint64, SimulatedPart*> m_partAtPlace;
    QHash<quint8, SimulatedPart*> m_firstPartAtAddress;
    QByteArray m_registers;
    QByteArray m_input;
    QStringList m_notes;
    bool m_busHeld = false;
};

#endif // QUELMSIM_BRIDGESIMULATOR_H
