#include "ioportfield.h"

#include "cellnumber.h"
#include "device.h"

IoPortField::IoPortField(QuelmModel* model, const int& row, Device* device, QObject* parent)
    : Field(model, row, device, parent)
{
    m_size = 1;
    if (!m_model || !m_device)
        return;
    QByteArray enables = m_device->pullUpEnables();
    if (enables.isEmpty())
        enables.resize(1);
    enables[0] = char(cellNumber(cellData(ConfigurationColumn, Qt::EditRole)));
    m_device->setPullUpEnables(enables);
}

void IoPortField::mapToEmbeddedData()
{
    if (m_model && m_device)
        m_device->setIoPortValue(m_address, firstModelByte());
}

void IoPortField::mapFromEmbeddedData()
{
    if (m_model && m_device)
        setModelValue(QByteArray(1, char(m_device->ioPortValue(m_address, 0))));
}

QString IoPortField::memoryConfigToString() const
{
    return typeAndConfigurationText();
}
