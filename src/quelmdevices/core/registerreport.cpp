#include "registerreport.h"

#include "device.h"

#include <QtCore/QTextStream>

namespace RegisterReport {

namespace {

// Straight into one string: a report has a few thousand of these, and
// toHex, fromLatin1 and toUpper would each allocate a copy.
QString byteText(const QByteArray& buffer, const int& offset, const int& count)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    const QByteArray range = buffer.mid(offset, count);
    QString text(range.size() * 2, Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : range) {
        *out++ = QLatin1Char(digits[uchar(byte) >> 4]);
        *out++ = QLatin1Char(digits[uchar(byte) & 0x0F]);
    }
    return text;
}

// One row as it is written: its line of the table and where its bytes start,
// past the row's offset for the rows that follow on.
struct Line
{
    const Row& row;
    int offset;

    int last() const { return offset + row.count - 1; }
    const char* address(const Form& form) const
    {
        return form == Form::Html ? row.htmlAddress : row.textAddress;
    }
};

template<typename WriteLine>
void forEachLine(const Row* rows, const int& count, const Form& form, const WriteLine& writeLine)
{
    for (const Row* row = rows; row != rows + count; ++row) {
        for (int n = 0; n < row->repeat; ++n) {
            const Line line{*row, row->offset + n * row->count};
            if (row->address != Address::Fixed || line.address(form))
                writeLine(line);
        }
    }
}

// The address as the form shows it, with the text line's separator.
QTextStream& writeAddress(QTextStream& stream, const Line& line, const Form& form)
{
    const bool html = form == Form::Html;
    switch (line.row.address) {
    case Address::Index:
        return stream << (html ? "" : "0") << Qt::hex << line.offset << (html ? ":" : "  : ");
    case Address::Range:
        return stream << Qt::hex << line.offset << "-" << line.last() << (html ? ":" : ": ");
    case Address::Fixed:
        break;
    }
    return stream << line.address(form);
}

QTextStream& writeDescription(QTextStream& stream, const Line& line)
{
    stream << line.row.description;
    return line.row.numbered ? stream << line.offset : stream;
}

void writeHtmlRow(QTextStream& stream, const Device& device, const Line& line,
                  const Marking& marking)
{
    const QString rx = byteText(device.rxBuffer(), line.offset, line.row.count);
    const QString tx = byteText(device.txBuffer(), line.offset, line.row.count);
    const bool marked = marking != Marking::Never && rx != tx;
    stream << "<tr>" << Qt::endl << (marked ? "<td class='diff'>" : "<td>");
    if (marked && marking == Marking::OwnLine)
        stream << Qt::endl;
    writeAddress(stream, line, Form::Html) << "</td>" << Qt::endl << "<td>";
    writeDescription(stream, line) << "</td>" << Qt::endl;
    stream << "<td>" << rx << "</td>" << Qt::endl
           << "<td>" << tx << "</td>" << Qt::endl
           << "</tr>" << Qt::endl;
}

void writeTextLine(QTextStream& stream, const QByteArray& buffer, const Line& line)
{
    writeAddress(stream << "  ", line, Form::Text) << byteText(buffer, line.offset, line.row.count);
    if (line.row.textDescription)
        stream << " " << line.row.textDescription;
    else if (*line.row.description)
        writeDescription(stream << " ", line);
    stream << "\n";
}

} // namespace

QTextStream& openTable(QTextStream& stream)
{
    return stream << "<table class='device-table'>" << Qt::endl
                  << "<thead><tr>" << Qt::endl
                  << "<th class='address'>Address</th>" << Qt::endl
                  << "<th class='description'>Description</th>" << Qt::endl
                  << "<th class='rxbuffer'>Rx Buffer</th>" << Qt::endl
                  << "<th class='txbuffer'>Tx Buffer</th>" << Qt::endl
                  << "</tr></thead>" << Qt::endl;
}

QTextStream& write(QTextStream& stream, const Device& device, const Table& table, const Form& form)
{
    if (form == Form::Html) {
        openTable(stream);
        forEachLine(table.rows, table.count, form, [&](const Line& line) {
            writeHtmlRow(stream, device, line, table.marking);
        });
        return stream << "</table>" << Qt::endl;
    }

    struct Section
    {
        const char* label;
        const QByteArray& buffer;
    };
    const Section sections[] = {{"[Rx Buffer]:", device.rxBuffer()},
                                {"[Tx Buffer]:", device.txBuffer()}};
    stream.setNumberFlags(QTextStream::UppercaseDigits);
    for (const Section& section : sections) {
        stream << "  " << section.label << " \n";
        forEachLine(table.rows, table.count, form, [&](const Line& line) {
            writeTextLine(stream, section.buffer, line);
        });
    }
    return table.textBase == TextBase::Hex ? stream << Qt::hex : stream;
}

} // namespace RegisterReport
