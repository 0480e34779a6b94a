#include "eepromfile.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>

#include <srecord/input/file/binary.h>
#include <srecord/input/file/intel.h>
#include <srecord/output/file/binary.h>
#include <srecord/output/file/intel.h>
#include <srecord/quit.h>
#include <srecord/record.h>

#include <cstdarg>
#include <cstdio>

// Debian's libsrecord-dev leaves out the headers of the Motorola S-record
// classes that its library holds; these are their factories as the library
// declares them.
namespace srecord {
class input_file_motorola : public input_file
{
public:
    static pointer create(const std::string& file_name);
};
class output_file_motorola : public output_file
{
public:
    static pointer create(const std::string& file_name);
};
} // namespace srecord

namespace {

// The library reports a file's errors as "FILE: LINE: why" through a quit
// object and then calls its exit(), which would end the process; here it
// throws instead, and the line becomes the error.
class ThrowingQuit : public srecord::quit
{
public:
    struct Thrown
    {
        QString line;
    };

    void message_v(const char* format, va_list arguments) override
    {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        m_last = QString::fromLocal8Bit(text);
    }
    void exit(int) override { throw Thrown{m_last}; }

private:
    QString m_last;
};

struct FormatRow
{
    EepromFormat format;
    const char* name;
    QStringList suffixes;
};

const QList<FormatRow>& formats()
{
    static const QList<FormatRow> rows = {
        {EepromFormat::Binary, "bin", {QStringLiteral("bin")}},
        {EepromFormat::IntelHex, "ihex", {QStringLiteral("hex"), QStringLiteral("ihex")}},
        {EepromFormat::SRecord, "srec", {QStringLiteral("srec"), QStringLiteral("s19"), QStringLiteral("mot")}},
    };
    return rows;
}

srecord::output::pointer createOutput(EepromFormat format, const std::string& fileName)
{
    switch (format) {
    case EepromFormat::Binary:
        return srecord::output_file_binary::create(fileName);
    case EepromFormat::IntelHex:
        return srecord::output_file_intel::create(fileName);
    case EepromFormat::SRecord:
        break;
    }
    return srecord::output_file_motorola::create(fileName);
}

srecord::input::pointer createInput(EepromFormat format, const std::string& fileName)
{
    switch (format) {
    case EepromFormat::Binary:
        return srecord::input_file_binary::create(fileName);
    case EepromFormat::IntelHex:
        return srecord::input_file_intel::create(fileName);
    case EepromFormat::SRecord:
        break;
    }
    return srecord::input_file_motorola::create(fileName);
}

// "0x0100": a file's address, which may lie far past any part's memory.
QString hexAddress(unsigned long address)
{
    return QStringLiteral("0x%1").arg(QString::number(address, 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

// The record's bytes into the device's memory; false past memorySize.
bool takeRecord(const srecord::record& record, int memorySize, DeviceImage* device)
{
    if (record.get_address_end() > srecord::record::address_t(memorySize))
        return false;
    for (size_t index = 0; index < record.get_length(); ++index) {
        const int address = int(record.get_address() + index);
        device->memory[address] = char(record.get_data(index));
        device->covered.setBit(address);
    }
    return true;
}

} // namespace

std::optional<EepromFormat> eepromFormat(const QString& name)
{
    for (const FormatRow& row : formats()) {
        if (name == QLatin1String(row.name))
            return row.format;
    }
    return std::nullopt;
}

std::optional<EepromFormat> eepromFormatOfFile(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    for (const FormatRow& row : formats()) {
        if (row.suffixes.contains(suffix))
            return row.format;
    }
    return std::nullopt;
}

QByteArray eepromFileContents(const DeviceImage& device, EepromFormat format, QString* error)
{
    // The library writes to a file by its name, here one of our own folder
    // that nothing else writes to; the caller saves the contents whole where
    // they belong.
    const QTemporaryDir folder;
    if (!folder.isValid()) {
        *error = QStringLiteral("cannot make a folder for the %1 file: %2").arg(device.name, folder.errorString());
        return {};
    }
    const QString fileName = folder.filePath(QStringLiteral("memory"));
    {
        const srecord::output::pointer output = createOutput(format, fileName.toStdString());
        const std::string name = device.name.toStdString();
        const srecord::record header(srecord::record::type_header, 0,
                                     reinterpret_cast<const srecord::record::data_t*>(name.data()), name.size());
        output->write_header(&header);
        output->write_data(0, device.memory.constData(), size_t(device.memory.size()));
        // An S-record file ends in a start address record; Intel HEX needs none.
        if (format == EepromFormat::SRecord)
            output->write_execution_start_address();
    } // the file is complete once the output is gone
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read back the %1 file: %2").arg(device.name, file.errorString());
        return {};
    }
    return file.readAll();
}

bool readEepromFile(const QString& fileName, EepromFormat format, int memorySize, DeviceImage* device,
                    QString* error)
{
    // The library ends the process on a file it cannot open; it gets none.
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return false;
    }
    file.close();
    device->memory.resize(memorySize);
    device->covered = QBitArray(memorySize);
    ThrowingQuit quit;
    try {
        const srecord::input::pointer input = createInput(format, fileName.toStdString());
        input->set_quit(quit);
        srecord::record record;
        while (input->read(record)) {
            if (record.get_type() != srecord::record::type_data || takeRecord(record, memorySize, device))
                continue;
            *error = QStringLiteral("%1: record %2-%3 reaches past the memory of %4 (%5 bytes)")
                         .arg(QString::fromStdString(input->filename_and_line()),
                              hexAddress(record.get_address()), hexAddress(record.get_address_end() - 1),
                              device->label())
                         .arg(memorySize);
            return false;
        }
    } catch (const ThrowingQuit::Thrown& thrown) {
        *error = thrown.line;
        return false;
    }
    return true;
}
