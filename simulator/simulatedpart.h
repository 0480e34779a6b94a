#ifndef QUELMSIM_SIMULATEDPART_H
#define QUELMSIM_SIMULATEDPART_H

#include "quelmsim_global.h"

#include <device.h>
#include <sc18im700protocol.h>

#include <QtCore/QByteArray>
#include <QtCore/QJsonObject>

#include <memory>

// What tells one simulated part from another, one line per part type.
struct SimulatedPartFacts
{
    // A run of memory() that holds one value when the part is new.
    struct Fill
    {
        int first;
        int count;
        quint8 value;
    };

    Device::DeviceTypes type;
    int memorySize;     // bytes the part keeps (and the simulator saves)
    int pageSize;       // a write wraps inside a page of this size; 0: no pages
    int pagedEnd;       // pages cover addresses below this one only
    QList<Fill> factory; // the memory as shipped (every other byte 0)
    const char* notes;  // what the model leaves out
};

// One I2C slave behind the bridge. The bridge calls start() for every
// (repeated) start that the part acknowledged, then writeByte() for each byte
// of a write phase or readByte() for each byte of a read phase, and stop()
// at the end of the transaction.
class QUELMSIM_EXPORT SimulatedPart
{
public:
    virtual ~SimulatedPart();

    // The facts of a type, or null for a type without a simulated part.
    static const SimulatedPartFacts* facts(int type);
    static const QList<SimulatedPartFacts>& partTable();
    // Null for a type without a simulated part.
    static std::unique_ptr<SimulatedPart> create(int type);

    Device::DeviceTypes type() const { return m_facts.type; }
    const SimulatedPartFacts& facts() const { return m_facts; }
    QString typeName() const;

    using Duration = SC18IM700Protocol::Duration;

    // A part programming its non-volatile memory does not acknowledge its
    // address until the cycle is over.
    bool isBusy(Duration at) const { return m_neverDone || at < m_busyUntil; }
    Duration busyUntil() const { return m_busyUntil; }
    // Called at the stop with the bytes the part took in the transaction's
    // write phase: starts the write cycle when they program its memory.
    void programIfWritten(const QByteArray& written, Duration stop);
    // A fault to switch on: the next write cycle never ends.
    void setWriteCycleNeverEnds(bool never) { m_neverEnds = never; }
    // A part slower or faster than the typical one: its write cycles take
    // this long from now on (zero or less: the typical time again).
    void setWriteCycleTime(Duration time) { m_cycleTime = time; }

    // Power off and on again: every volatile register takes its power-on
    // value, loaded from non-volatile memory where the part does that; the
    // non-volatile memory keeps its contents. A write cycle under way is
    // over (its bytes were taken). Overrides call the base.
    virtual void powerCycle();

    virtual void start(bool read) = 0;
    // False when the part does not acknowledge the byte.
    virtual bool writeByte(quint8 byte) = 0;
    virtual quint8 readByte() = 0;
    virtual void stop() {}

    // Everything the part stores, in the order its own text describes.
    const QByteArray& memory() const { return m_memory; }
    // Refused (false, nothing changed) unless the size is the part's.
    bool setMemory(const QByteArray& memory);

    virtual QJsonObject saveState() const;
    // Refused (false, nothing changed) when the state does not fit the part.
    virtual bool restoreState(const QJsonObject& state);

protected:
    explicit SimulatedPart(const SimulatedPartFacts& facts);

    // Whether registers that the part shadows in EEPROM are written there now.
    virtual bool shadowsInEeprom() const { return true; }

    quint8 at(int index) const { return quint8(m_memory.at(index)); }
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
