#include "registerpart.h"

namespace {
const QString pointerKey = QStringLiteral("pointer");
const QString pinsKey = QStringLiteral("pins");
} // namespace

RegisterPart::RegisterPart(const SimulatedPartFacts& facts)
    : SimulatedPart(facts)
{
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
        put(m_pointer, byte);
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
{
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
    return state;
}

bool DS4520Part::restoreState(const QJsonObject& state)
{
    const int pins = state.value(pinsKey).toInt(-1);
    if (pins < 0 || pins > AllPins || !RegisterPart::restoreState(state))
        return false;
    m_pinLevels = quint16(pins);
    return true;
}
