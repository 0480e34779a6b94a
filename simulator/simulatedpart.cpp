#include "simulatedpart.h"

#include "commandpart.h"
#include "registerpart.h"

#include <ds4520registers.h>
#include <parts.h>
#include <writecycle.h>

namespace {

using Fill = SimulatedPartFacts::Fill;

// A part whose EEPROM takes writes in the pages its driver writes (the
// write pages of its line): below pagedEnd a write wraps inside its page.
SimulatedPartFacts paged(const Device::DeviceTypes type, const int memorySize, const int pagedEnd,
                         const QList<Fill>& factory, const char* notes)
{
    return {type, memorySize, Part::of(type)->geometry.write.size, pagedEnd, factory, notes};
}

// A part without pages: the pointer wraps at the end of its memory.
SimulatedPartFacts unpaged(const Device::DeviceTypes type, const int memorySize, const QList<Fill>& factory,
                           const char* notes)
{
    return {type, memorySize, 0, 0, factory, notes};
}

// The EEPROM keeps exactly the driver's image.
const int cat24aa02Memory = Part::of(Device::CAT24AA02)->geometry.memorySize;

// What each part adds to its line (parts.cpp, which holds its pages and its
// write cycle): the memory it keeps, where a write wraps, the memory as
// shipped and what the model leaves out. The shipped contents are the data
// sheets' power-on and factory values (the source of each is named beside it).
const QList<SimulatedPartFacts> partTable = {
    // DS4520 data sheet: SEE (F4h bit 0) is 0 by default. Its factory EEPROM
    // contents are not stated there: taken as erased (FFh), as EEPROM ships,
    // with the pull-ups off (F0h-F1h 00h) and the I/O pull-downs off (F2h FFh,
    // F3h bit 0 set), so that every pin floats high like a part just fitted.
    // Power-up (DS4520Part::powerCycle): F0h-F3h come from their EEPROM
    // copies, F4h is 00h (SEE 0), the SRAM FAh-FFh is 00h.
    paged(Device::DS4520, 256, DS4520Register::EepromLast + 1,
          {{DS4520Register::Eeprom, DS4520Register::EepromLast + 1, 0xFF}, {DS4520Register::IoControl0, 1, 0xFF},
           {DS4520Register::IoControl1, 1, 0x01}},
          "EEPROM 0x00-0x3F in 8-byte pages, registers 0xF0-0xF7, I/O status 0xF8-0xF9 read-only "
          "from the pins, SRAM 0xFA-0xFF; 0x40-0xEF kept as plain bytes; 0xF0-0xF3 are EEPROM "
          "while the SEE bit of 0xF4 is clear"),
    // ISL22343 data sheet: each wiper is loaded from its initial value register
    // at power-on; shipped at mid-scale (40h of 128 taps). With VOL 0, the
    // only setting modelled, a wiper write also stores its initial value
    // register: the one byte kept per wiper is both, and power-up leaves it.
    unpaged(Device::ISL22343, 16, {{0x00, 4, 0x40}},
            "wiper registers 0x00-0x03, general-purpose EEPROM 0x04-0x0E, 0x0F spare; "
            "no access control register, pointers past 0x0F are refused"),
    // X95840 data sheet: "all four WRs are reset to 80h" at power-up, then
    // loaded from their initial value registers, shipped at the same 80h. As
    // for the ISL22343, a wiper write with VOL 0 stores both: power-up leaves
    // the byte kept per wiper.
    unpaged(Device::X95840, 8, {{0x00, 4, 0x80}},
            "wiper registers 0x00-0x03, 0x04-0x07 kept as plain bytes; no access control register"),
    // CAT24AA02 data sheet: shipped erased, every byte FFh; all of it is
    // EEPROM, so power-up changes nothing but the address pointer.
    paged(Device::CAT24AA02, cat24aa02Memory, cat24aa02Memory, {{0x00, cat24aa02Memory, 0xFF}},
          "256 bytes in 8-byte pages"),
    // AD5144A data sheet: the RDACs are restored from EEPROM at power-on
    // (AD5144APart::powerCycle); the EEPROM is shipped at mid-scale (80h of
    // 256 taps).
    unpaged(Device::AD5144A, 8, {{0x00, 8, 0x80}},
            "RDAC1-RDAC4 and their EEPROM copies; commands other than write, read back and copy are refused"),
    // X9408 data sheet: "The Wiper Counter Register is loaded on power-up by
    // the value in Data Register 0" (X9408Part::powerCycle); the data
    // registers are taken as shipped at mid-scale (20h of 64 taps).
    unpaged(Device::X9408, 20, {{0x00, 20, 0x20}},
            "WCR0-WCR3 with 64 taps and four data registers per pot; no increment/decrement"),
};
} // namespace

SimulatedPart::SimulatedPart(const SimulatedPartFacts& facts)
    : m_facts(facts)
    , m_memory(facts.memorySize, '\0')
{
    for (const SimulatedPartFacts::Fill& fill : facts.factory)
        m_memory.replace(fill.first, fill.count, QByteArray(fill.count, char(fill.value)));
}

void SimulatedPart::programIfWritten(const QByteArray& written, Duration stop)
{
    const WriteCycle* const cycle = WriteCycle::of(type());
    if (!cycle || !cycle->startsWith(written, shadowsInEeprom()))
        return;
    m_busyUntil = stop + (m_cycleTime > Duration(0) ? m_cycleTime : Duration(cycle->typical));
    m_neverDone = m_neverDone || m_neverEnds;
}

SimulatedPart::~SimulatedPart() = default;

void SimulatedPart::powerCycle()
{
    m_busyUntil = Duration(0);
    m_neverDone = false;
}

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
