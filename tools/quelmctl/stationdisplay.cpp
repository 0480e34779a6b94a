#include "stationdisplay.h"

#include <QtCore/QTextStream>

StationDisplay::StationDisplay(QTextStream& err, const QStringList& ports, bool quiet, bool terminal)
    : m_err(err)
    , m_ports(ports)
    , m_quiet(quiet)
    , m_terminal(terminal && !quiet)
{
    for (const QString& port : ports)
        m_portWidth = qMax(m_portWidth, int(port.size()));
    if (!m_terminal)
        return;
    for (const QString& port : ports) {
        m_lines.append(port.leftJustified(m_portWidth) + QStringLiteral("  waiting"));
        m_err << m_lines.constLast() << '\n';
    }
    m_err.flush();
}

// In whole percents, so that a product's line is drawn again at most a
// hundred times a phase, however long its lists are.
void StationDisplay::progress(int unit, const QString& phase, int done, int count)
{
    if (!m_terminal)
        return;
    const int percent = count > 0 ? done * 100 / count : 100;
    show(unit, QStringLiteral("%1 %2%").arg(phase).arg(percent, 3));
}

void StationDisplay::finished(int unit, const QString& outcome)
{
    if (m_terminal) {
        show(unit, outcome);
        return;
    }
    if (m_quiet)
        return;
    const QMutexLocker locker(&m_mutex);
    m_err << m_ports.at(unit) << ": " << outcome << Qt::endl;
}

// The cursor rests below the last product's line: it goes up to the
// product's, rewrites it and comes back.
void StationDisplay::show(int unit, const QString& text)
{
    const QMutexLocker locker(&m_mutex);
    const QString line = m_ports.at(unit).leftJustified(m_portWidth) + QStringLiteral("  ") + text;
    if (line == m_lines.at(unit))
        return;
    m_lines[unit] = line;
    const int up = int(m_lines.size()) - unit;
    m_err << "\x1b[" << up << "A\r" << line << "\x1b[K\x1b[" << up << "B\r";
    m_err.flush();
}
