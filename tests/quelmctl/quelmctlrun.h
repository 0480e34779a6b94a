#ifndef QUELMCTLRUN_H
#define QUELMCTLRUN_H

// Runs the built quelmctl in a working directory and collects what it printed.

#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>

struct QuelmCtlRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

inline QuelmCtlRun runQuelmCtl(const QString& directory, const QStringList& arguments,
                               const QString& program = QStringLiteral(QUELMCTL_PROGRAM))
{
    QProcess process;
    process.setWorkingDirectory(directory);
    process.start(program, arguments);
    QuelmCtlRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
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

#endif // QUELMCTLRUN_H
