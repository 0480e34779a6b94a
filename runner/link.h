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

    QString errorString() const { return m_errorString; }

protected:
    void setErrorString(const QString& text) { m_errorString = text; }

private:
    QString m_errorString;
};

#endif // QUELMRUNNER_LINK_H
