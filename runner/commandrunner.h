#ifndef QUELMRUNNER_COMMANDRUNNER_H
#define QUELMRUNNER_COMMANDRUNNER_H

#include "quelmrunner_global.h"

#include <QtCore/QList>
#include <QtCore/QString>

#include <functional>

class DeviceCommand;
class Link;

// How far a run got. Commands 0 to applied - 1 were sent and their answers
// stored; when the run stopped early, failedIndex is the command it stopped
// at (applied == failedIndex) and nothing of that command's answer is stored.
struct QUELMRUNNER_EXPORT RunResult
{
    int applied = 0;
    int failedIndex = -1;
    QString errorString;

    bool ok() const { return failedIndex < 0; }
};

// Executes command lists on a link, front to back: sends each command's
// bytes, reads its responseBytes() and hands them to setRxData.
class QUELMRUNNER_EXPORT CommandRunner
{
public:
    // Called after each applied command with its list index and the list size.
    using Progress = std::function<void(int index, int count, const DeviceCommand* command)>;

    static constexpr int DefaultTimeoutMs = 1000;

    // The link is not owned and must outlive the runner.
    explicit CommandRunner(Link* link);

    int timeout() const { return m_timeoutMs; }
    // How long one command's answer may take, in milliseconds.
    void setTimeout(int timeoutMs) { m_timeoutMs = timeoutMs; }
    void setProgress(const Progress& progress) { m_progress = progress; }

    RunResult run(const QList<DeviceCommand*>& commands);

private:
    QString runOne(DeviceCommand* command);

    Link* m_link;
    int m_timeoutMs = DefaultTimeoutMs;
    Progress m_progress;
};

#endif // QUELMRUNNER_COMMANDRUNNER_H
