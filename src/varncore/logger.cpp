#include "logger.h"

#include <iterator>
#include <stdio.h>

namespace {

// Indexed by Logger::LogLevel.
const char* const levelNames[] = {"Trace", "Debug", "Info", "Warning", "Error", "Fatal"};

void writeToStderr(const LogRecord& record)
{
    const QString line = QStringLiteral("[%1] %2:%3 %4: %5\n")
                             .arg(Logger::levelToString(record.level), record.file)
                             .arg(record.line)
                             .arg(record.function, record.message);
    fputs(line.toLocal8Bit().constData(), stderr);
    fflush(stderr);
}

} // namespace

void Logger::registerAppender(AbstractAppender* appender)
{
    if (appender && !m_appenders.contains(appender))
        m_appenders.append(appender);
}

void Logger::removeAppender(AbstractAppender* appender)
{
    m_appenders.removeAll(appender);
}

void Logger::write(const LogRecord& record)
{
    if (m_appenders.isEmpty()) {
        if (record.level >= Warning)
            writeToStderr(record);
        return;
    }
    // A copy, so that an appender may remove itself while it appends.
    const QList<AbstractAppender*> appenders = m_appenders;
    for (AbstractAppender* const appender : appenders)
        appender->append(record);
}

QString Logger::levelToString(const LogLevel& level)
{
    if (level < 0 || level >= int(std::size(levelNames)))
        return QString();
    return QString::fromLatin1(levelNames[level]);
}

AbstractAppender::~AbstractAppender() = default;

Logger* cuteLoggerInstance()
{
    static Logger logger;
    return &logger;
}

CuteMessageLogger::CuteMessageLogger(Logger* logger, Logger::LogLevel level, const char* file,
                                     int line, const char* function)
    : m_logger(logger)
    , m_record{level, QString::fromUtf8(file), line, QString::fromUtf8(function), QString()}
{
}

CuteMessageLogger::~CuteMessageLogger()
{
    if (!m_logger)
        return;
    // QDebug puts a space after every part it writes, the last one included.
    if (m_record.message.endsWith(QLatin1Char(' ')))
        m_record.message.chop(1);
    m_logger->write(m_record);
}

QDebug CuteMessageLogger::write()
{
    return QDebug(&m_record.message);
}
