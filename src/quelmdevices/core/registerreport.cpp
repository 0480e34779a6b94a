#include "registerreport.h"

#include "device.h"

#include <QtCore/QTextStream>

namespace RegisterReport {

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

RowTexts rowTexts(const Device& device, const int& offset, const int& count)
{
    return {byteText(device.rxBuffer(), offset, count), byteText(device.txBuffer(), offset, count)};
}

QTextStream& openRow(QTextStream& stream, const RowTexts& texts, const Marking& marking)
{
    const bool marked = marking == Marking::WhereDiffering && texts.differs();
    return stream << "<tr>" << Qt::endl << (marked ? "<td class='diff'>" : "<td>");
}

QTextStream& closeRow(QTextStream& stream, const RowTexts& texts)
{
    return stream << "<td>" << texts.rx << "</td>" << Qt::endl
                  << "<td>" << texts.tx << "</td>" << Qt::endl
                  << "</tr>" << Qt::endl;
}

QTextStream& indexedRow(QTextStream& stream, const RowTexts& texts, const int& index,
                        const char* prefix, const Marking& marking)
{
    openRow(stream, texts, marking) << Qt::hex << index << ":</td>" << Qt::endl
                                    << "<td>" << prefix << index << "</td>" << Qt::endl;
    return closeRow(stream, texts);
}

QTextStream& rangeRow(QTextStream& stream, const RowTexts& texts, const int& first,
                      const int& last, const char* description)
{
    openRow(stream, texts) << Qt::hex << first << "-" << last << ":</td>" << Qt::endl
                           << "<td>" << description << "</td>" << Qt::endl;
    return closeRow(stream, texts);
}

QTextStream& literalRow(QTextStream& stream, const RowTexts& texts, const char* address,
                        const char* description, const Marking& marking)
{
    openRow(stream, texts, marking) << address << "</td>" << Qt::endl
                                    << "<td>" << description << "</td>" << Qt::endl;
    return closeRow(stream, texts);
}

QTextStream& unmodelledRow(QTextStream& stream, const char* address, const char* description)
{
    return literalRow(stream, RowTexts(), address, description);
}

QTextStream& closeTable(QTextStream& stream)
{
    return stream << "</table>" << Qt::endl;
}

QTextStream& writeSections(QTextStream& stream, const Device& device, const SectionLines& lines)
{
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
        lines(stream, section.buffer);
    }
    return stream;
}

QTextStream& indexedLine(QTextStream& stream, const QByteArray& buffer, const int& index,
                         const char* prefix)
{
    return stream << "  0" << Qt::hex << index << "  : " << byteText(buffer, index, 1) << " "
                  << prefix << index << "\n";
}

QTextStream& rangeLine(QTextStream& stream, const QByteArray& buffer, const int& first,
                       const int& count, const char* description)
{
    return stream << "  " << Qt::hex << first << "-" << first + count - 1 << ": "
                  << byteText(buffer, first, count) << " " << description << "\n";
}

QTextStream& literalLine(QTextStream& stream, const QByteArray& buffer, const char* address,
                         const int& offset, const int& count, const char* description)
{
    stream << "  " << address << byteText(buffer, offset, count);
    if (description)
        stream << " " << description;
    return stream << "\n";
}

} // namespace RegisterReport
