#ifndef VARNCORE_LOGGER_H
#define VARNCORE_LOGGER_H

// Stand-in for the host's logging library. A host links its real varncore
// instead.

#include <QtCore/QDebug>
#include <QtCore/QList>
#include <QtCore/QString>

#if defined(VARNCORE_LIBRARY)
#  define VARNCORE_EXPORT Q_DECL_EXPORT
#else
#  define VARNCORE_EXPORT Q_DECL_IMPORT
#endif

class AbstractAppender;
struct LogRecord;

// Hands every record to the registered appenders. With none registered,
// records of level Warning and above go to stderr, one line each:
//   [Error] path/to/file.cpp:24 Class::function(int): message
class VARNCORE_EXPORT Logger
{
public:
    enum LogLevel { Trace, Debug, Info, Warning, Error, Fatal };

    // The appenders are not owned; one registered twice receives each record once.
    void registerAppender(AbstractAppender* appender);
    void removeAppender(AbstractAppender* appender);
    void write(const LogRecord& record);

    // "Trace" to "Fatal"; an empty text for a number that is no level.
    static QString levelToString(const LogLevel& level);

private:
    QList<AbstractAppender*> m_appenders;
};

struct LogRecord
{
    Logger::LogLevel level;
    QString file;
    int line;
    QString function;
    QString message;
};

class VARNCORE_EXPORT AbstractAppender
{
public:
    virtual ~AbstractAppender();
    virtual void append(const LogRecord& record) = 0;
};

VARNCORE_EXPORT Logger* cuteLoggerInstance();

// Collects one record through write(); hands it to the logger when destroyed.
// The message reads as QDebug writes it, spaces between the parts, without the
// space QDebug leaves after the last part. A null logger drops the record.
class VARNCORE_EXPORT CuteMessageLogger
{
public:
    CuteMessageLogger(Logger* logger, Logger::LogLevel level, const char* file, int line,
                      const char* function);
    ~CuteMessageLogger();
    CuteMessageLogger(const CuteMessageLogger&) = delete;
    CuteMessageLogger& operator=(const CuteMessageLogger&) = delete;

    QDebug write();

private:
    Logger* m_logger;
    LogRecord m_record;
};

#endif // VARNCORE_LOGGER_H
