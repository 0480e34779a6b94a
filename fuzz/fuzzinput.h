#ifndef QUELMFUZZ_FUZZINPUT_H
#define QUELMFUZZ_FUZZINPUT_H

#include <QtCore/QByteArray>

#include <cstddef>
#include <cstdint>

// Reads the fuzzer's bytes as a sequence of operands. Past the end every
// read yields zeros and empty arrays, so a target never has to check.
class FuzzInput
{
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_position >= m_size; }
    size_t remaining() const { return atEnd() ? 0 : m_size - m_position; }

    quint8 byte() { return atEnd() ? 0 : m_data[m_position++]; }
    bool flag() { return byte() & 1; }

    // Any 32-bit value: negative and huge page numbers included.
    int integer()
    {
        quint32 value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | byte();
        return int(value);
    }

    // A small number most of the time, any int now and then.
    int pageNumber()
    {
        const quint8 selector = byte();
        return selector < 0xF0 ? int(selector % 40) - 2 : integer();
    }

    // A length byte, then up to that many bytes.
    QByteArray bytes() { return take(byte()); }

    QByteArray take(size_t count)
    {
        if (count > remaining())
            count = remaining();
        const QByteArray result(reinterpret_cast<const char*>(m_data + m_position), int(count));
        m_position += count;
        return result;
    }

    QByteArray rest() { return take(remaining()); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};

#endif // QUELMFUZZ_FUZZINPUT_H
