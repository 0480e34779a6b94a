#include "writecycle.h"

#include "ds4520registers.h"
#include "instructions.h"

using namespace std::chrono_literals;

namespace {

using Addressing = WriteCycle::Addressing;

// An instruction with every operand its low four bits can carry.
constexpr WriteCycle::Range anyOperand(const unsigned char instruction)
{
    return {instruction, quint8(instruction | 0x0F)};
}

// type, typical, maximum, addressing, what programs memory, operand,
// shadowed registers, source. Where a data sheet states only a maximum, the
// simulator takes that maximum as its cycle: a part must never look faster
// than its data sheet promises.
const QList<WriteCycle> writeCycles = {
    {Device::DS4520, 10ms, 20ms, Addressing::Register,
     {{DS4520Register::Eeprom, DS4520Register::EepromLast}}, -1,
     {{DS4520Register::PullUpEnable0, DS4520Register::IoControl1}},
     "DS4520 data sheet, AC electrical characteristics: EEPROM write time tWR 10 ms typical, "
     "20 ms maximum, from the stop, for the user EEPROM 00h-3Fh and, while SEE is 0 (its "
     "default), the SRAM-shadowed pull-up and I/O control registers F0h-F3h"},
    {Device::ISL22343, 12ms, 20ms, Addressing::Register, {{0x00, 0x0E}}, -1, {},
     "ISL22343 data sheet, AC characteristics (the family's table, also the X95840's): "
     "non-volatile write cycle time tWC 12 ms typical, 20 ms maximum; with the access control register's VOL bit 0 (its power-on value) a wiper "
     "write also stores its initial value register, and 04h-0Eh are general-purpose EEPROM"},
    {Device::X95840, 12ms, 20ms, Addressing::Register, {{0x00, 0x03}}, -1, {},
     "X95840 data sheet, AC characteristics: non-volatile write cycle time tWC 12 ms typical, "
     "20 ms maximum; with the access control register's VOL bit 0 (its power-on value) a wiper "
     "write also stores its initial value register"},
    {Device::CAT24AA02, 5ms, 5ms, Addressing::Register, {{0x00, 0xFF}}, -1, {},
     "CAT24AA02 data sheet, AC characteristics: write cycle time tWR 5 ms maximum (no typical "
     "given); every byte and page write is programmed after its stop"},
    {Device::AD5144A, 15ms, 50ms, Addressing::Instruction,
     {anyOperand(AD5144AInstruction::CopyWiperToMemory)}, AD5144AInstruction::CopyArgument, {},
     "AD5144A data sheet, interface timing: memory program time (copy RDAC to EEPROM, command "
     "0x70|channel with operand 0x01) 15 ms typical, 50 ms maximum"},
    {Device::X9408, 5ms, 10ms, Addressing::Instruction,
     {anyOperand(X9408Instruction::GlobalTransferToDataRegisters),
      anyOperand(X9408Instruction::WriteDataRegister),
      anyOperand(X9408Instruction::TransferToDataRegister)}, -1, {},
     "X9408 data sheet, AC characteristics: high-voltage (non-volatile) write cycle tWR 5 ms "
     "typical, 10 ms maximum; write data register (0xC_), transfer WCR to data register (0xE_) and the "
     "global transfer (0x8_) program memory"},
};

bool inRanges(const QList<WriteCycle::Range>& ranges, int value)
{
    for (const WriteCycle::Range& range : ranges) {
        if (range.contains(value))
            return true;
    }
    return false;
}

} // namespace

const QList<WriteCycle>& WriteCycle::table()
{
    return writeCycles;
}

const WriteCycle* WriteCycle::of(int type)
{
    for (const WriteCycle& cycle : writeCycles) {
        if (cycle.type == type)
            return &cycle;
    }
    return nullptr;
}

bool WriteCycle::startsWith(const QByteArray& written, bool shadowing) const
{
    if (written.isEmpty())
        return false;
    const int first = quint8(written.at(0));
    if (addressing == Addressing::Instruction) {
        if (!inRanges(programs, first))
            return false;
        return operand < 0 || (written.size() > 1 && quint8(written.at(1)) == operand);
    }
    // Register pointer, then the data bytes at pointer, pointer + 1, ...
    for (int i = 1; i < written.size(); ++i) {
        const int address = (first + i - 1) & 0xFF;
        if (inRanges(programs, address) || (shadowing && inRanges(shadowed, address)))
            return true;
    }
    return false;
}
