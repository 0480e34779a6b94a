#ifndef QUELMSIM_REGISTERPART_H
#define QUELMSIM_REGISTERPART_H

#include "simulatedpart.h"

// A part addressed through a register pointer: the first byte of a write
// phase sets the pointer, every further byte is stored at it, and every byte
// read or written moves it on by one. Inside the paged area a write wraps to
// the start of its page; everywhere else the pointer wraps at the memory's end.
class QUELMSIM_EXPORT RegisterPart : public SimulatedPart
{
public:
    explicit RegisterPart(const SimulatedPartFacts& facts);

    int pointer() const { return m_pointer; }

    void start(bool read) override;
    bool writeByte(quint8 byte) override;
    quint8 readByte() override;

    QJsonObject saveState() const override;
    bool restoreState(const QJsonObject& state) override;

protected:
    virtual bool isWritable(int address) const;
    virtual quint8 valueAt(int address) const;

private:
    int nextWriteAddress() const;

    int m_pointer = 0;
    bool m_expectPointer = false;
};

// DS4520: the I/O status registers 0xF8 and 0xF9 are read-only and show the
// pin levels. A pin is low when its I/O control bit pulls it down or when
// something outside drives it low (setPinLevels, all high by default).
class QUELMSIM_EXPORT DS4520Part : public RegisterPart
{
public:
    DS4520Part();

    quint16 pinLevels() const { return m_pinLevels; }
    void setPinLevels(quint16 levels) { m_pinLevels = levels & AllPins; }

    QJsonObject saveState() const override;
    bool restoreState(const QJsonObject& state) override;

    static constexpr quint16 AllPins = 0x1FF;
    static constexpr int IoControl0 = 0xF2;
    static constexpr int IoControl1 = 0xF3;
    static constexpr int IoStatus0 = 0xF8;
    static constexpr int IoStatus1 = 0xF9;
    static constexpr int Config = 0xF4;
    static constexpr quint8 SeeBit = 0x01;

protected:
    // SEE clear (its power-on value): 0xF0-0xF3 are written to EEPROM.
    bool shadowsInEeprom() const override { return (at(Config) & SeeBit) == 0; }
    bool isWritable(int address) const override;
    quint8 valueAt(int address) const override;

private:
    quint16 m_pinLevels = AllPins;
};

#endif // QUELMSIM_REGISTERPART_H
