#ifndef QUELMDEVICES_SC18IM700PROTOCOL_H
#define QUELMDEVICES_SC18IM700PROTOCOL_H

#include "quelmdevices_global.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <chrono>
#include <ratio>

//! The bridge's serial protocol and the facts of the part itself: its command
//! characters, its internal registers and their power-on values, its I2C
//! status codes, its clocks, its FIFOs and how long its UART and its I2C
//! master take. The library encodes with them; the simulator, the runner and
//! the tools talk to the bridge with the same facts.
//!
//! Source of every number here, unless a line says otherwise: the SC18IM700
//! product data sheet (NXP, Rev. 3, 12 October 2017); the section is named
//! beside each fact.
namespace SC18IM700Protocol {

constexpr char Start = 'S';            //!< I2C start, or repeated start inside a string
constexpr char Stop = 'P';             //!< ends every command string
constexpr char ReadRegisters = 'R';    //!< read internal registers: register numbers follow
constexpr char WriteRegisters = 'W';   //!< write internal registers: number/value pairs follow
constexpr char ReadGpio = 'I';         //!< read the GPIO port: one byte is answered
constexpr char WriteGpio = 'O';        //!< write the GPIO port: the value follows
constexpr unsigned char ReadBit = 0x01; //!< set in the address byte of a read phase

//! The internal registers, in the order of the register image.
enum Register : quint8 {
    BRG0 = 0x00, BRG1, PortConf1, PortConf2, IOState, Reserved,
    I2CAdr, I2CClkL, I2CClkH, I2CTO, I2CStat
};
constexpr int InternalRegisterCount = 11; //!< registers 0x00 to 0x0A
constexpr int GpioImageIndex = 12;        //!< where the GPIO answer lands in the receive buffer

//! What I2CStat says after an "S" transaction.
enum Status : quint8 {
    StatusOk = 0xF0,
    StatusNackOnAddress = 0xF1,
    StatusNackOnData = 0xF2,
    StatusTimeOut = 0xF8
};
//! "transaction OK", "no acknowledge on the address", ...; "unknown status"
//! for a value that is none of the above.
QUELMDEVICES_EXPORT QString statusText(int status);

//! Registers 0x00 to 0x0A after power-on or reset (register table): the
//! baud rate generator at 9600 baud, both port configurations 0x55, the port
//! released, the bridge's own slave address 0x26, I2CClkL = I2CClkH = 0x13
//! (about 97 kHz), the time-out off and an idle status.
QUELMDEVICES_EXPORT QByteArray powerOnRegisters();

//! \name UART
//! The UART (section 9.2.1): rate = 7.3728 MHz / (16 + BRG), BRG = BRG1:BRG0;
//! 8N1 only, up to 460800 baud (section 2). The new rate holds once BRG1 is
//! written.
//! @{
constexpr double CrystalHz = 7372800.0;       //!< the crystal that every clock divides
constexpr int BaudDividerOffset = 16;         //!< the 16 of the rate formula
constexpr qint32 PowerOnBaudRate = 9600;      //!< the rate after power-on or reset
constexpr qint32 FastestBaudRate = 460800;    //!< the fastest rate
//! Every rate the bridge runs at exactly, slowest first.
constexpr qint32 StandardBaudRates[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800};
//! A UART samples each bit mid-way: a few percent between the two clocks
//! still frames every byte correctly (a guess that every UART meets).
constexpr double RateTolerance = 0.02;
//! A byte on the wire: start bit, eight data bits, stop bit.
constexpr int BitsPerByte = 10;

//! The rate of a baud rate generator value BRG1:BRG0.
constexpr double baudRateOf(const quint16 generator)
{
    return CrystalHz / (BaudDividerOffset + generator);
}
//! @}

//! \name FIFOs and time-outs
//! The UART's FIFOs hold 16 bytes each way, with no flow control (features,
//! pinning). Nothing the library or the runner sends is a longer string:
//! users of the part report that a longer one puts wrong bytes on the bus.
//! @{
constexpr int ReceiveFifoSize = 16;                   //!< bytes the bridge takes in before it runs them
constexpr int TransmitFifoSize = 16;                  //!< answer bytes the bridge holds
constexpr int LongestCommandString = ReceiveFifoSize; //!< the longest string ever sent
//! More than 655 ms between two bytes of one string: the bridge times out,
//! clears its receive buffer and waits for a new command (section 7.1).
constexpr std::chrono::milliseconds ReceiveGapTimeout{655};
//! After power-on or a reset the bridge sends "OK" at 9600 baud, its
//! registers at their reset values (section 7).
constexpr char Announcement[] = "OK";
constexpr int AnnouncementSize = 2; //!< the announcement's length in bytes
//! @}

//! \name I2C clock
//! The I2C master (section 9.2.5, formula (2), Table 8): the bit frequency is
//! 7.3728 MHz / (2 x (I2CClkH + I2CClkL)); the sum is at least 10 (369 kHz).
//! @{
constexpr int I2CClockPeriodsPerDivider = 2; //!< the 2 of the formula
constexpr int MinimumClockDivider = 10;      //!< the smallest sum the data sheet allows
//! The parts on the product are rated for I2C up to 400 kHz (their data
//! sheets): no setting may go past it.
constexpr double MaximumI2CClockHz = 400000.0;
//! Every byte on the bus is 8 data clocks and the acknowledge clock.
constexpr int ClocksPerByte = 9;
//! A start, a repeated start and a stop each take about one clock period.
constexpr int ClocksPerCondition = 1;

//! The bit frequency of a divider sum I2CClkL + I2CClkH; 0 for a sum of 0.
constexpr double i2cClockHz(const int divider)
{
    return divider > 0 ? CrystalHz / (I2CClockPeriodsPerDivider * divider) : 0.0;
}
//! The smallest divider sum whose clock is at or under 400 kHz.
constexpr int fastestClockDivider()
{
    int divider = MinimumClockDivider;
    while (i2cClockHz(divider) > MaximumI2CClockHz)
        ++divider;
    return divider;
}
//! @}

//! Time on the link. Its unit divides the crystal's period (1/7.3728 MHz),
//! from which both the baud generator and the I2C clock count, so every UART
//! byte and every I2C clock period the bridge can make is a whole number of it.
using Duration = std::chrono::duration<qint64, std::ratio<1, 23040000000>>;
constexpr qint64 UnitsPerCrystalPeriod = 3125;  //!< 23.04 GHz / 7.3728 MHz

//! One byte on the UART at the rate of the baud rate generator's value.
constexpr Duration byteTime(const quint16 generator)
{
    return Duration(BitsPerByte * (BaudDividerOffset + qint64(generator)) * UnitsPerCrystalPeriod);
}
//! One period of the I2C clock; zero while both clock registers are 0.
constexpr Duration i2cClockPeriod(const int divider)
{
    return Duration(I2CClockPeriodsPerDivider * qint64(divider) * UnitsPerCrystalPeriod);
}
//! Seconds, for showing a duration.
constexpr double seconds(const Duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

//! "R", the registers, "P": answered with one byte per register. Writes go
//! through SC18IM700::writeInternalRegisterCommand.
QUELMDEVICES_EXPORT QByteArray registerReadCommand(const QByteArray& registers);
//! "R", I2CStat, "P": one byte is answered.
QUELMDEVICES_EXPORT QByteArray statusReadCommand();
//! "S", the write address (bit 0 cleared), a count of 0, "P": the smallest
//! transaction to a part. Nothing is answered; the status read after it
//! tells whether the part acknowledged. A part in its write cycle does not,
//! and a write of no bytes programs nothing.
QUELMDEVICES_EXPORT QByteArray probeCommand(quint8 address);

//! "0xF1": a byte as it is named in messages.
QUELMDEVICES_EXPORT QString hexByte(int value);

} // namespace SC18IM700Protocol

#endif // QUELMDEVICES_SC18IM700PROTOCOL_H
