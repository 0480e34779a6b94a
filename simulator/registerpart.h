#ifndef QUELMSIM_REGISTERPART_H
#define QUELMSIM_REGISTERPART_H

#include "simulatedpart.h"

#include <ds4520registers.h>

// A part addressed through a register pointer: the first byte of a write
// phase sets the pointer, every further byte is stored at it, and every byte
// read or written moves it on by one. Inside the paged area a write wraps to
// the start of its page; everywhere else the pointer wraps at the memory's end.
class QUELMSIM_EXPORT RegisterPart : public SimulatedPart
{
public:
    explicit RegisterPart(const SimulatedPartFacts& facts);

    int pointer() const { return m_pointer; }

    // The data sheets give the address pointer no power-on value: taken as 0.
    void powerCycle() override;
    void start(bool read) override;
    bool writeByte(quint8 byte) override;
    quint8 readByte() override;

    QJsonObject saveState() const override;
    bool restoreState(const QJsonObject& state) override;

protected:
    virtual bool isWritable(int address) const;
    virtual quint8 valueAt(int address) const;
    // Where a written byte goes: memory() by default.
    virtual void store(int address, quint8 byte);

private:
    int nextWriteAddress() const;

    int m_pointer = 0;
    bool m_expectPointer = false;
};

// DS4520: the I/O status registers 0xF8 and 0xF9 are read-only and show the
// pin levels. A pin is low when its I/O control bit pulls it down or when
// something outside drives it low (setPinLevels, all high by default).
// 0xF0-0xF3 are SRAM shadowed EEPROM: memory() holds the SRAM, which the
// pins follow; a write reaches the EEPROM copy too only while SEE is 0.
class QUELMSIM_EXPORT DS4520Part : public RegisterPart
{
public:
    DS4520Part();

    quint16 pinLevels() const { return m_pinLevels; }
    void setPinLevels(quint16 levels) { m_pinLevels = levels & AllPins; }
    // DS4520 data sheet, memory map: at power-up the SRAM of 0xF0-0xF3 is
    // loaded from its EEPROM copy and the configuration register 0xF4, kept
    // in SRAM, is 00h (SEE 0). The SRAM 0xFA-0xFF has no stated power-on
    // value: taken as 00h, what a new part here holds.
    void powerCycle() override;

    QJsonObject saveState() const override;
    bool restoreState(const QJsonObject& state) override;

    static constexpr quint16 AllPins = 0x1FF;
    static constexpr int PullupEnable0 = DS4520Register::PullUpEnable0;
    static constexpr int ShadowedCount = DS4520Register::IoControl1 - PullupEnable0 + 1; // 0xF0-0xF3
    static constexpr int IoControl0 = DS4520Register::IoControl0;
    static constexpr int IoControl1 = DS4520Register::IoControl1;
    static constexpr int IoStatus0 = DS4520Register::IoStatus0;
    static constexpr int IoStatus1 = DS4520Register::IoStatus1;
    static constexpr int Config = DS4520Register::Configuration;
    static constexpr quint8 SeeBit = DS4520Register::ShadowEepromEnable;
    static constexpr int SramStart = DS4520Register::Sram;

protected:
    // SEE clear (its power-on value): 0xF0-0xF3 are written to EEPROM.
    bool shadowsInEeprom() const override { return (at(Config) & SeeBit) == 0; }
    bool isWritable(int address) const override;
    quint8 valueAt(int address) const override;
    void store(int address, quint8 byte) override;

private:
    quint16 m_pinLevels = AllPins;
    QByteArray m_eeprom; // the EEPROM copies of 0xF0-0xF3
};

#endif // QUELMSIM_REGISTERPART_H
