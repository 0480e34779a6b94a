// Uses one thing from each installed library; exits non-zero when any
// answer is wrong.
#include <quelmdevices/quelmdevices.h>
#include <quelmcore/quelmcore.h>
#include <varncore/logger.h>

int main()
{
    CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
    const bool encoded = SC18IM700::readExternalDeviceCommands(0xA0, 0x08, 8)
                         == QByteArray::fromHex("53A0010853A10850");
    QuelmModel model(1, 15, nullptr);
    const bool logged = cuteLoggerInstance() != nullptr;
    return encoded && eeprom.memorySize() == 256 && model.parent() == nullptr && logged ? 0 : 1;
}
