#ifndef TESTPRODUCT_H
#define TESTPRODUCT_H

#include <quelmdevices/quelmdevices.h>

#include <QtCore/QList>
#include <QtCore/QStringList>

// A board of the tests: it names itself, labels its parts and deletes the
// devices it made, which the library never does.
class TestBoard : public Subassembly
{
public:
    using Subassembly::Subassembly;
    ~TestBoard() override { qDeleteAll(devices()); }

    QString title() const override { return QStringLiteral("Test board"); }
    QString schematicLabel(const int& bus, const int& address, const int& item,
                           const Quelm::FieldTypes&) const override
    {
        return QStringLiteral("U%1.%2 item %3").arg(bus).arg(address, 0, 16).arg(item);
    }
};

// A product with bus segments: selecting bus n sets the bridge's GPIO port
// to n. Bus selection is on unless the test switches it off.
class BusSelectingProduct : public ProductInterface
{
public:
    explicit BusSelectingProduct(const bool& enabled = true) { selectBusEnabled = enabled; }

    DeviceCommand* selectBusCommand(const int& bus) override
    {
        return new DeviceCommand(QStringLiteral("Select Bus %1").arg(bus),
                                 SC18IM700::writeGpioCommands(quint8(bus)));
    }
};

// Owns the commands of one generated list and deletes them with itself.
struct CommandList
{
    explicit CommandList(const QList<DeviceCommand*>& list) : commands(list) {}
    ~CommandList() { qDeleteAll(commands); }
    CommandList(const CommandList&) = delete;
    CommandList& operator=(const CommandList&) = delete;

    QStringList descriptions() const
    {
        QStringList texts;
        for (const DeviceCommand* command : commands)
            texts.append(command->description());
        return texts;
    }
    QList<QByteArray> bytes() const
    {
        QList<QByteArray> strings;
        for (const DeviceCommand* command : commands)
            strings.append(command->bytes());
        return strings;
    }

    QList<DeviceCommand*> commands;
};

#endif // TESTPRODUCT_H
