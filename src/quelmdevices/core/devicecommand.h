#ifndef QUELMDEVICES_DEVICECOMMAND_H
#define QUELMDEVICES_DEVICECOMMAND_H

#include "quelmdevices_global.h"

#include <QtCore/QByteArray>
#include <QtCore/QDebug>
#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QString>

QT_BEGIN_NAMESPACE
class QTextStream;
QT_END_NAMESPACE

class Device;

// One transaction on the serial link to the bus master: the bytes to send,
// a text for logs and, for a read, the device and page the answer belongs to.
// The answer is stored in the device, never in the command.
class QUELMDEVICES_EXPORT DeviceCommand : public QObject
{
    Q_OBJECT

public:
    DeviceCommand(const QString& description, const QByteArray& bytes, QObject* parent = nullptr);
    DeviceCommand(const QString& description, Device* device, const int& page,
                  const QByteArray& bytes, QObject* parent = nullptr);

    QByteArray bytes() const { return m_bytes; }
    QString description() const { return m_description; }
    Device* device() const { return m_device; }
    quint8 page() const { return m_page; }
    int responseLength() const { return m_responseLength; }
    void setResponseLength(const int& length) { m_responseLength = length; }

    int responseBytes() const;
    void setRxData(QByteArray& bytes);
    void setTxData(QByteArray bytes);
    QByteArray data() const;

private:
    QByteArray m_bytes;
    Device* m_device = nullptr;
    quint8 m_page = 0;
    // Reserved: keeps the record's layout as hosts know it; nothing reads it.
    qint32 m_reserved = 0;
    int m_responseLength = 0;
    QString m_description;
};

QUELMDEVICES_EXPORT QTextStream& operator<<(QTextStream& stream, DeviceCommand* command);
QUELMDEVICES_EXPORT QDebug operator<<(QDebug debug, DeviceCommand* command);

// Writes the text dump of every command to "<application dir>/tmp/<fileName>".
extern "C" QUELMDEVICES_EXPORT void commandsListDump(const QList<DeviceCommand*>& list,
                                                     const QString& fileName);

#endif // QUELMDEVICES_DEVICECOMMAND_H
