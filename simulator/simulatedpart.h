#ifndef QUELMSIM_SIMULATEDPART_H
#define QUELMSIM_SIMULATEDPART_H

#include "quelmsim_global.h"

#include <quelmdevices/device.h>
#include <quelmdevices/sc18im700protocol.h>

#include <QtCore/QByteArray>
#include <QtCore/QJsonObject>

#include <memory>

//! What tells one simulated part from another, one line per part type
//! (SimulatedPart::partTable()). The pages and the write cycle come from the
//! library's part table, as the drivers have them; these are what the part
//! adds on the wire: the memory it keeps, where a write wraps, and what it
//! holds as shipped, from the data sheets.
struct SimulatedPartFacts
{
    //! A run of memory() that holds one value when the part is new.
    struct Fill
    {
        int first;     //!< the run's first byte in memory()
        int count;     //!< its length
        quint8 value;  //!< the value every byte of it holds
    };

    Device::DeviceTypes type; //!< the part type
    int memorySize;     //!< bytes the part keeps (and the simulator saves)
    int pageSize;       //!< a write wraps inside a page of this size; 0: no pages
    int pagedEnd;       //!< pages cover addresses below this one only
    QList<Fill> factory; //!< the memory as shipped (every other byte 0)
    const char* notes;  //!< what the model leaves out
};

//! One I2C slave behind the bridge, as BridgeSimulator::addPart() makes it;
//! the simulator owns it. The bridge calls start() for every (repeated)
//! start that the part acknowledged, then writeByte() for each byte of a
//! write phase or readByte() for each byte of a read phase, and stop() at
//! the end of the transaction.
//!
//! memory() is everything the part stores, its registers and its
//! non-volatile copies; it begins as the part ships (SimulatedPartFacts::factory).
//! A test looks at it, or sets it, through BridgeSimulator::part():
//! \code
//! SimulatedPart* eeprom = simulator.part(0, 0xA0);
//! QCOMPARE(eeprom->memory().mid(0x10, 4), QByteArray::fromHex("51450001"));
//! \endcode
class QUELMSIM_EXPORT SimulatedPart
{
public:
    virtual ~SimulatedPart();

    //! The facts of a type, or null for a type without a simulated part.
    static const SimulatedPartFacts* facts(int type);
    //! Every line, one per part type with a driver, in type order.
    static const QList<SimulatedPartFacts>& partTable();
    //! A new part of \a type, as shipped; null for a type without a
    //! simulated part (the bridge, the M25P40, a number outside the table).
    static std::unique_ptr<SimulatedPart> create(int type);

    //! The part type.
    Device::DeviceTypes type() const { return m_facts.type; }
    //! The part's line of facts.
    const SimulatedPartFacts& facts() const { return m_facts; }
    //! The part number, Device::deviceName() of the type.
    QString typeName() const;

    //! Time as the bridge's facts count it.
    using Duration = SC18IM700Protocol::Duration;

    //! Whether the part is still programming its non-volatile memory at
    //! \a at; it does not acknowledge its address until the cycle is over.
    bool isBusy(Duration at) const { return m_neverDone || at < m_busyUntil; }
    //! When the last write cycle ends, or ended; 0 before the first and after
    //! powerCycle().
    Duration busyUntil() const { return m_busyUntil; }
    //! Called at the stop with the bytes the part took in the transaction's
    //! write phase: starts the write cycle when they program its memory
    //! (WriteCycle::startsWith()), for the typical time or the one
    //! setWriteCycleTime() gave.
    void programIfWritten(const QByteArray& written, Duration stop);
    //! A fault to switch on: while set, a write cycle that starts never ends,
    //! and the part stays busy until powerCycle(). Clearing it does not end a
    //! cycle already started.
    void setWriteCycleNeverEnds(bool never) { m_neverEnds = never; }
    //! A part slower or faster than the typical one: its write cycles take
    //! \a time from now on (zero or less: the typical time again).
    void setWriteCycleTime(Duration time) { m_cycleTime = time; }

    //! Power off and on again: every volatile register takes its power-on
    //! value, loaded from non-volatile memory where the part does that; the
    //! non-volatile memory keeps its contents. A write cycle under way is
    //! over (its bytes were taken). Overrides call the base.
    virtual void powerCycle();

    //! A start, or repeated start, that the part acknowledged; \a read for a
    //! read phase.
    virtual void start(bool read) = 0;
    //! One byte of a write phase; false when the part does not acknowledge it.
    virtual bool writeByte(quint8 byte) = 0;
    //! One byte of a read phase.
    virtual quint8 readByte() = 0;
    //! The stop that ends the transaction; nothing here.
    virtual void stop() {}

    //! Everything the part stores, in the order its own text describes
    //! (SimulatedPartFacts::notes).
    const QByteArray& memory() const { return m_memory; }
    //! Replaces memory(); refused (false, nothing changed) unless the size
    //! is the part's.
    bool setMemory(const QByteArray& memory);

    //! The part's state for a state file: its memory as hex, and what a kind
    //! of part adds (a register part's pointer, the DS4520's pins and EEPROM
    //! copies).
    virtual QJsonObject saveState() const;
    //! Takes a state saveState() made; refused (false, nothing changed) when
    //! the state does not fit the part.
    virtual bool restoreState(const QJsonObject& state);

protected:
    //! A part of the line \a facts (not copied: a line of partTable()), its
    //! memory as shipped.
    explicit SimulatedPart(const SimulatedPartFacts& facts);

    //! Whether registers that the part shadows in EEPROM are written there now.
    virtual bool shadowsInEeprom() const { return true; }

    //! The byte at \a index of memory().
    quint8 at(int index) const { return quint8(m_memory.at(index)); }
    //! Sets the byte at \a index of memory().
    void put(int index, quint8 value) { m_memory[index] = char(value); }

private:
    const SimulatedPartFacts& m_facts;
    QByteArray m_memory;
    Duration m_busyUntil{0};
    Duration m_cycleTime{0};
    bool m_neverEnds = false;
    bool m_neverDone = false;
};

#endif // QUELMSIM_SIMULATEDPART_H
