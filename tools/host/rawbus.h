#ifndef QUELMHOST_RAWBUS_H
#define QUELMHOST_RAWBUS_H

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVector>

#include <optional>

class LoadedProduct;
class Transport;
struct ExpectedPart;

// Raw access to any address of a bus segment, as the i2c-tools programs
// give it: 7-bit addresses (the description's 8-bit 0xA0 is 0x50), the
// messages of one transfer joined with repeated starts in one command
// string, and their grids. Nothing here touches the product's mirror.
namespace RawI2C {

constexpr int FirstAddress = 0x03; // the lowest 7-bit address i2c-tools reach without -a
constexpr int LastAddress = 0x77;  // the highest
constexpr int RegisterCount = 256; // the registers a dump shows
constexpr int DumpRowSize = 16;    // a dump reads a row in one string

// One message of a transfer: a write of its data or a read of length bytes.
struct Message
{
    bool read = false;
    int address = -1; // 7-bit
    int length = 0;
    QByteArray data;  // a write's
};

// "0x50" or "80", at most maximum; nothing for anything else.
std::optional<int> number(const QString& text, int maximum = 0xFF);
// A 7-bit address from FirstAddress to LastAddress; otherwise nothing and
// the reason, such as "address 0x78 is outside 0x03-0x77".
std::optional<int> address(const QString& text, QString* error);
// i2ctransfer's messages: "w2@0x50 0x00 0x10 r4": w or r, the length, the
// address (which later messages keep unless they name another) and a
// write's data, whose last byte may end in "=" (repeated to the length),
// "+" or "-" (counting up or down). Nothing, and the reason, for a
// malformed list.
std::optional<QList<Message>> parseTransfer(const QStringList& words, QString* error);

// i2cget's reads: a byte as the part gives it, or one after setting the
// register; i2cset's write; a dump's row of DumpRowSize registers.
QList<Message> readByte(int address);
QList<Message> readRegisters(int address, int firstRegister, int count);
QList<Message> writeRegister(int address, int reg, int value);

bool writes(const QList<Message>& messages);
// Every message after "S" with the address, the count and a write's data,
// then "P": the bridge runs them with repeated starts between them.
QByteArray commandString(const QList<Message>& messages);
// The bytes the reads ask for.
int answerSize(const QList<Message>& messages);
// Why the bridge cannot run the messages as one string; empty when it can.
QString fitError(const QList<Message>& messages);

// i2cdetect's grid of 7-bit addresses: "--" where nobody answered, the
// address where a part did, blank outside FirstAddress to LastAddress.
QString detectGrid(const QList<int>& answered);
// i2cdump's grid of registers 0x00 to 0xFF with its ASCII column; each
// value is a byte, or -1 where the read failed ("XX").
QString dumpGrid(const QVector<int>& values);
// A read's bytes as i2ctransfer prints them: "0x12 0x34".
QString bytesText(const QByteArray& bytes);

} // namespace RawI2C

// What a raw transaction brought: the reads' bytes, or one line that says
// why not, with the bridge's I2C status where it tells.
struct RawResult
{
    QByteArray answer;
    int status = -1; // I2CStat when it explains the failure
    QString error;   // empty on success

    bool ok() const { return error.isEmpty(); }
};

// The raw transactions of one run, through the transport's runner with the
// bridge's I2C status read after each, on the segment selected first.
class RawBus
{
public:
    // Both must outlive it. The transport learns the product's devices, so
    // that a write into a described part waits for its write cycle.
    RawBus(LoadedProduct& product, Transport& transport);

    // The described part at the 7-bit address on the segment (bus -1 for a
    // product with one), or null.
    static std::optional<ExpectedPart> describedAt(const LoadedProduct& product, int bus, int address);

    // Selects the segment as the scan does; nothing to do for bus -1.
    bool selectBus(int bus, QString* error);
    // The 7-bit addresses that acknowledge an empty write, FirstAddress to
    // LastAddress.
    std::optional<QList<int>> detect(QString* error);
    // The messages as one command string; refused unsent when there are
    // none or they do not fit (RawI2C::fitError()).
    RawResult transfer(const QList<RawI2C::Message>& messages);

private:
    LoadedProduct& m_product;
    Transport& m_transport;
};

#endif // QUELMHOST_RAWBUS_H
