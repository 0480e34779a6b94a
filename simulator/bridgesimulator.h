#ifndef QUELMSIM_BRIDGESIMULATOR_H
#define QUELMSIM_BRIDGESIMULATOR_H

#include "quelmsim_global.h"
#include "receiveline.h"
#include "simulatedpart.h"

#include <QtCore/QByteArray>
#include <QtCore/QHash>
#include <QtCore/QJsonObject>
#include <QtCore/QStringList>
#include <QtCore/QVarLengthArray>
#include <QtCore/QVector>

#include <memory>
#include <vector>

//! The bridge and the parts behind it, driven by the bridge's serial byte
//! stream. feed() takes the stream in any chunking and returns what the bridge
//! answers. A command takes effect only when it is complete, that is when its
//! "P" arrives: input that breaks the protocol is dropped with a note and never
//! reaches a part; unknown command characters are skipped.
//!
//! A host's test runs its product's command lists on it in process; the
//! parts are made from the product's devices, and each answer goes to its
//! command as it would from the serial port:
//! \code
//! BridgeSimulator simulator;       // one bus segment, a bridge just powered on
//! simulator.setTiming(false);      // nothing takes time: no clock to keep
//! const QList<Device*> devices = product->devices();
//! for (const Device* device : devices)
//!     simulator.addPart(device->deviceType(), device->busNumber(), device->busAddress());
//! const QList<DeviceCommand*> reads = product->readCommands();
//! for (DeviceCommand* command : reads) {
//!     QByteArray answer = simulator.feed(command->bytes());   // the whole answer, at once
//!     QCOMPARE(answer.size(), command->responseBytes());
//!     command->setRxData(answer);
//! }
//! QCOMPARE(simulator.notes(), QStringList());                 // nothing dropped or refused
//! QCOMPARE(product->device(0, 0xA0)->rxData(0, 8), QByteArray(8, '\xFF'));   // shipped erased
//! qDeleteAll(reads);
//! \endcode
//! With timing on, the host keeps the clock: it calls advanceTo() with the
//! time it sends and waits for each answer's arrival times, as the runner's
//! SimulatorLink does, on which the quick start (examples/quickstart/main.cpp)
//! runs its lists.
//!
//! The simulator keeps time, as the hardware does. Its clock stands where the
//! host put it with advanceTo(); bytes fed then arrive one after another, each
//! taking ten bit times at the bridge's rate (the host's too: a link feeds
//! only bytes the bridge understands, and follows it to a new rate). An
//! "S" transaction takes its I2C clocks at the bridge's I2C clock; answer
//! bytes leave one after another on the UART. A part whose non-volatile
//! memory was written starts its write cycle at the stop and does not
//! acknowledge its address until the cycle is over (the bridge then reports
//! 0xF1, as for a missing part). With timing off, nothing takes time.
//!
//! The UART's FIFOs (16 bytes each way, no flow control): bytes arrive in the
//! receive FIFO at the line's pace. While idle, the bridge takes each byte out
//! as it arrives, into the command it is assembling; while it runs a command
//! (from the arrival of its "P", or from the end of the command before, to
//! the end of its I2C transaction) it takes none. A byte that arrives while
//! the FIFO holds 16 is lost, with a note, and the stream the bridge parses
//! has a hole there, as on the hardware. Answers go into the transmit FIFO:
//! the bridge counts as busy until the last byte of an answer fits, that is
//! until no more than 16 of its answer bytes are still to leave the UART.
//!
//! More than 655 ms between two bytes of an unfinished command drops it, with
//! a note.
//!
//! Power-on and restarts: a new simulator is a bridge just powered on; it
//! sends "OK" at 9600 baud (takeOutput()). restart() is a reset or power cycle
//! of the whole product at now(): the bridge's registers (and so its rate)
//! and its pending input return to their power-on values, every part's
//! volatile registers are loaded as at power-up (SimulatedPart::powerCycle()),
//! non-volatile memories keep their contents, and the bridge sends "OK" again.
//! Work the bridge took before it stands: its answers have been returned.
//!
//! The simulator owns its parts and holds no link to the library's devices:
//! a host makes one part per device.
class QUELMSIM_EXPORT BridgeSimulator
{
public:
    //! How the bridge reaches more than one bus segment.
    enum class BusSelect {
        None, //!< one segment: the bus numbers of the parts are not consulted
        Gpio  //!< the GPIO port value is the number of the active segment
    };

