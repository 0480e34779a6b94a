#ifndef QUELMDEVICES_INSTRUCTIONS_H
#define QUELMDEVICES_INSTRUCTIONS_H

//! \file instructions.h
//! The instruction bytes of the two potentiometers that take an instruction
//! where the other parts take a register pointer. The drivers encode with
//! them, the simulator decodes with them and the write-cycle table names the
//! ones that program memory. Every instruction keeps its operand (channel,
//! pot, register) in the low four bits.

//! AD5144A: two-byte commands, the channel in the low four bits of the first.
namespace AD5144AInstruction {
constexpr unsigned char OperationMask = 0xF0; //!< the instruction's bits of the first byte
constexpr unsigned char ChannelMask = 0x0F;   //!< the channel's bits of the first byte

constexpr unsigned char WriteWiper = 0x10;        //!< followed by the wiper value
constexpr unsigned char ReadBack = 0x30;          //!< followed by the register to read back
constexpr unsigned char CopyWiperToMemory = 0x70; //!< followed by CopyArgument or RestoreArgument

//! \name What ReadBack selects for the read that follows it
//! @{
constexpr unsigned char MemoryRegister = 0x01; //!< the wiper's EEPROM copy
constexpr unsigned char WiperRegister = 0x03;  //!< the wiper (RDAC) itself
//! @}

constexpr unsigned char CopyArgument = 0x01;    //!< the wiper into EEPROM
constexpr unsigned char RestoreArgument = 0x00; //!< EEPROM back into the wiper
} // namespace AD5144AInstruction

//! X9408: one instruction byte, then at most one data byte. The low bits name
//! data register r (bits 3-2) and pot n (bits 1-0); the global transfers move
//! register r of every pot and take no pot number.
namespace X9408Instruction {
constexpr unsigned char OperationMask = 0xF0; //!< the instruction's bits
constexpr unsigned char PotMask = 0x03;       //!< pot n
constexpr unsigned char RegisterMask = 0x0C;  //!< data register r
constexpr int RegisterShift = 2;              //!< r's place: r << RegisterShift

constexpr unsigned char GlobalTransferToWiperCounters = 0x10; //!< register r into every counter
constexpr unsigned char GlobalTransferToDataRegisters = 0x80; //!< every counter into its register r
constexpr unsigned char ReadWiperCounter = 0x90;              //!< answers pot n's counter
constexpr unsigned char WriteWiperCounter = 0xA0;             //!< followed by the counter value
constexpr unsigned char ReadDataRegister = 0xB0;              //!< answers data register r of pot n
constexpr unsigned char WriteDataRegister = 0xC0;             //!< followed by the register value
constexpr unsigned char TransferToWiperCounter = 0xD0;        //!< data register r into the counter
constexpr unsigned char TransferToDataRegister = 0xE0;        //!< the counter into data register r
} // namespace X9408Instruction

#endif // QUELMDEVICES_INSTRUCTIONS_H
