#include "connectiondialog.h"

#include <bridgesetup.h>
#include <seriallink.h>

#include <QtCore/QFileInfo>
#include <QtCore/QSettings>
#include <QtSerialPort/QSerialPortInfo>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QVBoxLayout>

namespace {

const char* const serialKey = "connection/serial";
const char* const portKey = "connection/port";
const char* const baudRateKey = "connection/baudRate";
const char* const i2cClockKey = "connection/i2cClock";
const char* const acknowledgeChecksKey = "connection/acknowledgeChecks";

} // namespace

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
    , m_refusal(new QLabel(this))
{
    setWindowTitle(tr("Connect"));
    m_stateFile->setPlaceholderText(defaultStateFile);
    // Pseudo-terminals are not listed; their paths can be typed in.
    m_port->setEditable(true);
    m_port->setObjectName(QStringLiteral("port"));
    m_simulator->setObjectName(QStringLiteral("simulator"));
    m_serial->setObjectName(QStringLiteral("serial"));
    m_refusal->setObjectName(QStringLiteral("refusal"));
    m_refusal->setStyleSheet(QStringLiteral("color: #c00000"));
    m_refusal->setWordWrap(true);
    m_refusal->hide();
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        m_port->addItem(port.systemLocation());
    // The port typed last stays offered when the simulator was chosen.
    m_port->setCurrentText(options.port.isEmpty() ? QSettings().value(QLatin1String(portKey)).toString()
                                                   : options.port);
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
    layout->addWidget(m_refusal);
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

TransportOptions ConnectionDialog::remembered()
{
    const QSettings settings;
    TransportOptions options;
    if (settings.value(QLatin1String(serialKey)).toBool())
        options.port = settings.value(QLatin1String(portKey)).toString();
    options.baudRate = settings.value(QLatin1String(baudRateKey), 0).toInt();
    options.i2cClock = settings.value(QLatin1String(i2cClockKey)).toString();
    options.acknowledgeChecks = settings.value(QLatin1String(acknowledgeChecksKey), false).toBool();
    return options;
}

void ConnectionDialog::remember() const
{
    QSettings settings;
    settings.setValue(QLatin1String(serialKey), m_serial->isChecked());
    if (m_serial->isChecked())
        settings.setValue(QLatin1String(portKey), options().port);
    settings.setValue(QLatin1String(baudRateKey), m_baudRate->currentData());
    settings.setValue(QLatin1String(i2cClockKey), m_i2cClock->currentData());
    settings.setValue(QLatin1String(acknowledgeChecksKey), m_acknowledgeChecks->isChecked());
}

// A port is looked for where the bridge's link opens it; a port that is
// there but no serial port is left for the link to refuse.
QString ConnectionDialog::refusal() const
{
    if (!m_serial->isChecked())
        return QString();
    const QString port = options().port;
    if (port.isEmpty())
        return tr("Give the serial port the bridge is on, such as /dev/ttyUSB0.");
    if (!QFileInfo::exists(SerialLink::devicePath(port)))
        return tr("%1: no such port").arg(port);
    return QString();
}

void ConnectionDialog::accept()
{
    const QString why = refusal();
    m_refusal->setText(why);
    m_refusal->setVisible(!why.isEmpty());
    if (!why.isEmpty())
        return;
    remember();
    QDialog::accept();
}
