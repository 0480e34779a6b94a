#ifndef QUELMDEVICES_REGISTERREPORT_H
#define QUELMDEVICES_REGISTERREPORT_H

#include <QtCore/QtGlobal>

#include <cstddef>

QT_BEGIN_NAMESPACE
class QTextStream;
QT_END_NAMESPACE

class Device;

// The frame that every register report shares; a driver lists only its rows.
// HTML: the table's head, then per row "<tr>", an address cell, a description
// cell, the receive and the transmit cell and "</tr>", every piece followed
// by endl, then "</table>". The address cell is the only one that can be
// marked (class 'diff'): where the receive and transmit texts of the row's
// bytes differ, so a byte that only one buffer holds marks it. Text: the
// "[Rx Buffer]:" section from the receive buffer and the "[Tx Buffer]:"
// section from the transmit buffer, a line per row, every line ending in
// "\n". Bytes are upper-case hex, clipped at the end of a buffer, never padded.
//
// Nothing here restores the caller's stream: a text report sets the number
// flags to UppercaseDigits alone, and rows whose addresses are numbers switch
// the stream to hexadecimal for good. An HTML report leaves the flags as they
// are, so its hex addresses take the caller's digit case. Internal to the
// library, not installed.
namespace RegisterReport {

// How a row names its address.
enum class Address {
    Index, // its one byte by number, in hex: "3:", "03  : "
    Range, // its first and last byte in hex: "8-f:", "8-F: "
    Fixed  // the row's own texts, one per form
};

struct Row
{
    Address address;
    int offset;
    int count;  // bytes shown; -1: to the end of the buffer; 0: none, a range not modelled
    int repeat; // rows that follow on from offset, count bytes each
    // Followed by the row's offset, as a number in the stream's base, when numbered.
    const char* description;
    bool numbered;
    // Fixed addresses: the HTML cell's text, and the text line's with its
    // separator. A form whose address is null leaves the row out.
    const char* htmlAddress;
    const char* textAddress;
    const char* textDescription; // the text line's, when it differs
};

// Registers by number, one byte each, described as prefix and number.
constexpr Row indexRows(const int& first, const int& rows, const char* prefix)
{
    return {Address::Index, first, 1, rows, prefix, true, nullptr, nullptr, nullptr};
}

// Ranges of size bytes that follow each other, described alike.
constexpr Row rangeRows(const int& first, const int& size, const int& rows, const char* description)
{
    return {Address::Range, first, size, rows, description, false, nullptr, nullptr, nullptr};
}

constexpr Row fixedRow(const int& offset, const int& count, const char* htmlAddress,
                       const char* textAddress, const char* description,
                       const char* textDescription = nullptr)
{
    return {Address::Fixed, offset, count, 1, description, false, htmlAddress, textAddress,
            textDescription};
}

// One byte at fixed addresses, described in HTML as prefix and offset.
constexpr Row numberedRow(const int& offset, const char* htmlAddress, const char* textAddress,
                          const char* prefix, const char* textDescription)
{
    return {Address::Fixed, offset, 1, 1, prefix, true, htmlAddress, textAddress, textDescription};
}

enum class Form { Text, Html };

enum class Marking {
    WhereDiffering, // "<td class='diff'>" when the texts differ
    OwnLine,        // the same, with endl after the marked tag
    Never           // always "<td>", whatever the buffers hold
};

// What the text form leaves as the stream's integer base.
enum class TextBase {
    AsRows, // 16 once a row's address is a number, else the caller's
    Hex     // 16 in any case
};

// A device's report: its rows, how its HTML marks a differing row, and the
// base its text form leaves behind.
struct Table
{
    const Row* rows;
    int count;
    Marking marking;
    TextBase textBase;
};

template<std::size_t Rows>
constexpr Table table(const Row (&rows)[Rows], const Marking& marking = Marking::WhereDiffering,
                      const TextBase& textBase = TextBase::AsRows)
{
    return {rows, int(Rows), marking, textBase};
}

// The head of the HTML table, up to its first row.
QTextStream& openTable(QTextStream& stream);

// The whole report of the device in one form.
QTextStream& write(QTextStream& stream, const Device& device, const Table& table, const Form& form);

} // namespace RegisterReport

#endif // QUELMDEVICES_REGISTERREPORT_H
