#include "registerpart.h"

namespace {
const QString pointerKey = QStringLiteral("pointer");
const QString pinsKey = QStringLiteral("pins");
const QString eepromKey = QStringLiteral("eeprom");
} // namespace

RegisterPart::RegisterPart(const SimulatedPartFacts& facts)
    : SimulatedPart(facts)
{
}

void RegisterPart::powerCycle()
{
    m_pointer = 0;
    m_expectPointer = false;
    SimulatedPart::powerCycle();
}

void RegisterPart::start(bool read)
{
    m_expectPointer = !read;
}

bool RegisterPart::writeByte(quint8 byte)
{
    if (m_expectPointer) {
        if (byte >= memory().size())
            return false;
        m_pointer = byte;
        m_expectPointer = false;
        return true;
    }
    if (isWritable(m_pointer))
        store(m_pointer, byte);
    m_pointer = nextWriteAddress();
    return true;
}

quint8 RegisterPart::readByte()
{
    const quint8 value = valueAt(m_pointer);
    m_pointer = (m_pointer + 1) % memory().size();
    return value;
}

int RegisterPart::nextWriteAddress() const
{
    const int pageSize = facts().pageSize;
    if (pageSize > 0 && m_pointer < facts().pagedEnd) {
        const int pageStart = m_pointer - m_pointer % pageSize;
        return pageStart + (m_pointer + 1 - pageStart) % pageSize;
    }
    return (m_pointer + 1) % memory().size();
}

bool RegisterPart::isWritable(int) const
{
    return true;
}

quint8 RegisterPart::valueAt(int address) const
{
    return at(address);
}

void RegisterPart::store(int address, quint8 byte)
{
    put(address, byte);
}

QJsonObject RegisterPart::saveState() const
{
    QJsonObject state = SimulatedPart::saveState();
    state.insert(pointerKey, m_pointer);
    return state;
}

bool RegisterPart::restoreState(const QJsonObject& state)
{
    const int pointer = state.value(pointerKey).toInt(-1);
    if (pointer < 0 || pointer >= memory().size() || !SimulatedPart::restoreState(state))
        return false;
    m_pointer = pointer;
    return true;
}

DS4520Part::DS4520Part()
    : RegisterPart(*SimulatedPart::facts(Device::DS4520))
    , m_eeprom(memory().mid(PullupEnable0, ShadowedCount))
{
}

void DS4520Part::store(int address, quint8 byte)
{
    put(address, byte);
    const int shadowed = address - PullupEnable0;
    if (shadowed >= 0 && shadowed < ShadowedCount && shadowsInEeprom())
        m_eeprom[shadowed] = char(byte);
}

void DS4520Part::powerCycle()
{
    RegisterPart::powerCycle();
    for (int i = 0; i < ShadowedCount; ++i)
        put(PullupEnable0 + i, quint8(m_eeprom.at(i)));
    put(Config, 0x00);
    for (int address = SramStart; address < memory().size(); ++address)
        put(address, 0x00);
}

bool DS4520Part::isWritable(int address) const
{
    return address != IoStatus0 && address != IoStatus1;
}

// A pin reads high only when its control bit releases it and nothing outside
// pulls it low: the I/O control bit 0 turns the pull-down transistor on.
quint8 DS4520Part::valueAt(int address) const
{
    const quint16 released = quint16(at(IoControl0) | (at(IoControl1) & 0x01) << 8);
    const quint16 levels = released & m_pinLevels;
    if (address == IoStatus0)
        return quint8(levels & 0xFF);
    if (address == IoStatus1)
        return quint8(levels >> 8);
    return RegisterPart::valueAt(address);
}

QJsonObject DS4520Part::saveState() const
{
    QJsonObject state = RegisterPart::saveState();
    state.insert(pinsKey, int(m_pinLevels));
    state.insert(eepromKey, QString::fromLatin1(m_eeprom.toHex().toUpper()));
    return state;
}

// A state without EEPROM copies was saved before they were kept: every
// write then reached the EEPROM, so the copies equal the registers.
bool DS4520Part::restoreState(const QJsonObject& state)
{
    const int pins = state.value(pinsKey).toInt(-1);
    const QString copies = state.value(eepromKey).toString();
    const QByteArray eeprom = QByteArray::fromHex(copies.toLatin1());
    const bool copiesFit = !state.contains(eepromKey)
        || (eeprom.size() == ShadowedCount && copies.size() == 2 * ShadowedCount);
    if (pins < 0 || pins > AllPins || !copiesFit || !RegisterPart::restoreState(state))
        return false;
    m_pinLevels = quint16(pins);
    m_eeprom = state.contains(eepromKey) ? eeprom : memory().mid(PullupEnable0, ShadowedCount);
    return true;
}
