#include "progressdisplay.h"

#include <workflow.h>

#include <QtCore/QTextStream>

#include <utility>

namespace {

constexpr int BarWidth = 30;

} // namespace

ProgressDisplay::ProgressDisplay(QTextStream& err, bool quiet, bool verbose, bool terminal)
    : m_err(err)
    , m_quiet(quiet)
    , m_verbose(verbose)
    , m_terminal(terminal)
{
}

void ProgressDisplay::note(Transport::Note note, const QString& line) const
{
    switch (note) {
    case Transport::Note::Detail:
        if (!m_quiet && m_verbose)
            m_err << line << Qt::endl;
        break;
    case Transport::Note::Progress:
        if (!m_quiet)
            m_err << line << Qt::endl;
        break;
    case Transport::Note::Warning:
        m_err << "quelmctl: " << line << Qt::endl;
        break;
    }
}

// The bar is drawn as a phase starts and after each command but the last,
// whose place the phase's line takes.
void ProgressDisplay::progress(const QString& phase, int done, int count)
{
    if (m_quiet || !m_terminal || (done > 0 && done >= count))
        return;
    const int filled = count > 0 ? done * BarWidth / count : BarWidth;
    m_err << '\r' << phase << " [" << QString(filled, QLatin1Char('#'))
          << QString(BarWidth - filled, QLatin1Char('.')) << "] " << done << '/' << count;
    m_err.flush();
    m_barShown = true;
}

// The bar, where there is one, gives way to the phase's line; a phase that
// stopped leaves it standing for the error lines below.
void ProgressDisplay::phaseEnded(const PhaseRun& run)
{
    const bool barShown = std::exchange(m_barShown, false);
    if (m_quiet)
        return;
    if (!run.ok()) {
        if (barShown)
            m_err << '\n';
        return;
    }
    if (barShown)
        m_err << "\r\x1b[K";
    m_err << run.doneText() << Qt::endl;
}
