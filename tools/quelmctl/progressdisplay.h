#ifndef QUELMCTL_PROGRESSDISPLAY_H
#define QUELMCTL_PROGRESSDISPLAY_H

#include <transport.h>

#include <QtCore/QString>

class QTextStream;
struct PhaseRun;

// What quelmctl shows on stderr while it works: the transport's notes (the
// setup's details only when verbose, where the bridge was found unless
// quiet, warnings always), a bar that fills on a terminal, and each phase's
// line once it is done ("read: 88 commands, 1.43 s at 9600 baud").
class ProgressDisplay
{
public:
    ProgressDisplay(QTextStream& err, bool quiet, bool verbose, bool terminal);

    void note(Transport::Note note, const QString& line) const;
    void progress(const QString& phase, int done, int count);
    void phaseEnded(const PhaseRun& run);

private:
    QTextStream& m_err;
    bool m_quiet;
    bool m_verbose;
    bool m_terminal;
    bool m_barShown = false; // since the phase started
};

#endif // QUELMCTL_PROGRESSDISPLAY_H
