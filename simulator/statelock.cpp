#include "statelock.h"

StateLock::StateLock(const QString& lockFile)
    : m_file(lockFile)
{
    // A run may take minutes at a low rate: only a lock whose process has
    // gone is taken over, never one that is merely old.
    m_file.setStaleLockTime(0);
}

std::unique_ptr<StateLock> StateLock::acquire(const QString& stateFile, int waitMs, QString* error)
{
    std::unique_ptr<StateLock> lock(new StateLock(stateFile + QStringLiteral(".lock")));
    if (lock->m_file.tryLock(qMax(0, waitMs)))
        return lock;
    qint64 pid = 0;
    QString host;
    QString program;
    if (lock->m_file.error() == QLockFile::LockFailedError && lock->m_file.getLockInfo(&pid, &host, &program)) {
        *error = QStringLiteral("simulator state %1 is in use by another run (%2, process %3); waited %4 s")
                     .arg(stateFile, program).arg(pid).arg(waitMs / 1000.0, 0, 'f', 1);
    } else {
        *error = QStringLiteral("cannot lock simulator state %1: no lock file can be made beside it").arg(stateFile);
    }
    return nullptr;
}
