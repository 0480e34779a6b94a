#ifndef QUELMDEVICES_REGISTERREPORT_H
#define QUELMDEVICES_REGISTERREPORT_H

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <functional>

QT_BEGIN_NAMESPACE
class QTextStream;
QT_END_NAMESPACE

class Device;

// The frame that every register report shares; a driver lists only its rows.
// HTML rows are <tr>, an address cell, a description cell, the receive and the
// transmit cell and </tr>, every piece followed by endl. The address cell is
// the only one that can be marked (class 'diff'). Text reports hold two
// sections, the receive buffer's and the transmit buffer's, of lines that end
// in "\n". Nothing here restores the caller's stream: a hex manipulator or the
// number flags a report sets stay set. Internal to the library, not installed.
namespace RegisterReport {

// Upper-case hexadecimal of buffer.mid(offset, count): clipped at the end of
// the buffer, never padded. A count of -1 runs to the end.
QString byteText(const QByteArray& buffer, const int& offset, const int& count = -1);

// The receive and transmit texts of one byte range. A row differs when the
// texts do, so a byte that only one buffer holds marks it.
struct RowTexts
{
    QString rx;
    QString tx;

    bool differs() const { return rx != tx; }
};

RowTexts rowTexts(const Device& device, const int& offset, const int& count = -1);

enum class Marking {
    WhereDiffering, // "<td class='diff'>" when the texts differ
    Never           // always "<td>", whatever the buffers hold
};

// HTML: "<tr>", endl and the address cell's opening tag; the caller writes the
// address and the description cell.
QTextStream& openRow(QTextStream& stream, const RowTexts& texts,
                     const Marking& marking = Marking::WhereDiffering);
// HTML: the receive and transmit cells and "</tr>".
QTextStream& closeRow(QTextStream& stream, const RowTexts& texts);
// HTML: a register by number: address hex index ":", description prefix and index.
QTextStream& indexedRow(QTextStream& stream, const RowTexts& texts, const int& index,
                        const char* prefix, const Marking& marking = Marking::WhereDiffering);
// HTML: a range by its first and last address in hex ("8-f:").
QTextStream& rangeRow(QTextStream& stream, const RowTexts& texts, const int& first,
                      const int& last, const char* description);
// HTML: a row whose address and description are fixed texts.
QTextStream& literalRow(QTextStream& stream, const RowTexts& texts, const char* address,
                        const char* description, const Marking& marking = Marking::WhereDiffering);
// HTML: a range the device does not model: fixed texts, empty data cells.
QTextStream& unmodelledRow(QTextStream& stream, const char* address, const char* description);
// HTML: "</table>" after the last row.
QTextStream& closeTable(QTextStream& stream);

// Text: the lines of one section, written from that section's buffer.
using SectionLines = std::function<void(QTextStream& stream, const QByteArray& buffer)>;
// Text: sets the number flags to UppercaseDigits alone, then writes the
// "[Rx Buffer]:" section from the receive buffer and the "[Tx Buffer]:"
// section from the transmit buffer.
QTextStream& writeSections(QTextStream& stream, const Device& device, const SectionLines& lines);
// Text: "  0", hex index, "  : ", the byte's text, " ", prefix and index.
QTextStream& indexedLine(QTextStream& stream, const QByteArray& buffer, const int& index,
                         const char* prefix);
// Text: "  ", hex first "-" last ": ", the range's text, " ", description.
QTextStream& rangeLine(QTextStream& stream, const QByteArray& buffer, const int& first,
                       const int& count, const char* description);
// Text: "  ", the fixed address with its separator, the range's text and, when
// there is one, " " and the description.
QTextStream& literalLine(QTextStream& stream, const QByteArray& buffer, const char* address,
                         const int& offset, const int& count, const char* description = nullptr);

} // namespace RegisterReport

#endif // QUELMDEVICES_REGISTERREPORT_H
