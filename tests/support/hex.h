#ifndef QUELM_TESTS_HEX_H
#define QUELM_TESTS_HEX_H

#include <QtCore/QByteArray>

// Expected bytes as a reader writes them: "53 A0 02 00 50", spaces allowed.
inline QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

#endif // QUELM_TESTS_HEX_H
