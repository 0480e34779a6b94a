#include "connectiondialog.h"

#include <bridgesetup.h>

#include <QtSerialPort/QSerialPortInfo>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QVBoxLayout>

ConnectionDialog::ConnectionDialog(const TransportOptions& options, const QString& defaultStateFile,
                                   QWidget* parent)
    : QDialog(parent)
    , m_options(options)
    , m_simulator(new QRadioButton(tr("Built-in &simulator"), this))
    , m_serial(new QRadioButton(tr("Serial &port"), this))
    , m_stateFile(new QLineEdit(options.simulatorState, this))
    , m_port(new QComboBox(this))
    , m_baudRate(new QComboBox(this))
    , m_i2cClock(new QComboBox(this))
    , m_acknowledgeChecks(new QCheckBox(tr("Read the I2C status after every transaction"), this))
{
    setWindowTitle(tr("Connect"));
    m_stateFile->setPlaceholderText(defaultStateFile);
    // Pseudo-terminals are not listed; their paths can be typed in.
    m_port->setEditable(true);
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        m_port->addItem(port.systemLocation());
    m_port->setCurrentText(options.port);
    m_baudRate->addItem(tr("where the bridge is found"), 0);
    for (const qint32 rate : SC18IM700Protocol::StandardBaudRates)
        m_baudRate->addItem(QString::number(rate), rate);
    m_baudRate->setCurrentIndex(qMax(0, m_baudRate->findData(options.baudRate)));
    m_i2cClock->addItem(tr("as the bridge has it"), QString());
    for (const BridgeSetup::I2CClock clock : {BridgeSetup::I2CClock::Standard, BridgeSetup::I2CClock::Fast}) {
        const BridgeSetup::ClockSetting& setting = BridgeSetup::clockSetting(clock);
        m_i2cClock->addItem(setting.text(), QLatin1String(setting.name));
    }
    m_i2cClock->setCurrentIndex(qMax(0, m_i2cClock->findData(options.i2cClock)));
    m_acknowledgeChecks->setChecked(options.acknowledgeChecks);
    (options.port.isEmpty() ? m_simulator : m_serial)->setChecked(true);

    auto* form = new QFormLayout;
    form->addRow(m_simulator);
    form->addRow(tr("State file:"), m_stateFile);
    form->addRow(m_serial);
    form->addRow(tr("Port:"), m_port);
    form->addRow(tr("Baud rate:"), m_baudRate);
    form->addRow(tr("I2C clock:"), m_i2cClock);
    form->addRow(tr("Acknowledge checks:"), m_acknowledgeChecks);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_serial, &QRadioButton::toggled, this, &ConnectionDialog::updateEnabled);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    updateEnabled();
}

void ConnectionDialog::updateEnabled()
{
    m_stateFile->setEnabled(m_simulator->isChecked());
    m_port->setEnabled(m_serial->isChecked());
}

TransportOptions ConnectionDialog::options() const
{
    TransportOptions options = m_options;
    options.port = m_serial->isChecked() ? m_port->currentText().trimmed() : QString();
    options.simulatorState = m_simulator->isChecked() ? m_stateFile->text().trimmed() : QString();
    options.baudRate = m_baudRate->currentData().toInt();
    options.i2cClock = m_i2cClock->currentData().toString();
    options.acknowledgeChecks = m_acknowledgeChecks->isChecked();
    return options;
}
