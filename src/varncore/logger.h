#ifndef VARNCORE_LOGGER_H
#define VARNCORE_LOGGER_H

//! \file logger.h
//! Stand-in for the host's logging library. A host links its real varncore
//! instead. Include it as <varncore/logger.h> and link quelmdevices::varncore.

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

//! Hands every record to the registered appenders. With none registered,
//! records of level Warning and above go to stderr, one line each:
//! `[Error] path/to/file.cpp:24 Class::function(int): message`
class VARNCORE_EXPORT Logger
{
public:
    //! How severe a record is, least first.
    enum LogLevel { Trace, Debug, Info, Warning, Error, Fatal };

    //! Adds an appender; not owned. One registered twice receives each record once.
    void registerAppender(AbstractAppender* appender);
    //! Removes an appender.
    void removeAppender(AbstractAppender* appender);
    //! Hands the record to every appender, or to stderr without any.
    void write(const LogRecord& record);

    //! "Trace" to "Fatal"; an empty text for a number that is no level.
    static QString levelToString(const LogLevel& level);

private:
    QList<AbstractAppender*> m_appenders;
};

//! One log record.
struct LogRecord
{
    Logger::LogLevel level; //!< its level
    QString file;           //!< the source file that wrote it
    int line;               //!< the line there
    QString function;       //!< the function's signature
    QString message;        //!< the text
};

//! Receives the records of a Logger it is registered with.
class VARNCORE_EXPORT AbstractAppender
{
public:
    virtual ~AbstractAppender();
    //! Takes one record.
    virtual void append(const LogRecord& record) = 0;
};

//! The process's logger; never null.
VARNCORE_EXPORT Logger* cuteLoggerInstance();

//! Collects one record through write(); hands it to the logger when destroyed.
//! The message reads as QDebug writes it, spaces between the parts, without the
//! space QDebug leaves after the last part. A null logger drops the record.
class VARNCORE_EXPORT CuteMessageLogger
{
public:
    //! A record of \a level from \a function at \a file, \a line, for \a logger (not owned).
    CuteMessageLogger(Logger* logger, Logger::LogLevel level, const char* file, int line,
                      const char* function);
    //! Hands the record to the logger.
    ~CuteMessageLogger();
    CuteMessageLogger(const CuteMessageLogger&) = delete;
    CuteMessageLogger& operator=(const CuteMessageLogger&) = delete;

    //! The stream the message is written to.
    QDebug write();

private:
    Logger* m_logger;
    LogRecord m_record;
};

#endif // VARNCORE_LOGGER_H