    //! Time as the bridge's facts count it.
    using Duration = SC18IM700Protocol::Duration;

    //! A bridge just powered on, without parts, its "OK" waiting in
    //! takeOutput(); timing on.
    explicit BridgeSimulator(BusSelect busSelect = BusSelect::None);
    ~BridgeSimulator();

    //! How the bridge reaches the bus segments.
    BusSelect busSelect() const { return m_busSelect; }

    //! Adds a part of \a type (a Device::DeviceTypes value) at \a bus and
    //! \a address (bit 0 ignored), as shipped, and returns it; the simulator
    //! owns it. Null when the type has no simulated part or the place is taken.
    //! With one segment a transaction reaches the first part added at its
    //! address, whatever the bus.
    SimulatedPart* addPart(int type, int bus, quint8 address);
    //! The part at \a bus and \a address (bit 0 ignored); null when none.
    SimulatedPart* part(int bus, quint8 address) const;
    //! The part at \a bus and \a address as a \a T (DS4520Part, ...); null
    //! when there is none or it is no \a T.
    template<typename T> T* part(int bus, quint8 address) const
    {
        return dynamic_cast<T*>(part(bus, address));
    }
    //! The number of parts added.
    int partCount() const { return int(m_parts.size()); }

    //! Feeds \a bytes, sent at now() or after the bytes fed before, and
    //! returns the answer bytes of every command they complete, whenever they
    //! arrive; \a answerTimes, when given, receives when each has fully
    //! arrived at the host. A restart during the feed adds its "OK" in time
    //! order, after whatever was answered before it.
    QByteArray feed(const QByteArray& bytes, QVector<Duration>* answerTimes = nullptr);
    //! The bytes the bridge sent on its own (the "OK" of power-on and of
    //! restart()) that no feed() has returned, with when each has fully
    //! arrived at the host; each byte is returned once.
    QByteArray takeOutput(QVector<Duration>* arrivalTimes = nullptr);
    //! Drops a command that is still waiting for its end, as a reset would,
    //! with a note.
    void discardPendingInput();
    //! The bytes of the command still waiting for its end.
    int pendingInputSize() const { return m_line.pendingSize(); }

    //! A reset or power cycle now; see above.
    void restart();
    //! A fault to switch on: the bridge restarts instead of running the
    //! commandStrings-th complete command string it takes from now on (1:
    //! the next one). The string is lost, and so is whatever waits in the
    //! receive FIFO behind it: the host sees a missing answer, then "OK".
    //! Fires once; -1 (the default, or any number below 1): never.
    void setRestartAfter(int commandStrings);
    //! Which complete command string from now on the restart fault replaces
    //! (1: the next one); -1: none.
    int restartAfter() const { return m_restartAfter; }

    //! Whether bytes, transactions and write cycles take time; on by default.
    bool timing() const { return m_timing; }
    //! Off, bytes and transactions take no time and parts program their
    //! memory at once: a write starts no write cycle.
    void setTiming(bool on);
    //! Where the host is now; the clock never goes back.
    Duration now() const { return m_now; }
    //! Moves the clock to \a time; an earlier time leaves it where it is.
    void advanceTo(Duration time);
    //! When the bridge has taken the last byte fed.
    Duration inputDoneAt() const { return m_line.lineEnd(); }
    //! When the bridge will have finished every command it has taken.
    Duration busyUntil() const { return m_bridgeFree; }
    //! One byte on the UART at the present rate; zero with timing off.
    Duration byteTime() const { return m_byteTime; }
    //! One period of the I2C clock; zero with timing off.
    Duration i2cClockPeriod() const { return m_i2cClockPeriod; }

