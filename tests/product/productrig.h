#ifndef QUELM_TESTS_PRODUCT_PRODUCTRIG_H
#define QUELM_TESTS_PRODUCT_PRODUCTRIG_H

#include "testproduct.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>

// A product with two boards, the first carrying the bridge; devices go on
// the first board unless asked for on the second.
template<typename Product = BusSelectingProduct, typename Bridge = SC18IM700>
struct Rig
{
    explicit Rig(const bool& selectBus = false) : product(selectBus)
    {
        board->setBusController(&bridge);
        product.addSubassembly(board);
        product.addSubassembly(second);
    }
    Device* add(const Device::DeviceTypes& type, const int& bus, const int& address, const bool& onSecond = false)
    {
        return (onSecond ? second : board)->addDevice(type, bus, address, QString());
    }
    Product product;
    TestBoard* board = new TestBoard(&product);
    TestBoard* second = new TestBoard(&product);
    Bridge bridge{QStringLiteral("bridge")};
};

// Generated lists written out for a golden file: under a heading, one line per
// command with its description, its bytes and, for a read, where the answer
// goes. Owns the commands it was given and deletes them with itself.
class CommandDump
{
public:
    CommandDump() = default;
    CommandDump(const CommandDump&) = delete;
    CommandDump& operator=(const CommandDump&) = delete;
    ~CommandDump() { qDeleteAll(m_commands); }

    CommandDump& add(const QString& heading, const QList<DeviceCommand*>& commands)
    {
        QString text = QStringLiteral("## %1\n").arg(heading);
        for (const DeviceCommand* command : commands) {
            text += command->description() + QStringLiteral("  ") + QString::fromLatin1(command->bytes().toHex().toUpper());
            if (const Device* device = command->device())
                text += QStringLiteral("  answer: %1 bytes to page %2 of %3 %4.%5")
                            .arg(command->responseBytes())
                            .arg(command->page())
                            .arg(device->partName())
                            .arg(device->busNumber())
                            .arg(QString::number(device->busAddress(), 16).toUpper());
            text += QLatin1Char('\n');
        }
        m_text += text.toUtf8();
        m_commands += commands;
        return *this;
    }
    QByteArray text() const { return m_text; }

private:
    QByteArray m_text;
    QList<DeviceCommand*> m_commands;
};

#endif // QUELM_TESTS_PRODUCT_PRODUCTRIG_H
