#ifndef QUELMCTLRUN_H
#define QUELMCTLRUN_H

// Runs the built quelmctl in a working directory, alone or as the steps of a
// session whose transcript is compared whole with a golden file.

#include <recordstore.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QLockFile>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>

struct QuelmCtlRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

inline QuelmCtlRun finished(QProcess& process)
{
    QuelmCtlRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

inline QuelmCtlRun runQuelmCtl(const QString& directory, const QStringList& arguments,
                               const QString& program = QStringLiteral(QUELMCTL_PROGRAM),
                               QProcess::ProcessChannelMode channels = QProcess::SeparateChannels)
{
    QProcess process;
    process.setProcessChannelMode(channels);
    process.setWorkingDirectory(directory);
    process.start(program, arguments);
    return finished(process);
}

// The demo product copied into dir as "demo.json", so that runs keep their
// simulator state beside it.
inline bool copyDemo(const QTemporaryDir& dir)
{
    return QFile::copy(QStringLiteral(QUELMCTL_DEMO), dir.filePath(QStringLiteral("demo.json")));
}

inline QByteArray readFile(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Whether the parts of two simulator state files hold the same: a line per
// part, "CAT24AA02 bus 0 0xA0: same" or "... differs". Where a part's address
// pointer stands says nothing of what it holds and is left out.
inline QString sameParts(const QString& first, const QString& second)
{
    const QJsonArray one = QJsonDocument::fromJson(readFile(first)).object().value(QStringLiteral("parts")).toArray();
    const QJsonArray other = QJsonDocument::fromJson(readFile(second)).object().value(QStringLiteral("parts")).toArray();
    if (one.isEmpty() || one.size() != other.size())
        return QStringLiteral("[the files hold %1 and %2 parts]\n").arg(one.size()).arg(other.size());
    QString text;
    for (int index = 0; index < one.size(); ++index) {
        QJsonObject part = one.at(index).toObject();
        QJsonObject state = part.value(QStringLiteral("state")).toObject();
        QJsonObject otherState = other.at(index).toObject().value(QStringLiteral("state")).toObject();
        state.remove(QStringLiteral("pointer"));
        otherState.remove(QStringLiteral("pointer"));
        text += QStringLiteral("%1 bus %2 %3: %4\n")
                    .arg(part.value(QStringLiteral("type")).toString()).arg(part.value(QStringLiteral("bus")).toInt())
                    .arg(part.value(QStringLiteral("address")).toString(),
                         state == otherState ? QStringLiteral("same") : QStringLiteral("differs"));
    }
    return text;
}

// A session in a new directory that holds the demo product as demo.json and
// the descriptions of tests/data/quelmctl/inputs. Each step is one line:
//   quelmctl ARGS       run it and write down its stderr, stdout and exit code
//   quelmctl& ARGS      start it in the background; "wait" writes down what it did
//   full BLOCKS ARGS    quelmctl on a disk that fills up after BLOCKS x 512 bytes
//   cat FILE            the file;  json FILE KEY  the text at KEY in the file
//   parts FILE OTHER    whether two simulator states' parts hold the same
//   keep FILE, same FILE   whether FILE is still what it was at "keep"
//   lock FILE, unlock   a lock file held as another run holds it
//   copy FROM TO, sleep MS, ls
//   serve ARGS, stop    quelm-simulator serving bench.json; <port> is its terminal
//   pty                 a terminal that nobody answers on; <port> is it
//   records DATABASE    each product's record there, in the order of the ports
// The transcript writes the directory, the port and the process ids of the
// test and of the served simulator as <dir>, <port> and <pid>, and the
// seconds a run on a terminal took as <seconds>. Steps may name the
// directory and the port the same way, and tests/data as <data>.
class Session
{
public:
    Session()
    {
        const QDir inputs(QStringLiteral(QUELM_TEST_DATA_DIR "/quelmctl/inputs"));
        bool ready = m_dir.isValid() && copyDemo(m_dir);
        for (const QString& name : inputs.entryList(QDir::Files))
            ready = ready && QFile::copy(inputs.filePath(name), path(name));
        if (!ready)
            m_text = QStringLiteral("[no session directory]\n");
        m_background.setWorkingDirectory(m_dir.path());
        m_served.setWorkingDirectory(m_dir.path());
        m_served.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    ~Session()
    {
        for (QProcess* const process : {&m_background, &m_served}) {
            process->terminate();
            process->waitForFinished(10000);
        }
        if (m_master >= 0)
            close(m_master);
    }

    QByteArray transcript(const QStringList& steps)
    {
        for (const QString& line : steps)
            step(line);
        QString text = m_text;
        text.replace(m_dir.path(), QStringLiteral("<dir>"));
        if (!m_port.isEmpty()) { // real time on a terminal
            text.replace(m_port, QStringLiteral("<port>"));
            text.replace(QRegularExpression(QStringLiteral("\"seconds\": [0-9.e-]+")), QStringLiteral("\"seconds\": <seconds>"));
            text.replace(QRegularExpression(QStringLiteral("[0-9]+\\.[0-9]+ s at ")), QStringLiteral("<seconds> s at "));
        }
        // Wall times of products run at once.
        text.replace(QRegularExpression(QStringLiteral("\"wallSeconds\": [0-9.e-]+")), QStringLiteral("\"wallSeconds\": <seconds>"));
        text.replace(QRegularExpression(QStringLiteral("(?<=  )[0-9]+\\.[0-9]+ s$"), QRegularExpression::MultilineOption),
                     QStringLiteral("<seconds> s"));
        for (const qint64 pid : {QCoreApplication::applicationPid(), m_served.processId()})
            text.replace(QStringLiteral("process %1").arg(pid), QStringLiteral("process <pid>"));
        return text.toUtf8();
    }

private:
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }

    // What a record keeps of a product, but its times and the station's name.
    static QString recordsText(const QString& database)
    {
        RecordStore store;
        QString error;
        QList<UnitRecord> records = store.open(database, &error) ? store.records({}, &error) : QList<UnitRecord>();
        std::stable_sort(records.begin(), records.end(),
                  [](const UnitRecord& a, const UnitRecord& b) { return a.port < b.port; });
        QString text = error.isEmpty() ? QString() : QStringLiteral("[%1]\n").arg(error);
        for (const UnitRecord& record : qAsConst(records)) {
            QStringList settings;
            for (const auto& [name, value] : record.settings)
                settings.append(name + QLatin1Char('=') + value);
            QStringList phases;
            for (const PhaseTime& phase : record.phases)
                phases.append(phase.phase);
            text += QStringLiteral("%1 %2 %3 serial %4 -> %5 verified %6 phases %7 error \"%8\"\n  %9\n")
                        .arg(record.port, record.description, record.descriptionHash.left(12), record.serialBefore,
                             record.serialAfter, record.verified ? QStringLiteral("yes") : QStringLiteral("no"),
                             phases.join(QLatin1Char(',')), record.error, settings.join(QLatin1Char(' ')));
        }
        return text;
    }

    void record(const QuelmCtlRun& run)
    {
        for (const auto& [name, text] : {std::pair{"stderr", run.err}, std::pair{"stdout", run.out}}) {
            if (!text.isEmpty()) // a missing line end glues the next line to it
                m_text += QStringLiteral("%1:\n%2").arg(QLatin1String(name), text);
        }
        m_text += QStringLiteral("exit %1\n").arg(run.exitCode);
    }

    void step(QString line)
    {
        m_text += QStringLiteral("$ %1\n").arg(line);
        line.replace(QStringLiteral("<port>"), m_port).replace(QStringLiteral("<dir>"), m_dir.path())
            .replace(QStringLiteral("<data>"), QStringLiteral(QUELM_TEST_DATA_DIR));
        QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString verb = words.takeFirst();
        const QString file = words.isEmpty() ? QString() : path(words.first());
        if (verb == QLatin1String("quelmctl")) {
            record(runQuelmCtl(m_dir.path(), words));
        } else if (verb == QLatin1String("full")) {
            // In a coverage build the program's profile goes to a folder of
            // its own, and what libgcov says of it is not quelmctl's output.
            const QString script = QStringLiteral("trap '' XFSZ; export GCOV_PREFIX=\"$PWD/.profile\"; ulimit -f %1; "
                                                  "exec \"$0\" \"$@\"").arg(words.takeFirst());
            QuelmCtlRun run = runQuelmCtl(m_dir.path(), QStringList{"-c", script, QUELMCTL_PROGRAM} + words, "/bin/sh");
            run.err.remove(QRegularExpression(QStringLiteral("^libgcov profiling error:.*\n"),
                                              QRegularExpression::MultilineOption));
            record(run);
        } else if (verb == QLatin1String("quelmctl&")) {
            m_background.start(QStringLiteral(QUELMCTL_PROGRAM), words);
            m_background.waitForStarted();
        } else if (verb == QLatin1String("wait")) {
            record(finished(m_background));
        } else if (verb == QLatin1String("cat")) {
            m_text += QFile::exists(file) ? QString::fromUtf8(readFile(file)) : QStringLiteral("[no such file]\n");
        } else if (verb == QLatin1String("json")) {
            m_text += QJsonDocument::fromJson(readFile(file)).object().value(words.at(1)).toString() + '\n';
        } else if (verb == QLatin1String("parts")) {
            m_text += sameParts(file, path(words.at(1)));
        } else if (verb == QLatin1String("keep")) {
            m_kept = readFile(file);
        } else if (verb == QLatin1String("same")) {
            m_text += readFile(file) == m_kept ? QStringLiteral("unchanged\n") : QStringLiteral("changed\n");
        } else if (verb == QLatin1String("lock")) {
            m_lock = std::make_unique<QLockFile>(file);
            m_text += m_lock->tryLock(0) ? QString() : QStringLiteral("[cannot lock]\n");
        } else if (verb == QLatin1String("unlock")) {
            m_lock.reset();
        } else if (verb == QLatin1String("copy")) {
            m_text += QFile::copy(file, path(words.at(1))) ? QString() : QStringLiteral("[cannot copy]\n");
        } else if (verb == QLatin1String("sleep")) {
            QTest::qWait(words.first().toInt());
        } else if (verb == QLatin1String("ls")) {
            m_text += QDir(m_dir.path()).entryList(QDir::Files, QDir::Name).join(QLatin1Char('\n')) + '\n';
        } else if (verb == QLatin1String("serve")) {
            m_served.start(QStringLiteral(QUELM_SIMULATOR_PROGRAM), words + QStringList{path(QStringLiteral("bench.json"))});
            if (m_served.waitForReadyRead(10000))
                m_port = QString::fromLocal8Bit(m_served.readLine()).trimmed();
            m_text += m_port.startsWith(QLatin1String("/dev/")) ? QString() : QStringLiteral("[not served]\n");
        } else if (verb == QLatin1String("stop")) {
            m_served.terminate();
            m_text += m_served.waitForFinished(10000) && m_served.exitCode() == 0 ? QString() : QStringLiteral("[not stopped]\n");
        } else if (verb == QLatin1String("records")) {
            m_text += recordsText(file);
        } else if (verb == QLatin1String("pty")) {
            m_master = posix_openpt(O_RDWR | O_NOCTTY);
            if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0)
                m_port = QString::fromLatin1(ptsname(m_master));
            m_text += m_port.isEmpty() ? QStringLiteral("[no terminal]\n") : QString();
        } else {
            m_text += QStringLiteral("[unknown step]\n");
        }
    }

    QTemporaryDir m_dir;
    QString m_text;
    QString m_port;
    QByteArray m_kept;
    std::unique_ptr<QLockFile> m_lock;
    QProcess m_background;
    QProcess m_served;
    int m_master = -1;
};

// The golden file of the current row: "<folder>/<row name in lower case, dashes for spaces>.txt".
inline QString goldenOfRow(const QString& folder = QStringLiteral("quelmctl"))
{
    QString name = QString::fromUtf8(QTest::currentDataTag()).toLower();
    name.replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
    return QStringLiteral("%1/%2.txt").arg(folder, name);
}

#endif // QUELMCTLRUN_H
