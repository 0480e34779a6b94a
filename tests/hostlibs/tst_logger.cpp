// The host's logger: a record reaches each registered appender once, a
// removed one hears nothing, and without appenders warnings go to stderr.

#include <varncore/logger.h>

#include <QtTest/QtTest>

#include <stdio.h>
#include <unistd.h>

struct RecordingAppender : AbstractAppender {
    void append(const LogRecord& r) override
    {
        records << QStringLiteral("%1 %2:%3 %4: %5").arg(r.level).arg(r.file).arg(r.line).arg(r.function, r.message);
    }
    QStringList records;
};

class TestLogger : public QObject
{
    Q_OBJECT

private slots:
    // The record keeps the file, line and function it was made with.
    void recordReachesEveryAppenderOnce()
    {
        Logger logger;
        RecordingAppender first, second, removed;
        for (RecordingAppender* appender : {&removed, &first, &second, &first})
            logger.registerAppender(appender);
        logger.removeAppender(&removed);
        CuteMessageLogger(&logger, Logger::Error, "dir/file.cpp", 24, "void f(int)").write() << "value=" << 7 << QStringLiteral("text");
        // QDebug's spaces between parts stay, the one after the last goes.
        QCOMPARE(first.records, QStringList(QStringLiteral("%1 dir/file.cpp:24 void f(int): value= 7 \"text\"").arg(Logger::Error)));
        QCOMPARE(second.records, first.records);
        QVERIFY(removed.records.isEmpty());
    }

    // Debug records are dropped; the logger flushes stderr itself.
    void stderrWithoutAppenders()
    {
        Logger logger;
        QTemporaryFile file;
        QVERIFY(file.open());
        fflush(stderr);
        const int saved = dup(STDERR_FILENO);
        dup2(file.handle(), STDERR_FILENO);
        for (const Logger::LogLevel level : {Logger::Debug, Logger::Warning, Logger::Fatal})
            CuteMessageLogger(&logger, level, "a/b.cpp", 24, "void f()").write() << "addr=" << 7;
        dup2(saved, STDERR_FILENO);
        close(saved);
        file.seek(0);
        QCOMPARE(file.readAll(), QByteArray("[Warning] a/b.cpp:24 void f(): addr= 7\n[Fatal] a/b.cpp:24 void f(): addr= 7\n"));
    }
};

QTEST_GUILESS_MAIN(TestLogger)
#include "tst_logger.moc"
