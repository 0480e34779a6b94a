#include "sc18im700protocol.h"

namespace SC18IM700Protocol {

namespace {

struct StatusMeaning
{
    Status status;
    const char* text;
};

const StatusMeaning statusMeanings[] = {
    {StatusOk, "transaction OK"},
    {StatusNackOnAddress, "no acknowledge on the address"},
    {StatusNackOnData, "no acknowledge on data"},
    {StatusTimeOut, "bus time-out"},
};

} // namespace

QString statusText(int status)
{
    for (const StatusMeaning& meaning : statusMeanings) {
        if (meaning.status == status)
            return QString::fromLatin1(meaning.text);
    }
    return QStringLiteral("unknown status");
}

QByteArray powerOnRegisters()
{
    // BRG0 BRG1 PortConf1 PortConf2 IOState Reserved I2CAdr I2CClkL I2CClkH I2CTO I2CStat
    return QByteArray::fromHex("F0 02 55 55 FF 00 26 13 13 66 F0");
}

QByteArray registerReadCommand(const QByteArray& registers)
{
    return ReadRegisters + registers + Stop;
}

QByteArray statusReadCommand()
{
    return registerReadCommand(QByteArray(1, char(I2CStat)));
}

QByteArray probeCommand(const quint8 address)
{
    return QByteArray(1, Start) + char(address & ~ReadBit) + '\0' + Stop;
}

QString hexByte(int value)
{
    return QLatin1String("0x") + QString::number(value & 0xFF, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

} // namespace SC18IM700Protocol
