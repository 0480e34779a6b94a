#ifndef QUELMHOST_SIMULATORSTATE_H
#define QUELMHOST_SIMULATORSTATE_H

#include <QtCore/QLockFile>
#include <QtCore/QString>

#include <functional>
#include <memory>

class BridgeSimulator;

// The built-in simulator's state between runs: a JSON file (the bridge's
// registers and every part's memory) that one run reads and writes back
// for the next. Runs that share one state take turns: each holds a lock
// file beside it ("STATE.lock") from before it loads the state until after
// it has saved it, so that no run's changes are overwritten by a run that
// loaded the state before them.
class SimulatorState
{
public:
    static constexpr int DefaultLockWaitMs = 10000;

    // "demo.sim-state.json" beside "demo.json".
    static QString defaultFile(const QString& descriptionFile);

    // Holds the state in fileName for this run. When another run holds it,
    // waiting is told so ("waiting for demo.sim-state.json, held by another
    // quelm-studio (process 4242)") before the wait. Null, with one line in
    // error, when the other run still holds it after waitMs, or when no
    // lock file can be made beside it.
    static std::unique_ptr<SimulatorState> lock(const QString& fileName, int waitMs, QString* error,
                                                const std::function<void(const QString& line)>& waiting = {});

    QString fileName() const { return m_fileName; }
    // Puts what the file holds into the simulator; without a file it stays
    // as it is. False, with one line naming the file, for a state that is
    // not the simulator's product's, and the simulator is left unchanged.
    bool load(BridgeSimulator& simulator, QString* error) const;
    // The simulator's state saved whole, or the old file left untouched;
    // false, with one line in error, when it cannot.
    bool save(const BridgeSimulator& simulator, QString* error) const;

private:
    explicit SimulatorState(const QString& fileName);
    // Who holds the lock file, in words.
    QString holder() const;

    QString m_fileName;
    QLockFile m_lock;
};

#endif // QUELMHOST_SIMULATORSTATE_H
