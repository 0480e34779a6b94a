#ifndef QUELMHOST_EEPROMFILE_H
#define QUELMHOST_EEPROMFILE_H

#include "productimage.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <optional>

// One device's memory in a file format of EEPROM programmers, read and
// written by the SRecord tools' format library.
enum class EepromFormat { Binary, IntelHex, SRecord };

// "bin", "ihex", "srec"; null for any other name.
std::optional<EepromFormat> eepromFormat(const QString& name);
// The format a file name's suffix says: .bin, .hex or .ihex, .srec, .s19 or .mot.
std::optional<EepromFormat> eepromFormatOfFile(const QString& fileName);

// The memory as the format has it, from address 0; the S-record header
// names the device. Empty, with one line in error, when the library's file
// cannot be made.
QByteArray eepromFileContents(const DeviceImage& device, EepromFormat format, QString* error);

// The file read into device's memory: memory grows to memorySize bytes, and
// covered marks the bytes the file sets. False, with one line "FILE: LINE:
// why" in error (a binary file has no lines), for a file that cannot be
// read, a record with a bad checksum or a record past memorySize.
bool readEepromFile(const QString& fileName, EepromFormat format, int memorySize, DeviceImage* device,
                    QString* error);

#endif // QUELMHOST_EEPROMFILE_H
