#ifndef QUELMDEVICES_PARTTRANSACTIONS_H
#define QUELMDEVICES_PARTTRANSACTIONS_H

#include <QtCore/QByteArray>
#include <QtCore/QVarLengthArray>

class Device;
class I2CBusController;

// The bus transactions of one part type, as its driver knows them: the
// command string that reads a page and those that write a range of the
// transmit buffer, in the order they go on the bus. Most parts take a
// register pointer; a part that takes instructions has a line of its own,
// defined beside its driver. A line encodes through the bus master it is
// given, so a host's bus master that replaces an encoder step is used,
// except for strings a part builds itself (the X9408's writes). Internal to
// the library, not installed.
struct PartTransactions
{
    // No part writes a range in more than two transactions.
    using Strings = QVarLengthArray<QByteArray, 2>;
    using ReadPage = QByteArray (*)(I2CBusController& bus, const Device& device,
                                    const unsigned char& address, const unsigned char& size);
    using Write = Strings (*)(I2CBusController& bus, const Device& device,
                              const unsigned char& offset, const unsigned char& count);

    ReadPage readPage;
    Write write;

    // The transactions of a type's part (parts.cpp); the register-addressed
    // ones for a number outside the table.
    static const PartTransactions& of(const int& type);

    // A register pointer, then the bytes read or written from there on.
    static const PartTransactions registerAddressed;
    static QByteArray registerRead(I2CBusController& bus, const Device& device,
                                   const unsigned char& address, const unsigned char& size);
    static Strings registerWrite(I2CBusController& bus, const Device& device,
                                 const unsigned char& offset, const unsigned char& count);
};

extern const PartTransactions ad5144aTransactions; // ad5144adevice.cpp
extern const PartTransactions x9408Transactions;   // x9408device.cpp

#endif // QUELMDEVICES_PARTTRANSACTIONS_H
