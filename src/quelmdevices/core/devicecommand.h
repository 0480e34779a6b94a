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

//! One transaction on the serial link to the bridge: the bytes to send, a
//! text for logs and, for a read, the device and read page its answer
//! belongs to. The answer is stored in the device, never in the command.
//!
//! The command lists of ProductInterface are made of these. A host sends
//! each command's bytes() in list order, reads responseBytes() bytes back
//! for it (none for a write) and hands them to setRxData(), as the quick
//! start (examples/quickstart/main.cpp) does on a link of the runner:
//! \snippet quickstart/main.cpp send
//! A command has no parent unless one is given; it owns only its bytes and
//! its text, never the device. The caller of a ProductInterface operation
//! owns the commands it receives and deletes them (`qDeleteAll`).
class QUELMDEVICES_EXPORT DeviceCommand : public QObject
{
    Q_OBJECT

public:
    //! A command that expects no answer: no device, page 0.
    DeviceCommand(const QString& description, const QByteArray& bytes, QObject* parent = nullptr);
    //! A command whose answer fills read page \a page of \a device (not
    //! owned); the page is kept in 8 bits.
    DeviceCommand(const QString& description, Device* device, const int& page,
                  const QByteArray& bytes, QObject* parent = nullptr);

    //! The bytes to send, in the bridge's serial protocol.
    QByteArray bytes() const { return m_bytes; }
    //! One line for logs, such as `Read Device: 0.A0.8 (8 Bytes)`.
    QString description() const { return m_description; }
    //! The device the answer belongs to; null for a command without one.
    Device* device() const { return m_device; }
    //! The device's read page the answer fills.
    quint8 page() const { return m_page; }
    //! A length that replaces the page size as the answer's size when above
    //! 0; 0 on every command the library makes. The size to read is
    //! responseBytes(), never this.
    int responseLength() const { return m_responseLength; }
    //! Sets responseLength().
    void setResponseLength(const int& length) { m_responseLength = length; }

    //! How many bytes the bridge answers: 0 without a device, else
    //! responseLength() when above 0, else the read page's size.
    int responseBytes() const;
    //! Stores the answer in the device's receive buffer from the read page's
    //! start on, whatever its length; does nothing without a device.
    void setRxData(QByteArray& bytes);
    //! Replaces bytes.size() bytes of the command from index 4 on: the
    //! payload of a register write ("S", address, count, register,
    //! payload..., "P") for one of the same length.
    void setTxData(QByteArray bytes);
    //! The read page's bytes as the device's receive buffer holds them now,
    //! clipped at the buffer's end; empty without a device.
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

//! \relates DeviceCommand
//! Writes the command's text dump, a line each, in upper-case hex: the
//! description; `Tx Command:` (two spaces before) and the bytes; `Data:`
//! (eight spaces before) and data(), when that is not empty. Leaves the
//! stream in hex (Qt::hex): integers written to it afterwards come out in
//! base 16 until the caller sets Qt::dec.
QUELMDEVICES_EXPORT QTextStream& operator<<(QTextStream& stream, DeviceCommand* command);
//! \relates DeviceCommand
//! Writes the description, `Tx:` and the bytes in hex and, when data() is
//! not empty, `Rx:` and data() in hex, as unquoted items; no line break.
QUELMDEVICES_EXPORT QDebug operator<<(QDebug debug, DeviceCommand* command);

//! \relates DeviceCommand
//! Writes the text dump of every command to `tmp/fileName` beside the
//! executable (QCoreApplication::applicationDirPath()), replacing the file.
//! The folder is not created: without it nothing is written, and nothing
//! says so.
extern "C" QUELMDEVICES_EXPORT void commandsListDump(const QList<DeviceCommand*>& list,
                                                     const QString& fileName);

#endif // QUELMDEVICES_DEVICECOMMAND_H
