#ifndef QUELMSIM_SIMULATEDPART_H
#define QUELMSIM_SIMULATEDPART_H

#include "quelmsim_global.h"

#include <device.h>

#include <QtCore/QByteArray>
#include <QtCore/QJsonObject>

#include <memory>

// What tells one simulated part from another, one line per part type.
struct SimulatedPartFacts
{
    Device::DeviceTypes type;
    int memorySize;     // bytes the part keeps (and the simulator saves)
    int pageSize;       // a write wraps inside a page of this size; 0: no pages
    int pagedEnd;       // pages cover addresses below this one only
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

    quint8 at(int index) const { return quint8(m_memory.at(index)); }
    void put(int index, quint8 value) { m_memory[index] = char(value); }

private:
    const SimulatedPartFacts& m_facts;
    QByteArray m_memory;
};

#endif // QUELMSIM_SIMULATEDPART_H
