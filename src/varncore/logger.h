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

class VARNCORE_EXPORT Logger
{
public:
    enum LogLevel { Trace, Debug, Info, Warning, Error, Fatal };

    void registerAppender(AbstractAppender* appender);
    void removeAppender(AbstractAppender* appender);
    void write(const LogRecord& record);

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
