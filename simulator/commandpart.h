#ifndef QUELMSIM_COMMANDPART_H
#define QUELMSIM_COMMANDPART_H

#include "simulatedpart.h"

// The two potentiometers that take instruction bytes instead of a register
// pointer. Both keep their wipers first in memory(), one byte per channel,
// then their non-volatile copies.
class QUELMSIM_EXPORT CommandPart : public SimulatedPart
{
public:
    static constexpr int Channels = 4;

    void powerCycle() override;
    void start(bool read) override;
    bool writeByte(quint8 byte) override;
    quint8 readByte() override;

protected:
    explicit CommandPart(const SimulatedPartFacts& facts);

    // The first byte after the address. Returns false to refuse it; sets the
    // number of operand bytes it takes and, for a read, the index read back.
    virtual bool instruction(quint8 byte) = 0;
    // One operand byte of the current instruction (the first is number 0).
    virtual bool operand(int number, quint8 byte) = 0;

    void expectOperands(int count) { m_operandsLeft = count; }
    void setReadIndex(int index) { m_readIndex = index; }
    quint8 instructionByte() const { return m_instruction; }

private:
    quint8 m_instruction = 0;
    int m_operandsLeft = 0;
    int m_operandNumber = 0;
    int m_readIndex = -1;
    bool m_expectInstruction = false;
};

// X9408: instruction 0xA0|n writes wiper counter register n, 0x90|n reads it,
// 0xE0|r<<2|n stores it in data register r and 0xD0|r<<2|n loads it back,
// 0xC0|r<<2|n writes and 0xB0|r<<2|n reads data register r directly.
// memory(): WCR0 to WCR3, then the data registers of pot n at 4 + 4n + r.
// Its counters have 64 taps: only the low six bits are kept.
class QUELMSIM_EXPORT X9408Part : public CommandPart
{
public:
    X9408Part();

    static constexpr quint8 TapMask = 0x3F;

    // X9408 data sheet: "The Wiper Counter Register is loaded on power-up by
    // the value in Data Register 0".
    void powerCycle() override;

protected:
    bool instruction(quint8 byte) override;
    bool operand(int number, quint8 byte) override;
};

// AD5144A: two-byte commands. 0x10|ch, v writes RDAC ch; 0x30|ch, s selects
// what the following read answers (s = 3: the RDAC, s = 1: its EEPROM copy);
// 0x70|ch, 0x01 copies the RDAC into EEPROM and 0x70|ch, 0x00 restores it.
// memory(): RDAC1 to RDAC4, then their EEPROM copies.
class QUELMSIM_EXPORT AD5144APart : public CommandPart
{
public:
    AD5144APart();

    // AD5144A data sheet: at power-on each RDAC is restored from its EEPROM.
    void powerCycle() override;

protected:
    bool instruction(quint8 byte) override;
    bool operand(int number, quint8 byte) override;
};

#endif // QUELMSIM_COMMANDPART_H
