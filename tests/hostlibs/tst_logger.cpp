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

// What the logger writes to stderr while body runs.
template <typename Body>
QByteArray capturedStderr(Body body)
{
    QTemporaryFile file;
    if (!file.open())
        return QByteArray("cannot capture");
    fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(file.handle(), STDERR_FILENO);
    body();
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    file.seek(0);
    return file.readAll();
}

} // namespace

class TestLogger : public QObject
{
    Q_OBJECT

private slots:
    void recordReachesEveryAppender();
    void removedAppenderHearsNothing();
    void stderrWithoutAppenders_data();
    void stderrWithoutAppenders();
};

void TestLogger::recordReachesEveryAppender()
{
    Logger logger;
    RecordingAppender first, second;
    logger.registerAppender(&first);
    logger.registerAppender(&second);
    logger.registerAppender(&first);

    CuteMessageLogger(&logger, Logger::Error, "dir/file.cpp", 24, "void f(int)").write()
        << "value=" << 7 << QStringLiteral("text");

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

void TestLogger::removedAppenderHearsNothing()
{
    Logger logger;
    RecordingAppender appender;
    logger.registerAppender(&appender);
    logger.removeAppender(&appender);
    RecordingAppender other;
    logger.registerAppender(&other);

    CuteMessageLogger(&logger, Logger::Info, "f.cpp", 1, "g()").write() << "x";

    QVERIFY(appender.records.isEmpty());
    QCOMPARE(other.records.size(), 1);
}

void TestLogger::stderrWithoutAppenders_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("debug is dropped") << int(Logger::Debug) << QByteArray();
    QTest::newRow("warning") << int(Logger::Warning)
                             << QByteArray("[Warning] a/b.cpp:24 void f(): addr= 7\n");
    QTest::newRow("fatal") << int(Logger::Fatal) << QByteArray("[Fatal] a/b.cpp:24 void f(): addr= 7\n");
}

void TestLogger::stderrWithoutAppenders()
{
    QFETCH(int, level);
    QFETCH(QByteArray, line);
    Logger logger;

    const QByteArray written = capturedStderr([&] {
        CuteMessageLogger(&logger, Logger::LogLevel(level), "a/b.cpp", 24, "void f()").write()
            << "addr=" << 7;
    });

    QCOMPARE(written, line);
}

QTEST_GUILESS_MAIN(TestLogger)
#include "tst_logger.moc"
