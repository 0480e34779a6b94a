#include "ds4520device.h"

#include "ds4520registers.h"
#include "partdriver.h"

using namespace DS4520Register;
using namespace RegisterReport;

namespace {
const Part& part = *Part::of(Device::DS4520);

// The last page, the register block, starts at the first pull-up register,
// not where the line's stride would put it.
constexpr int registerPage = 8;
constexpr int registerPageAddress = PullUpEnable0;

constexpr int pullUpRegister = PullUpEnable0; // pins 0 to 7; pin 8 in the next register
constexpr int stateRegister = IoControl0;     // pins 0 to 7, also the port; pin 8 in the next register
constexpr int receiveBuffer = 0;              // any other source selects the transmit buffer
constexpr int transmitBuffer = 1;

// Where a pin lives inside a register pair: the pair's first or second
// register, and its bit. Every pin number above 7 is pin 8.
struct PinBit
{
    int registerOffset;
    unsigned char mask;
};

PinBit pinBit(const int& pin)
{
    return pin > 7 ? PinBit{1, 0x01} : PinBit{0, static_cast<unsigned char>(1u << pin)};
}

unsigned char withBit(const unsigned char& byte, const unsigned char& mask, const bool& set)
{
    return set ? byte | mask : byte & ~mask;
}

// The EEPROM pages, the reserved range, the register block 0xF0 to 0xF7 and,
// in HTML only, the status registers and the SRAM, which lie outside the
// memory image.
const Row reportRows[] = {
    rangeRows(Eeprom, part.geometry.read.size, registerPage, "EEPROM"), // the pages before the register page
    fixedRow(Reserved, 0, "40-EF:", "40-EF:", "RESERVED"),
    fixedRow(PullUpEnable0, 1, "F0:", "F0   : ", "PullUp Enable 0"),
    fixedRow(PullUpEnable1, 1, "F1:", "F1   : ", "PullUp Enable 1"),
    fixedRow(IoControl0, 1, "F2:", "F2   : ", "I/O Control 0"),
    fixedRow(IoControl1, 1, "F3:", "F3   : ", "I/O Control 1"),
    fixedRow(Configuration, 1, "F4:", "F4   : ", "Configuration"),
    fixedRow(UserEeprom, 3, "F5-F7:", "F5-F7: ", "User EEPROM"),
    fixedRow(IoStatus0, 0, "F8:", nullptr, "I/O Status 0 (Not Used)"),
    fixedRow(IoStatus1, 0, "F9:", nullptr, "I/O Status 1 (Not Used)"),
    fixedRow(Sram, 0, "FA-FF:", nullptr, "SRAM (Not Used)"),
};
} // namespace

DS4520Device::DS4520Device(const int& bus, const int& address, const QString& name, QObject* parent)
    : PagedDevice(bus, address, name, parent)
{
    // Set before the clears: this part's transmit clear writes them to 0xF0/0xF1.
    m_pullUpEnables = QByteArray::fromHex("FF01");
    initialize();
}

QUELM_PART_GEOMETRY(DS4520Device, part)
QUELM_PART_REPORTS(DS4520Device, table(reportRows))

int DS4520Device::readPageAddress(const int& page) const
{
    return page == registerPage ? registerPageAddress : PagedDevice::readPageAddress(page);
}

int DS4520Device::writePageAddress(const int& page) const
{
    return page == registerPage ? registerPageAddress : PagedDevice::writePageAddress(page);
}

unsigned char DS4520Device::registerByte(const int& address, const int& source) const
{
    const QByteArray byte = source == receiveBuffer ? rxData(uchar(address), 1) : txData(uchar(address), 1);
    return uchar(byte.at(0));
}

void DS4520Device::setTxRegister(const int& address, const unsigned char& value)
{
    Device::setTxData(uchar(address), QByteArray(1, char(value)));
}

bool DS4520Device::ioPinState(const int& pin, const int& source) const
{
    if (pin < 0)
        return false;
    const PinBit bit = pinBit(pin);
    return registerByte(stateRegister + bit.registerOffset, source) & bit.mask;
}

bool DS4520Device::ioPinPullUpEnable(const int& pin, const int& source) const
{
    if (pin < 0)
        return false;
    const PinBit bit = pinBit(pin);
    return registerByte(pullUpRegister + bit.registerOffset, source) & bit.mask;
}

unsigned char DS4520Device::ioPortValue(const int&, const int& source) const
{
    return registerByte(stateRegister, source);
}

void DS4520Device::setIoPinState(const int& pin, const bool& state)
{
    if (pin < 0)
        return;
    const PinBit bit = pinBit(pin);
    const int address = stateRegister + bit.registerOffset;
    setTxRegister(address, withBit(registerByte(address, transmitBuffer), bit.mask, state));
}

// The new enable byte comes from the enables array, not from the transmit
// buffer, so the array wins over whatever else was written to 0xF0/0xF1.
void DS4520Device::setIoPinPullUpEnable(const int& pin, const bool& enable)
{
    if (pin < 0)
        return;
    const PinBit bit = pinBit(pin);
    if (m_pullUpEnables.size() <= bit.registerOffset)
        m_pullUpEnables.append(QByteArray(bit.registerOffset + 1 - m_pullUpEnables.size(), '\0'));
    const unsigned char enables = withBit(uchar(m_pullUpEnables.at(bit.registerOffset)), bit.mask, enable);
    m_pullUpEnables[bit.registerOffset] = char(enables);
    setTxRegister(pullUpRegister + bit.registerOffset, enables);
}

void DS4520Device::setIoPortValue(const int&, const unsigned char& value)
{
    setTxRegister(stateRegister, value);
}

void DS4520Device::setPullUpEnables(const QByteArray& enables)
{
    m_pullUpEnables = enables;
    writePullUpRegisters();
}

// An enable byte missing from a short array writes 0.
void DS4520Device::writePullUpRegisters()
{
    for (int offset = 0; offset < 2; ++offset) {
        const char enables = m_pullUpEnables.size() > offset ? m_pullUpEnables.at(offset) : '\0';
        setTxRegister(pullUpRegister + offset, uchar(enables));
    }
}

void DS4520Device::clearTxData()
{
    Device::clearTxData();
    writePullUpRegisters();
}

void DS4520Device::setTxData(const QByteArray& bytes)
{
    Device::setTxData(bytes);
    writePullUpRegisters();
}
