// Feeds arbitrary product descriptions to quelmctl's loader. A description
// that loads is then built into a product and run through the tool's usual
// steps: read list, settings bound to fields, writes and the way back.

#include "fuzzinput.h"

#include <productdescription.h>
#include <product.h>

#include <devicecommand.h>
#include <field.h>
#include <productinterface.h>

#include <QtCore/QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), int(size));
    QString error;
    const std::optional<ProductDescription> description =
        ProductDescription::parse(json, QStringLiteral("fuzz.json"), &error);
    if (!description)
        return 0;

    LoadedProduct loaded(*description);
    loaded.readCommands();
    loaded.adoptReceivedData();
    loaded.bindSettings();
    loaded.mapToDevices();
    QList<DeviceCommand*> commands = loaded.product()->writeCommands();
    for (Field* const field : loaded.fields())
        commands += loaded.product()->writeCommands(field);
    commands += loaded.product()->writeHeaderCommands(64);
    qDeleteAll(commands);
    loaded.mapFromDevices();
    return 0;
}
