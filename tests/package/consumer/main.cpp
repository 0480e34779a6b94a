// Uses one thing from each installed library; exits non-zero when any
// answer is wrong. EXPECTED_VERSION is the version of the package the build
// found.
#include <quelmdevices/quelmdevices.h>
#include <quelmdevices/version.h>
#include <quelmcore/quelmcore.h>
#include <varncore/logger.h>

#include <cstring>

// The library's headers are reached through their folder alone.
#if __has_include(<device.h>) || __has_include(<field.h>)
#error "a folder of the library's headers is on the include path"
#endif

static_assert(QUELMDEVICES_VERSION
              == QUELMDEVICES_VERSION_CHECK(QUELMDEVICES_VERSION_MAJOR, QUELMDEVICES_VERSION_MINOR,
                                            QUELMDEVICES_VERSION_PATCH));

int main()
{
    CAT24AA02Device eeprom(0, 0xA0, QStringLiteral("eeprom"));
    const bool encoded = SC18IM700::readExternalDeviceCommands(0xA0, 0x08, 8)
                         == QByteArray::fromHex("53A0010853A10850");
    QuelmModel model(1, 15, nullptr);
    const bool logged = cuteLoggerInstance() != nullptr;
    const bool versioned = std::strcmp(QUELMDEVICES_VERSION_STRING, EXPECTED_VERSION) == 0;
    return encoded && eeprom.memorySize() == 256 && model.parent() == nullptr && logged && versioned
               ? 0 : 1;
}
