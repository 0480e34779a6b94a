// The host's logger: a record reaches each registered appender once, a
// removed one hears nothing, and without appenders warnings go to stderr.

#include <varncore/logger.h>

#include <QtCore/QTemporaryFile>
#include <QtTest/QtTest>

#include <stdio.h>
#include <unistd.h>

namespace {

class RecordingAppender : public AbstractAppender
{
public:
    void append(const LogRecord& record) override { records.append(record); }
    QList<LogRecord> records;
};

} // namespace

class TestLogger : public QObject
{
    Q_OBJECT

private slots:
    void recordReachesEveryAppenderOnce();
    void stderrWithoutAppenders_data();
    void stderrWithoutAppenders();
};

void TestLogger::recordReachesEveryAppenderOnce()
{
    Logger logger;
    RecordingAppender first, second, removed;
    logger.registerAppender(&removed);
    logger.registerAppender(&first);
    logger.registerAppender(&second);
    logger.registerAppender(&first);
    logger.removeAppender(&removed);

    CuteMessageLogger(&logger, Logger::Error, "dir/file.cpp", 24, "void f(int)").write()
        << "value=" << 7 << QStringLiteral("text");

    QVERIFY(removed.records.isEmpty());
    QCOMPARE(first.records.size(), 1);
    QCOMPARE(second.records.size(), 1);
    const LogRecord& record = first.records.first();
    QCOMPARE(record.level, Logger::Error);
    QCOMPARE(record.file, QStringLiteral("dir/file.cpp"));
    QCOMPARE(record.line, 24);
    QCOMPARE(record.function, QStringLiteral("void f(int)"));
    // QDebug's spaces between parts stay, the one after the last goes.
    QCOMPARE(record.message, QStringLiteral("value= 7 \"text\""));
}

void TestLogger::stderrWithoutAppenders_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("debug is dropped") << int(Logger::Debug) << QByteArray();
    QTest::newRow("warning") << int(Logger::Warning) << QByteArray("[Warning] a/b.cpp:24 void f(): addr= 7\n");
    QTest::newRow("fatal") << int(Logger::Fatal) << QByteArray("[Fatal] a/b.cpp:24 void f(): addr= 7\n");
}

void TestLogger::stderrWithoutAppenders()
{
    QFETCH(int, level);
    Logger logger;
    QTemporaryFile file;
    QVERIFY(file.open());
    fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(file.handle(), STDERR_FILENO);
    CuteMessageLogger(&logger, Logger::LogLevel(level), "a/b.cpp", 24, "void f()").write() << "addr=" << 7;
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    file.seek(0);
    QTEST(file.readAll(), "line");
}

QTEST_GUILESS_MAIN(TestLogger)
#include "tst_logger.moc"
