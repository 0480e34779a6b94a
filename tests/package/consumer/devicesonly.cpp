// Uses the device library alone; exits non-zero when the answer is wrong.
#include <quelmdevices/quelmdevices.h>

int main()
{
    return SC18IM700::readExternalDeviceCommands(0xA0, 0x08, 8) == QByteArray::fromHex("53A0010853A10850") ? 0 : 1;
}
