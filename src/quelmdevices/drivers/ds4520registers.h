#ifndef QUELMDEVICES_DS4520REGISTERS_H
#define QUELMDEVICES_DS4520REGISTERS_H

#include <QtCore/QtGlobal>

//! The DS4520's registers by address, from the memory map of its data sheet
//! (Maxim, DS4520 9-bit I2C nonvolatile I/O expander). The driver, the part's
//! write-cycle line and the simulated part name them from here, so the header
//! is installed with the simulator's. Registers that come in pairs hold pins
//! 0 to 7 in the first, bit n for pin n, and pin 8 in bit 0 of the second.
namespace DS4520Register {

constexpr quint8 Eeprom = 0x00;        //!< user EEPROM, 64 bytes
constexpr quint8 EepromLast = 0x3F;    //!< the EEPROM's last byte
constexpr quint8 Reserved = 0x40;      //!< reserved, to 0xEF
constexpr quint8 PullUpEnable0 = 0xF0; //!< pull-up enables of pins 0 to 7; 1 enables the pin's pull-up
constexpr quint8 PullUpEnable1 = 0xF1; //!< pull-up enable of pin 8
constexpr quint8 IoControl0 = 0xF2;    //!< I/O control of pins 0 to 7; 0 turns the pin's pull-down on
constexpr quint8 IoControl1 = 0xF3;    //!< I/O control of pin 8
constexpr quint8 Configuration = 0xF4; //!< the configuration register (ShadowEepromEnable)
constexpr quint8 UserEeprom = 0xF5;    //!< three bytes of user EEPROM, to 0xF7
constexpr quint8 IoStatus0 = 0xF8;     //!< the levels of pins 0 to 7, read-only
constexpr quint8 IoStatus1 = 0xF9;     //!< the level of pin 8, read-only
constexpr quint8 Sram = 0xFA;          //!< SRAM, to 0xFF

//! Configuration bit 0, SEE, clear at power-on: while it is clear the
//! pull-up and I/O control registers are kept in EEPROM as well.
constexpr quint8 ShadowEepromEnable = 0x01;

} // namespace DS4520Register

#endif // QUELMDEVICES_DS4520REGISTERS_H