    //! Internal register \a reg (SC18IM700Protocol::Register); 0 for a number
    //! outside them.
    quint8 registerValue(int reg) const;
    //! The GPIO port, register IOState.
    quint8 gpio() const { return registerValue(SC18IM700Protocol::IOState); }
    //! The status of the last "S" transaction, register I2CStat
    //! (SC18IM700Protocol::Status).
    quint8 status() const { return registerValue(SC18IM700Protocol::I2CStat); }
    //! The UART rate the baud-rate generator gives: 7.3728 MHz / (16 + BRG),
    //! BRG being BRG1:BRG0 (9600 at power-on).
    double baudRate() const;
    //! The I2C clock: 7.3728 MHz / (2 x (I2CClkL + I2CClkH)), 0 while both are 0.
    double i2cClockHz() const;
    //! Whether the UART frames bytes sent at the host's rate: within the
    //! few percent a UART tolerates of baudRate().
    bool understands(double hostBaudRate) const;
    //! While held, every I2C transaction times out (SCL held low).
    void setBusHeld(bool held) { m_busHeld = held; }

    //! Readable notes of everything that was dropped or refused, oldest
    //! first; the last 1000 are kept.
    QStringList notes() const { return m_notes; }
    //! The notes, which are then forgotten.
    QStringList takeNotes();

    //! Bridge registers and every part's state, as JSON.
    QJsonObject saveState() const;
    //! Takes a state saveState() made; refuses (false, nothing changed) a
    //! state whose parts are not this product's.
    bool restoreState(const QJsonObject& state);

private:
    struct Placed;
    struct Phase;
    // A part a transaction reached, and the bytes of its write phase it took.
    struct Written
    {
        SimulatedPart* part;
        QByteArray bytes;
    };

    int activeBus() const;
    SimulatedPart* reachable(quint8 address) const;
    int parseCommand(QByteArray* answer);
    using Phases = QVarLengthArray<Phase, 4>;
    using Writes = QVarLengthArray<Written, 2>;
    int parseTransaction(Phases* phases) const;
    int parseRegisterRead(QByteArray* registers) const;
    int parseRegisterWrite(QByteArray* pairs) const;
    int parseFixed(int operands) const;

    void dropAfterGap(Duration firstArrival);
    void queueWhileBusy();
    bool begin(int length);
    void restartAt(Duration at);
    void send(QByteArray* out, QVector<Duration>* times, const QByteArray& bytes, Duration from);
    void answerWith(QByteArray* answer, const QByteArray& bytes);
    QByteArray runTransaction(const Phases& phases);
    bool runPhase(const Phase& phase, SimulatedPart* target, QByteArray* answer, Writes* written);
    void clock(int periods);
    void updateRates(Duration at);
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
    ReceiveLine m_line;
    // While feed() runs: the bytes the bridge has not taken yet.
    QByteArray m_input;
    QStringList m_notes;
    bool m_busHeld = false;

    int m_restartAfter = -1;
    // What the bridge sent on its own, for takeOutput().
    QByteArray m_output;
    QVector<Duration> m_outputTimes;

    // Time. m_at: where the bridge is in the command it runs; m_bridgeFree:
    // when it is done with it; m_txDone: when its last answer byte has left.
    bool m_timing = true;
    Duration m_byteTime{0};
    Duration m_i2cClockPeriod{0};
    Duration m_now{0};
    Duration m_at{0};
    Duration m_bridgeFree{0};
    Duration m_txDone{0};
    // While feed() runs: its answer and their times; whether the restart
    // fault took the place of the last command.
    bool m_restarted = false;
    QByteArray* m_answer = nullptr;
    QVector<Duration>* m_answerTimes = nullptr;
};

#endif // QUELMSIM_BRIDGESIMULATOR_H
