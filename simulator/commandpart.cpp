#include "commandpart.h"

#include <instructions.h>

namespace {

// A read that no instruction selected sees the bus released: all ones.
constexpr quint8 releasedBus = 0xFF;

int channelOf(quint8 byte)
{
    return byte & AD5144AInstruction::ChannelMask;
}

} // namespace

CommandPart::CommandPart(const SimulatedPartFacts& facts)
    : SimulatedPart(facts)
{
}

// An instruction under way is forgotten with the power.
void CommandPart::powerCycle()
{
    m_expectInstruction = false;
    m_operandsLeft = 0;
    m_readIndex = -1;
    SimulatedPart::powerCycle();
}

void CommandPart::start(bool read)
{
    if (!read)
        m_expectInstruction = true;
}

bool CommandPart::writeByte(quint8 byte)
{
    if (m_expectInstruction) {
        m_expectInstruction = false;
        m_instruction = byte;
        m_operandsLeft = 0;
        m_operandNumber = 0;
        m_readIndex = -1;
        return instruction(byte);
    }
    if (m_operandsLeft <= 0)
        return false;
    --m_operandsLeft;
    return operand(m_operandNumber++, byte);
}

quint8 CommandPart::readByte()
{
    return m_readIndex >= 0 ? at(m_readIndex) : releasedBus;
}

X9408Part::X9408Part()
    : CommandPart(*SimulatedPart::facts(Device::X9408))
{
}

namespace {

// Where data register r of pot n lies in memory().
int dataRegister(quint8 byte)
{
    const int pot = byte & X9408Instruction::PotMask;
    const int reg = (byte & X9408Instruction::RegisterMask) >> X9408Instruction::RegisterShift;
    return CommandPart::Channels + CommandPart::Channels * pot + reg;
}

} // namespace

void X9408Part::powerCycle()
{
    CommandPart::powerCycle();
    for (int pot = 0; pot < Channels; ++pot)
        put(pot, at(dataRegister(quint8(pot))));
}

bool X9408Part::instruction(quint8 byte)
{
    using namespace X9408Instruction;
    const int pot = byte & PotMask;
    const bool wcrOnly = (byte & RegisterMask) == 0;
    const quint8 operation = byte & OperationMask;
    switch (operation) {
    case ReadWiperCounter:
        setReadIndex(pot);
        return wcrOnly;
    case WriteWiperCounter:
    case WriteDataRegister:
        expectOperands(1);
        return operation == WriteDataRegister || wcrOnly;
    case ReadDataRegister:
        setReadIndex(dataRegister(byte));
        return true;
    case TransferToWiperCounter:
        put(pot, at(dataRegister(byte)));
        return true;
    case TransferToDataRegister:
        put(dataRegister(byte), at(pot));
        return true;
    case GlobalTransferToWiperCounters:
    case GlobalTransferToDataRegisters:
        if (pot != 0)
            return false;
        for (int n = 0; n < Channels; ++n) {
            const int reg = dataRegister(quint8((byte & RegisterMask) | n));
            if (operation == GlobalTransferToWiperCounters)
                put(n, at(reg));
            else
                put(reg, at(n));
        }
        return true;
    default:
        return false;
    }
}

bool X9408Part::operand(int, quint8 byte)
{
    using namespace X9408Instruction;
    const quint8 op = instructionByte();
    put((op & OperationMask) == WriteWiperCounter ? (op & PotMask) : dataRegister(op), byte & TapMask);
    return true;
}

AD5144APart::AD5144APart()
    : CommandPart(*SimulatedPart::facts(Device::AD5144A))
{
}

void AD5144APart::powerCycle()
{
    CommandPart::powerCycle();
    for (int channel = 0; channel < Channels; ++channel)
        put(channel, at(Channels + channel));
}

bool AD5144APart::instruction(quint8 byte)
{
    using namespace AD5144AInstruction;
    const quint8 operation = byte & OperationMask;
    if (channelOf(byte) >= Channels
        || (operation != WriteWiper && operation != ReadBack && operation != CopyWiperToMemory))
        return false;
    expectOperands(1);
    return true;
}

bool AD5144APart::operand(int, quint8 byte)
{
    using namespace AD5144AInstruction;
    const int channel = channelOf(instructionByte());
    const int eeprom = Channels + channel;
    switch (instructionByte() & OperationMask) {
    case WriteWiper:
        put(channel, byte);
        return true;
    case ReadBack:
        if (byte != MemoryRegister && byte != WiperRegister)
            return false;
        setReadIndex(byte == WiperRegister ? channel : eeprom);
        return true;
    default: // CopyWiperToMemory: the argument says which way
        if (byte == CopyArgument)
            put(eeprom, at(channel));
        else if (byte == RestoreArgument)
            put(channel, at(eeprom));
        else
            return false;
        return true;
    }
}
