#ifndef QUELMCTL_STATIONDISPLAY_H
#define QUELMCTL_STATIONDISPLAY_H

#include <QtCore/QMutex>
#include <QtCore/QStringList>

class QTextStream;

// What quelmctl shows on stderr while several products run at once, called
// from each product's thread. On a terminal every product keeps one line,
// redrawn in place as its phases go on; elsewhere each product's outcome is
// one plain line as it finishes, in the order they finish.
class StationDisplay
{
public:
    StationDisplay(QTextStream& err, const QStringList& ports, bool quiet, bool terminal);

    void progress(int unit, const QString& phase, int done, int count);
    void finished(int unit, const QString& outcome);

private:
    void show(int unit, const QString& text);

    QMutex m_mutex;
    QTextStream& m_err;
    const QStringList m_ports;
    QStringList m_lines;          // as drawn on a terminal
    int m_portWidth = 0;
    bool m_quiet;
    bool m_terminal;
};

#endif // QUELMCTL_STATIONDISPLAY_H
