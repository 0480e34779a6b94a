#ifndef QUELMDEVICES_SC18IM700PROTOCOL_H
#define QUELMDEVICES_SC18IM700PROTOCOL_H

#include "quelmdevices_global.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <chrono>
#include <ratio>

// The bridge's serial protocol and the facts of the part itself: its command
// characters, its internal registers and their power-on values, its I2C
// status codes, its clocks and how long its UART and its I2C master take.
// The library encodes with them; the simulator, the runner and the tools
// talk to the bridge with the same facts.
//
// Source of every number here: the SC18IM700 data sheet (NXP): its command
// characters, its register map with the power-on values, the baud rate
// generator on a 7.3728 MHz crystal, the I2C clock from the 15 MHz internal
// oscillator and the I2CStat values.
namespace SC18IM700Protocol {

constexpr char Start = 'S';            // I2C start, or repeated start inside a string
constexpr char Stop = 'P';             // ends every command string
constexpr char ReadRegisters = 'R';    // read internal registers: register numbers follow
constexpr char WriteRegisters = 'W';   // write internal registers: number/value pairs follow
constexpr char ReadGpio = 'I';         // read the GPIO port: one byte is answered
constexpr char WriteGpio = 'O';        // write the GPIO port: the value follows
constexpr unsigned char ReadBit = 0x01; // set in the address byte of a read phase

// The internal registers, in the order of the register image.
enum Register : quint8 {
    BRG0 = 0x00, BRG1, PortConf1, PortConf2, IOState, Reserved,
    I2CAdr, I2CClkL, I2CClkH, I2CTO, I2CStat
};
constexpr int InternalRegisterCount = 11; // registers 0x00 to 0x0A
constexpr int GpioImageIndex = 12;        // where the GPIO answer lands in the receive buffer

// What I2CStat says after an "S" transaction.
enum Status : quint8 {
    StatusOk = 0xF0,
    StatusNackOnAddress = 0xF1,
    StatusNackOnData = 0xF2,
    StatusTimeOut = 0xF8
};
// "transaction OK", "no acknowledge on the address", ...; "unknown status"
// for a value that is none of the above.
QUELMDEVICES_EXPORT QString statusText(int status);

// Registers 0x00 to 0x0A after power-on: the baud rate generator at 9600
// baud, both port configurations, the port released, the bridge's own slave
// address, the I2C clock at about 99 kHz, the time-out and an idle status.
QUELMDEVICES_EXPORT QByteArray powerOnRegisters();

// The UART: rate = 7.3728 MHz / (16 + BRG), BRG = BRG1:BRG0.
constexpr double CrystalHz = 7372800.0;
constexpr int BaudDividerOffset = 16;
constexpr qint32 PowerOnBaudRate = 9600;
// A UART samples each bit mid-way: a few percent between the two clocks
// still frames every byte correctly.
constexpr double RateTolerance = 0.02;
// A byte on the wire: start bit, eight data bits, stop bit.
constexpr int BitsPerByte = 10;

// The I2C master: f = 15 MHz / (8 x (I2CClkL + I2CClkH)), the sum at least 5.
constexpr double I2CClockSourceHz = 15000000.0;
constexpr int I2CClockPrescaler = 8;
constexpr int MinimumClockDivider = 5;
// Every byte on the bus is 8 data clocks and the acknowledge clock; a start,
// a repeated start and a stop each take about one clock period.
constexpr int ClocksPerByte = 9;
constexpr int ClocksPerCondition = 1;

// Time on the link. Its unit divides both the baud generator's period
// (1/7.3728 MHz) and the I2C clock source's (1/15 MHz), so every UART byte
// and every I2C clock period the bridge can make is a whole number of it.
using Duration = std::chrono::duration<qint64, std::ratio<1, 23040000000>>;
constexpr qint64 UnitsPerCrystalPeriod = 3125;  // 23.04 GHz / 7.3728 MHz
constexpr qint64 UnitsPerSourcePeriod = 1536;   // 23.04 GHz / 15 MHz

// One byte on the UART at the rate of the baud rate generator's value.
constexpr Duration byteTime(const quint16 generator)
{
    return Duration(BitsPerByte * (BaudDividerOffset + qint64(generator)) * UnitsPerCrystalPeriod);
}
// One period of the I2C clock; zero while both clock registers are 0.
constexpr Duration i2cClockPeriod(const int divider)
{
    return Duration(I2CClockPrescaler * qint64(divider) * UnitsPerSourcePeriod);
}
// Seconds, for showing a duration.
constexpr double seconds(const Duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

// "R", the registers, "P": answered with one byte per register. Writes go
// through SC18IM700::writeInternalRegisterCommand.
QUELMDEVICES_EXPORT QByteArray registerReadCommand(const QByteArray& registers);
// "R", I2CStat, "P": one byte is answered.
QUELMDEVICES_EXPORT QByteArray statusReadCommand();

// "0xF1": a byte as it is named in messages.
QUELMDEVICES_EXPORT QString hexByte(int value);

} // namespace SC18IM700Protocol

#endif // QUELMDEVICES_SC18IM700PROTOCOL_H
