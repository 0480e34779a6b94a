#include "simulatedpart.h"

#include "commandpart.h"
#include "registerpart.h"

namespace {

// type, memory size, page size, pages below, what the model leaves out
const QList<SimulatedPartFacts> partTable = {
    {Device::DS4520, 256, 8, 0x40,
     "EEPROM 0x00-0x3F in 8-byte pages, registers 0xF0-0xF7, I/O status 0xF8-0xF9 read-only "
     "from the pins, SRAM 0xFA-0xFF; 0x40-0xEF kept as plain bytes; no EEPROM shadowing of 0xF0-0xF4"},
    {Device::ISL22343, 16, 0, 0,
     "wiper registers 0x00-0x03, general-purpose EEPROM 0x04-0x0E, 0x0F spare; "
     "no access control register, pointers past 0x0F are refused"},
    {Device::X95840, 8, 0, 0,
     "wiper registers 0x00-0x03, 0x04-0x07 kept as plain bytes; no access control register"},
    {Device::CAT24AA02, 256, 8, 256,
     "256 bytes in 8-byte pages; no write cycle time"},
    {Device::AD5144A, 8, 0, 0,
     "RDAC1-RDAC4 and their EEPROM copies; commands other than write, read back and copy are refused"},
    {Device::X9408, 20, 0, 0,
     "WCR0-WCR3 with 64 taps and four data registers per pot; no increment/decrement"},
};

} // namespace

SimulatedPart::SimulatedPart(const SimulatedPartFacts& facts)
    : m_facts(facts)
    , m_memory(facts.memorySize, '\0')
{
}

SimulatedPart::~SimulatedPart() = default;

const QList<SimulatedPartFacts>& SimulatedPart::partTable()
{
    return ::partTable;
}

const SimulatedPartFacts* SimulatedPart::facts(int type)
{
    for (const SimulatedPartFacts& facts : ::partTable) {
        if (facts.type == type)
            return &facts;
    }
    return nullptr;
}

std::unique_ptr<SimulatedPart> SimulatedPart::create(int type)
{
    switch (type) {
    case Device::DS4520:
        return std::make_unique<DS4520Part>();
    case Device::X9408:
        return std::make_unique<X9408Part>();
    case Device::AD5144A:
        return std::make_unique<AD5144APart>();
    default:
        break;
    }
    const SimulatedPartFacts* const found = facts(type);
    return found ? std::make_unique<RegisterPart>(*found) : nullptr;
}

QString SimulatedPart::typeName() const
{
    return Device::deviceName(m_facts.type);
}

bool SimulatedPart::setMemory(const QByteArray& memory)
{
    if (memory.size() != m_memory.size())
        return false;
    m_memory = memory;
    return true;
}

QJsonObject SimulatedPart::saveState() const
{
    return {{QStringLiteral("memory"), QString::fromLatin1(m_memory.toHex().toUpper())}};
}

bool SimulatedPart::restoreState(const QJsonObject& state)
{
    const QString text = state.value(QStringLiteral("memory")).toString();
    const QByteArray memory = QByteArray::fromHex(text.toLatin1());
    // fromHex skips what is not hex: a text of the wrong length is refused.
    if (text.size() != 2 * memory.size())
        return false;
    return setMemory(memory);
}
