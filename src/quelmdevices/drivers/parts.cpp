#include "parts.h"

#include "ad5144adevice.h"
#include "cat24aa02device.h"
#include "ds4520device.h"
#include "ds4520registers.h"
#include "instructions.h"
#include "isl22343device.h"
#include "x9408device.h"
#include "x95840device.h"

using namespace std::chrono_literals;

namespace {

using Addressing = WriteCycle::Addressing;
using Duration = WriteCycle::Duration;

template<typename Driver>
Device* create(const int& bus, const int& address, const QString& name)
{
    return new Driver(bus, address, name, nullptr);
}

// A line's write cycle before the line gives it its type and memory.
struct Cycle
{
    WriteCycle facts;
    bool everyByte; // every byte of the memory programs
};

// A register-addressed part whose whole memory is non-volatile.
Cycle everyByte(const Duration& typical, const Duration& maximum, const char* source)
{
    return {{Device::DeviceTypes(), typical, maximum, Addressing::Register, {}, -1, {}, source}, true};
}

Cycle registers(const Duration& typical, const Duration& maximum, const QList<WriteCycle::Range>& programs,
                const QList<WriteCycle::Range>& shadowed, const char* source)
{
    return {{Device::DeviceTypes(), typical, maximum, Addressing::Register, programs, -1, shadowed, source},
            false};
}

Cycle instructions(const Duration& typical, const Duration& maximum,
                   const QList<WriteCycle::Range>& programs, const int& operand, const char* source)
{
    return {{Device::DeviceTypes(), typical, maximum, Addressing::Instruction, programs, operand, {}, source},
            false};
}

// An instruction with every operand its low four bits can carry.
constexpr WriteCycle::Range anyOperand(const unsigned char instruction)
{
    return {instruction, quint8(instruction | 0x0F)};
}

template<typename Driver>
Part driver(const char* name, const DeviceGeometry& geometry, const PartTransactions& transactions,
            const Cycle& cycle)
{
    WriteCycle writeCycle = cycle.facts;
    writeCycle.type = geometry.type;
    if (cycle.everyByte)
        writeCycle.programs = {{0x00, quint8(geometry.memorySize - 1)}};
    return {geometry.type, QLatin1String(name), create<Driver>, geometry, transactions, writeCycle};
}

// A type that has a name and nothing else here.
Part named(const Device::DeviceTypes& type, const char* name)
{
    return {type, QLatin1String(name), nullptr, {type, 0, {0, 0, 0}, {0, 0, 0}},
            PartTransactions::registerAddressed, std::nullopt};
}

const QVector<Part>& lines()
{
    using namespace DS4520Register;
    const PartTransactions& byRegister = PartTransactions::registerAddressed;
    // driver<class>(part number, geometry {type, memory size, read pages
    // {count, size, stride}, write pages}, transactions, write cycle
    // {typical, maximum, what programs memory, ..., source}). Where a data
    // sheet states only a maximum, the simulator takes that maximum as its
    // cycle: a part must never look faster than its data sheet promises.
    static const QVector<Part> table = {
        // The bus master: the host makes it, and its pages are its own.
        named(Device::SC18IM700, "SC18IM700"),
        // Page 8, the registers, lies at 0xF0 (DS4520Device).
        driver<DS4520Device>("DS4520", {Device::DS4520, 248, {9, 8, 8}, {9, 8, 8}}, byRegister,
            registers(10ms, 20ms, {{Eeprom, EepromLast}}, {{PullUpEnable0, IoControl1}},
                "DS4520 data sheet, AC electrical characteristics: EEPROM write time tWR 10 ms typical, "
                "20 ms maximum, from the stop, for the user EEPROM 00h-3Fh and, while SEE is 0 (its "
                "default), the SRAM-shadowed pull-up and I/O control registers F0h-F3h")),
        driver<ISL22343Device>("ISL22343", {Device::ISL22343, 15, {1, 15, 0}, {15, 1, 1}}, byRegister,
            everyByte(12ms, 20ms,
                "ISL22343 data sheet, AC characteristics (the family's table, also the X95840's): "
                "non-volatile write cycle time tWC 12 ms typical, 20 ms maximum; with the access "
                "control register's VOL bit 0 (its power-on value) a wiper "
                "write also stores its initial value register, and 04h-0Eh are general-purpose EEPROM")),
        driver<X95840Device>("X95840", {Device::X95840, 4, {1, 4, 0}, {4, 1, 1}}, byRegister,
            everyByte(12ms, 20ms,
                "X95840 data sheet, AC characteristics: non-volatile write cycle time tWC 12 ms typical, "
                "20 ms maximum; with the access control register's VOL bit 0 (its power-on value) a wiper "
                "write also stores its initial value register")),
        named(Device::M25P40, "M25P40"),
        driver<CAT24AA02Device>("CAT24AA02", {Device::CAT24AA02, 256, {32, 8, 8}, {32, 8, 8}}, byRegister,
            everyByte(5ms, 5ms,
                "CAT24AA02 data sheet, AC characteristics: write cycle time tWR 5 ms maximum (no typical "
                "given); every byte and page write is programmed after its stop")),
        driver<AD5144ADevice>("AD5144A", {Device::AD5144A, 4, {4, 1, 1}, {4, 1, 1}}, ad5144aTransactions,
            instructions(15ms, 50ms, {anyOperand(AD5144AInstruction::CopyWiperToMemory)},
                AD5144AInstruction::CopyArgument,
                "AD5144A data sheet, interface timing: memory program time (copy RDAC to EEPROM, command "
                "0x70|channel with operand 0x01) 15 ms typical, 50 ms maximum")),
        // Never read: no read pages.
        driver<X9408Device>("X9408", {Device::X9408, 4, {0, 0, 0}, {4, 1, 1}}, x9408Transactions,
            instructions(5ms, 10ms,
                {anyOperand(X9408Instruction::GlobalTransferToDataRegisters),
                 anyOperand(X9408Instruction::WriteDataRegister),
                 anyOperand(X9408Instruction::TransferToDataRegister)}, -1,
                "X9408 data sheet, AC characteristics: high-voltage (non-volatile) write cycle tWR 5 ms "
                "typical, 10 ms maximum; write data register (0xC_), transfer WCR to data register (0xE_) and the "
                "global transfer (0x8_) program memory")),
    };
    return table;
}

// Inside the library the line is found here, not through the exported
// Part::of(): the command generators ask for every page they encode.
const Part* line(const int& type)
{
    const QVector<Part>& all = lines();
    return type >= 0 && type < all.size() ? &all.at(type) : nullptr;
}

} // namespace

const Part* Part::of(const int type)
{
    return line(type);
}

const QVector<Part>& Part::table()
{
    return lines();
}

const PartTransactions& PartTransactions::of(const int& type)
{
    const Part* const part = line(type);
    return part ? part->transactions : registerAddressed;
}
