#ifndef QUELMRUNNER_LINK_H
#define QUELMRUNNER_LINK_H

#include "quelmrunner_global.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

// The serial connection to the bridge, as the command runner sees it.
class QUELMRUNNER_EXPORT Link
{
public:
    virtual ~Link();

    // False, with errorString() set, when the bytes could not be sent.
    virtual bool write(const QByteArray& bytes) = 0;
    // Up to count bytes: all of them, or what arrived before the timeout.
    // Bytes beyond count stay for the next read.
    virtual QByteArray read(int count, int timeoutMs) = 0;
    // Forgets whatever arrived and was not read yet.
    virtual void discardInput() = 0;

    // Blocks until every byte written has left the host. False, with
    // errorString() set, when that cannot be waited for.
    virtual bool drain();
    // The host side's rate; 0 for a link that has none.
    virtual qint32 baudRate() const;
    // Moves the host side to another rate. False, with errorString() set,
    // for a link without a rate or a rate the port refuses.
    virtual bool setBaudRate(qint32 rate);

    QString errorString() const { return m_errorString; }

protected:
    void setErrorString(const QString& text) { m_errorString = text; }

private:
    QString m_errorString;
};

#endif // QUELMRUNNER_LINK_H
