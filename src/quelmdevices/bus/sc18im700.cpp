#include "sc18im700.h"

#include "registerreport.h"

#include <QtCore/QTextStream>

#include <cstring>

using namespace SC18IM700Protocol;

namespace {

// A command string of known length, written straight into its one
// allocation: the generator encodes one per page, and appending to a
// QByteArray costs a call and a capacity check per byte.
class CommandString
{
public:
    explicit CommandString(const int length)
        : m_bytes(length, Qt::Uninitialized)
        , m_next(m_bytes.data())
    {
    }

    CommandString& operator<<(const char byte)
    {
        *m_next++ = byte;
        return *this;
    }
    CommandString& operator<<(const unsigned char byte) { return *this << char(byte); }
    CommandString& append(const char* bytes, const int size)
    {
        if (size > 0)
            memcpy(m_next, bytes, size_t(size));
        m_next += size;
        return *this;
    }
    CommandString& operator<<(const QByteArray& bytes) { return append(bytes.constData(), bytes.size()); }

    QByteArray take()
    {
        Q_ASSERT(m_next == m_bytes.constData() + m_bytes.size());
        return std::move(m_bytes);
    }

private:
    QByteArray m_bytes;
    char* m_next;
};

// Register-addressed read: a write phase with the register bytes, then a
// repeated start whose read address is the write address with bit 0 set.
QByteArray registerRead(const unsigned char& address, const char* reg, const int regSize,
                        const unsigned char& count)
{
    CommandString command(7 + regSize);
    command << Start << address << char(regSize);
    command.append(reg, regSize) << Start << char(address | ReadBit) << count << Stop;
    return command.take();
}

// The internal registers, then a GPIO row that takes every byte after the
// register image: the spare byte at 11 and, once the GPIO answer is stored,
// the port value at 12.
const RegisterReport::Row reportRows[] = {
    RegisterReport::indexRows(0x00, InternalRegisterCount, "IR"),
    RegisterReport::fixedRow(InternalRegisterCount, -1, "GPIO:", "GPIO: ", ""),
};
// The bridge's rows are never marked, whatever the buffers hold: nothing
// writes its transmit buffer, so it holds no wanted state to differ from.
const RegisterReport::Table report = RegisterReport::table(reportRows, RegisterReport::Marking::Never);

} // namespace

SC18IM700::SC18IM700(const QString& name, QObject* parent)
    : I2CBusController(name, parent)
{
    m_deviceType = Device::SC18IM700;
    Device::clearRxData();
}

QByteArray SC18IM700::readExternalDeviceCommands(const unsigned char& address, const unsigned char& count)
{
    CommandString command(4);
    command << Start << char(address | ReadBit) << count << Stop;
    return command.take();
}

QByteArray SC18IM700::readExternalDeviceCommands(const unsigned char& address, const unsigned char& reg,
                                                 const unsigned char& count)
{
    const char registerByte = char(reg);
    return registerRead(address, &registerByte, 1, count);
}

QByteArray SC18IM700::readExternalDeviceCommands(const unsigned char& address, const QByteArray& reg,
                                                 const unsigned char& count)
{
    return registerRead(address, reg.constData(), reg.size(), count);
}

QByteArray SC18IM700::writeExternalDeviceCommands(const unsigned char& address, const QByteArray& data)
{
    CommandString command(4 + data.size());
    command << Start << address << char(data.size()) << data << Stop;
    return command.take();
}

// The two strings without operands are built once and shared.
QByteArray SC18IM700::readGpioCommands()
{
    static const QByteArray command = (CommandString(2) << ReadGpio << Stop).take();
    return command;
}

QByteArray SC18IM700::writeGpioCommands(const unsigned char& value)
{
    CommandString command(3);
    command << WriteGpio << value << Stop;
    return command.take();
}

QByteArray SC18IM700::readInternalRegistersCommand()
{
    static const QByteArray command = [] {
        CommandString registers(InternalRegisterCount + 2);
        registers << ReadRegisters;
        for (int reg = 0; reg < InternalRegisterCount; ++reg)
            registers << char(reg);
        return (registers << Stop).take();
    }();
    return command;
}

QByteArray SC18IM700::writeInternalRegisterCommand(const QByteArray& bytes)
{
    CommandString command(bytes.size() + 2);
    command << WriteRegisters << bytes << Stop;
    return command.take();
}

QByteArray SC18IM700::readExternalDevice(const unsigned char& address, const unsigned char& count)
{
    return readExternalDeviceCommands(address, count);
}

QByteArray SC18IM700::readExternalDevice(const unsigned char& address, const unsigned char& reg,
                                         const unsigned char& count)
{
    return readExternalDeviceCommands(address, reg, count);
}

QByteArray SC18IM700::readExternalDevice(const unsigned char& address, const QByteArray& reg,
                                         const unsigned char& count)
{
    return readExternalDeviceCommands(address, reg, count);
}

QByteArray SC18IM700::writeExternalDevice(const unsigned char& address, const QByteArray& data)
{
    return writeExternalDeviceCommands(address, data);
}

QByteArray SC18IM700::writeExternalDevice(const unsigned char& address, const unsigned char& reg,
                                          const QByteArray& data)
{
    CommandString command(5 + data.size());
    command << Start << address << char(data.size() + 1) << reg << data << Stop;
    return command.take();
}

QByteArray SC18IM700::readGpio()
{
    return readGpioCommands();
}

QByteArray SC18IM700::writeGpio(const unsigned char& value)
{
    return writeGpioCommands(value);
}

QByteArray SC18IM700::readInternalRegisters()
{
    return readInternalRegistersCommand();
}

QByteArray SC18IM700::writeInternalRegister(const char* bytes, const int& count)
{
    // A negative count means a zero-terminated string, as QByteArray has it.
    return writeInternalRegister(QByteArray(bytes, count));
}

QByteArray SC18IM700::writeInternalRegister(const QByteArray& bytes)
{
    return writeInternalRegisterCommand(bytes);
}

QString SC18IM700::partName() const
{
    return deviceName(Device::SC18IM700);
}

// The pages are written out here, not read from a geometry line as the
// drivers' are: the bridge is a bus controller, not a PagedDevice, and its
// read pages differ in size.
int SC18IM700::readPages() const
{
    return 2;
}

int SC18IM700::writePages() const
{
    return 0;
}

// Page 0 is the register image; every other page number is the GPIO byte.
int SC18IM700::readPageSize(const int& page) const
{
    return page == 0 ? InternalRegisterCount : 1;
}

int SC18IM700::writePageSize(const int&) const
{
    return 0;
}

// The GPIO byte lies one past the register image and its spare byte, at 12.
int SC18IM700::readPageAddress(const int& page) const
{
    return page == 0 ? 0 : readPageSize(0) + 1;
}

int SC18IM700::writePageAddress(const int&) const
{
    return 0;
}

int SC18IM700::memorySize() const
{
    return 12;
}

QTextStream& SC18IM700::output(QTextStream& stream) const
{
    return RegisterReport::write(stream, *this, report, RegisterReport::Form::Text);
}

QTextStream& SC18IM700::toHtml(QTextStream& stream) const
{
    return RegisterReport::write(stream, *this, report, RegisterReport::Form::Html);
}
