#ifndef QUELMSIM_COMMANDPART_H
#define QUELMSIM_COMMANDPART_H

#include "simulatedpart.h"

//! The two potentiometers that take instruction bytes instead of a register
//! pointer. Both keep their wipers first in memory(), one byte per channel,
//! then their non-volatile copies. A read phase that no instruction selected
//! answers 0xFF, the released bus.
class QUELMSIM_EXPORT CommandPart : public SimulatedPart
{
public:
    static constexpr int Channels = 4; //!< wipers, and the bytes they take first in memory()

    //! Forgets an instruction under way.
    void powerCycle() override;
    //! A write phase takes an instruction first; a read phase answers what
    //! the last instruction selected.
    void start(bool read) override;
    //! The instruction, then its operands; a byte beyond them is refused.
    bool writeByte(quint8 byte) override;
    //! The byte the last instruction selected, or 0xFF.
    quint8 readByte() override;

protected:
    //! A part of the line \a facts, as shipped.
    explicit CommandPart(const SimulatedPartFacts& facts);

    //! The first byte after the address. Returns false to refuse it; sets the
    //! number of operand bytes it takes and, for a read, the index read back.
    virtual bool instruction(quint8 byte) = 0;
    //! One operand byte of the current instruction (the first is number 0).
    //! Returns false to refuse it.
    virtual bool operand(int number, quint8 byte) = 0;

    //! The current instruction takes \a count operand bytes.
    void expectOperands(int count) { m_operandsLeft = count; }
    //! A read phase answers the byte at \a index of memory().
    void setReadIndex(int index) { m_readIndex = index; }
    //! The current instruction.
    quint8 instructionByte() const { return m_instruction; }

private:
    quint8 m_instruction = 0;
    int m_operandsLeft = 0;
    int m_operandNumber = 0;
    int m_readIndex = -1;
    bool m_expectInstruction = false;
};

//! X9408: instruction 0xA0|n writes wiper counter register n, 0x90|n reads it,
//! 0xE0|r<<2|n stores it in data register r and 0xD0|r<<2|n loads it back,
//! 0xC0|r<<2|n writes and 0xB0|r<<2|n reads data register r directly; the
//! global transfers 0x80|r<<2 and 0x10|r<<2 move register r of every pot
//! (X9408Instruction). memory(): WCR0 to WCR3, then the data registers of
//! pot n at 4 + 4n + r. Its counters have 64 taps: only the low six bits are
//! kept.
class QUELMSIM_EXPORT X9408Part : public CommandPart
{
public:
    //! An X9408 as shipped: every register at mid-scale, 0x20.
    X9408Part();

    static constexpr quint8 TapMask = 0x3F; //!< the bits a written value keeps

    //! X9408 data sheet: "The Wiper Counter Register is loaded on power-up by
    //! the value in Data Register 0".
    void powerCycle() override;

protected:
    //! Runs a transfer at once; a read or write selects its register. Refuses
    //! an unknown instruction, a counter's read or write that names a data
    //! register, and a global transfer that names a pot.
    bool instruction(quint8 byte) override;
    //! The value of a write, its low six bits.
    bool operand(int number, quint8 byte) override;
};

//! AD5144A: two-byte commands. 0x10|ch, v writes RDAC ch; 0x30|ch, s selects
//! what the following read answers (s = 3: the RDAC, s = 1: its EEPROM copy);
//! 0x70|ch, 0x01 copies the RDAC into EEPROM and 0x70|ch, 0x00 restores it
//! (AD5144AInstruction). memory(): RDAC1 to RDAC4, then their EEPROM copies.
class QUELMSIM_EXPORT AD5144APart : public CommandPart
{
public:
    //! An AD5144A as shipped: RDACs and EEPROM at mid-scale, 0x80.
    AD5144APart();

    //! AD5144A data sheet: at power-on each RDAC is restored from its EEPROM.
    void powerCycle() override;

protected:
    //! Takes the three commands above, on channels 0 to 3; refuses others.
    bool instruction(quint8 byte) override;
    //! The command's second byte; refuses a read-back or copy argument other
    //! than those above.
    bool operand(int number, quint8 byte) override;
};

#endif // QUELMSIM_COMMANDPART_H
