#ifndef QUELMSTUDIO_CONNECTIONDIALOG_H
#define QUELMSTUDIO_CONNECTIONDIALOG_H

#include <transport.h>

#include <QtWidgets/QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// Where the window sends its commands: the built-in simulator with its
// state file, or a serial port the machine has (or one typed in, such as a
// simulator's pseudo-terminal), with the bridge's rate, I2C clock and
// acknowledge checks. A serial port that is not given or not there is
// refused in the dialog, which stays open, before anything connects. The
// choice is remembered for the next start.
class ConnectionDialog : public QDialog
{
    Q_OBJECT

public:
    ConnectionDialog(const TransportOptions& options, const QString& defaultStateFile, QWidget* parent = nullptr);

    TransportOptions options() const;
    // The choice of the last accepted dialog, from the application's settings.
    static TransportOptions remembered();

    // Takes the choice when it can connect, else says why in the dialog.
    void accept() override;

private:
    void updateEnabled();
    // Why the choice cannot connect, or empty when it may.
    QString refusal() const;
    void remember() const;

    TransportOptions m_options;
    QRadioButton* m_simulator;
    QRadioButton* m_serial;
    QLineEdit* m_stateFile;
    QComboBox* m_port;
    QComboBox* m_baudRate;
    QComboBox* m_i2cClock;
    QCheckBox* m_acknowledgeChecks;
    QLabel* m_refusal;
};

#endif // QUELMSTUDIO_CONNECTIONDIALOG_H
