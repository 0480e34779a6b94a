#include "iopinfield.h"

#include "cellnumber.h"
#include "device.h"

namespace {
constexpr int pullUpBit = 0x01;
constexpr int activeHighBit = 0x02;
} // namespace

IoPinField::IoPinField(QuelmModel* model, const int& row, Device* device, QObject* parent)
    : Field(model, row, device, parent)
{
    m_size = 1;
    if (!m_model || !m_device)
        return;
    const int configuration = cellNumber(cellData(ConfigurationColumn, Qt::EditRole));
    m_activeHigh = (configuration & activeHighBit) ? 1 : 0;
    m_device->setIoPinPullUpEnable(m_address, (configuration & pullUpBit) != 0);
}

int IoPinField::applyPolarity(const int& state) const
{
    return m_activeHigh ? state : state ^ 1;
}

int IoPinField::ioPinState(const int& source) const
{
    if (!m_model || !m_device)
        return 0;
    return applyPolarity(m_device->ioPinState(m_address, source));
}

// Only bit 0 of the first byte counts; an empty value is 0.
void IoPinField::mapToEmbeddedData()
{
    if (m_model && m_device)
        m_device->setIoPinState(m_address, applyPolarity(firstModelByte() & 1) != 0);
}

void IoPinField::mapFromEmbeddedData()
{
    if (m_model && m_device)
        setModelValue(QByteArray(1, char(ioPinState(0) ? 1 : 0)));
}

// The pin as the model holds it, not cut to 8 bits like the address.
QString IoPinField::memoryAddressToString() const
{
    if (!m_model)
        return QString();
    return QStringLiteral("IO_%1").arg(cellNumber(cellData(AddressColumn, Qt::EditRole)));
}

QString IoPinField::memoryConfigToString() const
{
    return typeAndConfigurationText();
}
