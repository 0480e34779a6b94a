#include "commandpart.h"

namespace {

// A read that no instruction selected sees the bus released: all ones.
constexpr quint8 releasedBus = 0xFF;

int channelOf(quint8 byte)
{
    return byte & 0x0F;
}

} // namespace

CommandPart::CommandPart(const SimulatedPartFacts& facts)
    : SimulatedPart(facts)
{
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
    const int pot = byte & 0x03;
    const int reg = (byte >> 2) & 0x03;
    return CommandPart::Channels + CommandPart::Channels * pot + reg;
}

} // namespace

bool X9408Part::instruction(quint8 byte)
{
    const int pot = byte & 0x03;
    const bool wcrOnly = (byte & 0x0C) == 0;
    switch (byte >> 4) {
    case 0x9:
        setReadIndex(pot);
        return wcrOnly;
    case 0xA:
    case 0xC:
        expectOperands(1);
        return (byte >> 4) == 0xC || wcrOnly;
    case 0xB:
        setReadIndex(dataRegister(byte));
        return true;
    case 0xD:
        put(pot, at(dataRegister(byte)));
        return true;
    case 0xE:
        put(dataRegister(byte), at(pot));
        return true;
    case 0x1:
    case 0x8:
        if (pot != 0)
            return false;
        for (int n = 0; n < Channels; ++n) {
            const int reg = dataRegister(quint8((byte & 0x0C) | n));
            if ((byte >> 4) == 0x1)
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
    const quint8 op = instructionByte();
    put((op >> 4) == 0xA ? (op & 0x03) : dataRegister(op), byte & TapMask);
    return true;
}

AD5144APart::AD5144APart()
    : CommandPart(*SimulatedPart::facts(Device::AD5144A))
{
}

bool AD5144APart::instruction(quint8 byte)
{
    const int command = byte >> 4;
    if (channelOf(byte) >= Channels || (command != 0x1 && command != 0x3 && command != 0x7))
        return false;
    expectOperands(1);
    return true;
}

bool AD5144APart::operand(int, quint8 byte)
{
    const int channel = channelOf(instructionByte());
    const int eeprom = Channels + channel;
    switch (instructionByte() >> 4) {
    case 0x1:
        put(channel, byte);
        return true;
    case 0x3:
        if (byte != 0x01 && byte != 0x03)
            return false;
        setReadIndex(byte == 0x03 ? channel : eeprom);
        return true;
    default: // 0x7: 1 stores the RDAC, 0 restores it
        if (byte > 0x01)
            return false;
        if (byte == 0x01)
            put(eeprom, at(channel));
        else
            put(channel, at(eeprom));
        return true;
    }
}
