#ifndef QUELMSIM_STATELOCK_H
#define QUELMSIM_STATELOCK_H

#include "quelmsim_global.h"

#include <QtCore/QLockFile>
#include <QtCore/QString>

#include <memory>

// Runs that share one simulator state file take turns: each holds a lock
// file beside it ("STATE.lock") from before it reads the state until after
// it has written it back, so that no run's changes are overwritten by a run
// that read the state before them.
class QUELMSIM_EXPORT StateLock
{
public:
    static constexpr int DefaultWaitMs = 10000;

    // Null, with one line in error, when another run still holds the state
    // after waitMs, or when no lock file can be made beside it.
    static std::unique_ptr<StateLock> acquire(const QString& stateFile, int waitMs, QString* error);

private:
    explicit StateLock(const QString& lockFile);

    QLockFile m_file;
};

#endif // QUELMSIM_STATELOCK_H
