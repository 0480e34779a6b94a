#ifndef QUELMSIM_REGISTERPART_H
#define QUELMSIM_REGISTERPART_H

#include "simulatedpart.h"

#include <quelmdevices/ds4520registers.h>

//! A part addressed through a register pointer: the first byte of a write
//! phase sets the pointer, every further byte is stored at it, and every byte
//! read or written moves it on by one. Inside the paged area a write wraps to
//! the start of its page; everywhere else the pointer wraps at the memory's
//! end. The ISL22343, the X95840 and the CAT24AA02 are such parts as they
//! are; the DS4520 is a DS4520Part.
class QUELMSIM_EXPORT RegisterPart : public SimulatedPart
{
public:
    //! A part of the line \a facts, as shipped, its pointer at 0.
    explicit RegisterPart(const SimulatedPartFacts& facts);

    //! The register pointer.
    int pointer() const { return m_pointer; }

    //! The data sheets give the address pointer no power-on value: taken as 0.
    void powerCycle() override;
    //! A write phase takes the pointer first; a read phase reads from it.
    void start(bool read) override;
    //! The pointer, refused (false) past the memory's end; then a data byte,
    //! stored at the pointer where that is writable and always acknowledged.
    bool writeByte(quint8 byte) override;
    //! The value at the pointer; the pointer moves on, wrapping at the
    //! memory's end.
    quint8 readByte() override;

    //! The memory and the pointer.
    QJsonObject saveState() const override;
    //! Refuses a pointer outside the memory.
    bool restoreState(const QJsonObject& state) override;

protected:
    //! Whether a byte written at \a address is kept; every address here.
    virtual bool isWritable(int address) const;
    //! What a read at \a address answers: memory() here.
    virtual quint8 valueAt(int address) const;
    //! Where a written byte goes: memory() by default.
    virtual void store(int address, quint8 byte);

private:
    int nextWriteAddress() const;

    int m_pointer = 0;
    bool m_expectPointer = false;
};

//! DS4520: the I/O status registers 0xF8 and 0xF9 are read-only and show the
//! pin levels. A pin is low when its I/O control bit pulls it down or when
//! something outside drives it low (setPinLevels(), all high by default).
//! 0xF0-0xF3 are SRAM shadowed EEPROM: memory() holds the SRAM, which the
//! pins follow; a write reaches the EEPROM copy too only while SEE is 0.
//! memory() is 256 bytes, at the part's own addresses.
class QUELMSIM_EXPORT DS4520Part : public RegisterPart
{
public:
    //! A DS4520 as shipped: EEPROM erased, pull-ups off, every pin released.
    DS4520Part();

    //! The levels something outside drives the pins to, bit n for pin n.
    quint16 pinLevels() const { return m_pinLevels; }
    //! Drives the pins from outside: a clear bit holds its pin low. Bits above
    //! pin 8 are dropped.
    void setPinLevels(quint16 levels) { m_pinLevels = levels & AllPins; }
    //! DS4520 data sheet, memory map: at power-up the SRAM of 0xF0-0xF3 is
    //! loaded from its EEPROM copy and the configuration register 0xF4, kept
    //! in SRAM, is 00h (SEE 0). The SRAM 0xFA-0xFF has no stated power-on
    //! value: taken as 00h, what a new part here holds.
    void powerCycle() override;

    //! The memory, the pointer, the pin levels and the EEPROM copies of
    //! 0xF0-0xF3.
    QJsonObject saveState() const override;
    //! Refuses pin levels above the nine pins' and copies of another size; a
    //! state without the copies takes them from the registers.
    bool restoreState(const QJsonObject& state) override;

    static constexpr quint16 AllPins = 0x1FF; //!< the nine pins, bit n for pin n
    static constexpr int PullupEnable0 = DS4520Register::PullUpEnable0; //!< the first shadowed register
    static constexpr int ShadowedCount = DS4520Register::IoControl1 - PullupEnable0 + 1; //!< 0xF0-0xF3
    static constexpr int IoControl0 = DS4520Register::IoControl0; //!< pins 0 to 7: a clear bit pulls down
    static constexpr int IoControl1 = DS4520Register::IoControl1; //!< pin 8, bit 0
    static constexpr int IoStatus0 = DS4520Register::IoStatus0;   //!< the levels of pins 0 to 7
    static constexpr int IoStatus1 = DS4520Register::IoStatus1;   //!< the level of pin 8, bit 0
    static constexpr int Config = DS4520Register::Configuration;  //!< the configuration register
    static constexpr quint8 SeeBit = DS4520Register::ShadowEepromEnable; //!< SEE, in Config
    static constexpr int SramStart = DS4520Register::Sram;        //!< the SRAM, to the memory's end

protected:
    //! SEE clear (its power-on value): 0xF0-0xF3 are written to EEPROM.
    bool shadowsInEeprom() const override { return (at(Config) & SeeBit) == 0; }
    //! Every address but the I/O status registers.
    bool isWritable(int address) const override;
    //! The I/O status registers answer the pin levels; a pin is high only when
    //! its I/O control bit releases it and nothing outside holds it low.
    quint8 valueAt(int address) const override;
    //! memory() and, while SEE is clear, the EEPROM copy of 0xF0-0xF3.
    void store(int address, quint8 byte) override;

private:
    quint16 m_pinLevels = AllPins;
    QByteArray m_eeprom; // the EEPROM copies of 0xF0-0xF3
};

#endif // QUELMSIM_REGISTERPART_H
