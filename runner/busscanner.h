#ifndef QUELMRUNNER_BUSSCANNER_H
#define QUELMRUNNER_BUSSCANNER_H

#include "quelmrunner_global.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QString>

class Link;

//! The 8-bit write addresses that acknowledged on one bus segment, in
//! ascending order. A scan that stops early keeps what it found before.
struct QUELMRUNNER_EXPORT ScanResult
{
    QList<quint8> answered; //!< the addresses that acknowledged
    QString errorString;    //!< why the scan stopped early; empty when it ran through

    //! Whether the scan ran through.
    bool ok() const { return errorString.isEmpty(); }
};

//! Finds the parts on the segment the bridge reaches now: probes every even
//! address with the smallest transaction there is, a write of no bytes, and
//! reads the bridge's I2C status after each.
class QUELMRUNNER_EXPORT BusScanner
{
public:
    static constexpr quint8 FirstAddress = 0x02; //!< the first address probed
    static constexpr quint8 LastAddress = 0xFE;  //!< the last address probed

    //! The same as SC18IM700Protocol::probeCommand(), which the scan sends;
    //! kept for the callers that name it here.
    static QByteArray probeCommand(quint8 address);

    //! The link is not owned and must outlive the scanner.
    explicit BusScanner(Link* link);

    //! How long each status read may take, in milliseconds
    //! (CommandRunner::DefaultTimeoutMs until set).
    void setTimeout(int timeoutMs) { m_timeoutMs = timeoutMs; }
    //! Probes every even address from \a first to \a last, both 8-bit write
    //! addresses: by default FirstAddress to LastAddress.
    ScanResult scan(quint8 first = FirstAddress, quint8 last = LastAddress);

private:
    Link* m_link;
    int m_timeoutMs; // CommandRunner::DefaultTimeoutMs until set
};

#endif // QUELMRUNNER_BUSSCANNER_H
