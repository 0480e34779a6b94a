#include "simulatorstate.h"

#include "savefile.h"

#include <bridgesimulator.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonDocument>

SimulatorState::SimulatorState(const QString& fileName)
    : m_fileName(fileName)
    , m_lock(fileName + QStringLiteral(".lock"))
{
    // A run may take minutes at a low rate: only a lock whose process has
    // gone is taken over, never one that is merely old.
    m_lock.setStaleLockTime(0);
}

QString SimulatorState::defaultFile(const QString& descriptionFile)
{
    const QFileInfo info(descriptionFile);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".sim-state.json"));
}

std::unique_ptr<SimulatorState> SimulatorState::lock(const QString& fileName, int waitMs, QString* error,
                                                    const std::function<void(const QString& line)>& waiting)
{
    std::unique_ptr<SimulatorState> state(new SimulatorState(fileName));
    if (state->m_lock.tryLock(0))
        return state;
    const bool held = state->m_lock.error() == QLockFile::LockFailedError;
    if (held && waiting && waitMs > 0)
        waiting(QStringLiteral("waiting for %1, held by %2").arg(QFileInfo(fileName).fileName(), state->holder()));
    if (held && state->m_lock.tryLock(qMax(0, waitMs)))
        return state;
    qint64 pid = 0;
    QString host;
    QString program;
    if (state->m_lock.error() == QLockFile::LockFailedError && state->m_lock.getLockInfo(&pid, &host, &program)) {
        *error = QStringLiteral("simulator state %1 is in use by another run (%2, process %3); waited %4 s")
                     .arg(fileName, program).arg(pid).arg(waitMs / 1000.0, 0, 'f', 1);
    } else {
        *error = QStringLiteral("cannot lock simulator state %1: no lock file can be made beside it").arg(fileName);
    }
    return nullptr;
}

// "another quelm-studio (process 4242)", "quelmctl (process 4242)".
QString SimulatorState::holder() const
{
    qint64 pid = 0;
    QString host;
    QString program;
    if (!m_lock.getLockInfo(&pid, &host, &program))
        return QStringLiteral("another run");
    if (program == QCoreApplication::applicationName())
        program.prepend(QStringLiteral("another "));
    return QStringLiteral("%1 (process %2)").arg(program).arg(pid);
}

bool SimulatorState::load(BridgeSimulator& simulator, QString* error) const
{
    QFile file(m_fileName);
    if (!file.exists())
        return true;
    const QJsonDocument document = file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll())
                                                                  : QJsonDocument();
    if (document.isObject() && simulator.restoreState(document.object()))
        return true;
    *error = QStringLiteral("simulator state %1 does not fit the product; delete it to start afresh").arg(m_fileName);
    return false;
}

bool SimulatorState::save(const BridgeSimulator& simulator, QString* error) const
{
    QString reason;
    if (saveWholeFile(m_fileName, QJsonDocument(simulator.saveState()).toJson(), &reason))
        return true;
    *error = QStringLiteral("cannot write simulator state %1: %2").arg(m_fileName, reason);
    return false;
}
