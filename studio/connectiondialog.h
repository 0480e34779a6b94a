#ifndef QUELMSTUDIO_CONNECTIONDIALOG_H
#define QUELMSTUDIO_CONNECTIONDIALOG_H

#include <transport.h>

#include <QtWidgets/QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

// Where the window sends its commands: the built-in simulator with its
// state file, or a serial port the machine has (or one typed in, such as a
// simulator's pseudo-terminal), with the bridge's rate, I2C clock and
// acknowledge checks.
class ConnectionDialog : public QDialog
{
    Q_OBJECT

public:
    ConnectionDialog(const TransportOptions& options, const QString& defaultStateFile, QWidget* parent = nullptr);

    TransportOptions options() const;

private:
    void updateEnabled();

    TransportOptions m_options;
    QRadioButton* m_simulator;
    QRadioButton* m_serial;
    QLineEdit* m_stateFile;
    QComboBox* m_port;
    QComboBox* m_baudRate;
    QComboBox* m_i2cClock;
    QCheckBox* m_acknowledgeChecks;
};

#endif // QUELMSTUDIO_CONNECTIONDIALOG_H
