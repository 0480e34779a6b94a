#include "logger.h"

// Placeholder bodies; the stand-in fills them in.
void Logger::registerAppender(AbstractAppender* appender) { m_appenders.append(appender); }
void Logger::removeAppender(AbstractAppender* appender) { m_appenders.removeAll(appender); }
void Logger::write(const LogRecord&) {}
AbstractAppender::~AbstractAppender() = default;
Logger* cuteLoggerInstance() { static Logger logger; return &logger; }
CuteMessageLogger::CuteMessageLogger(Logger* logger, Logger::LogLevel level, const char* file, int line,
                                     const char* function)
    : m_logger(logger), m_record{level, QString::fromUtf8(file), line, QString::fromUtf8(function), QString()} {}
CuteMessageLogger::~CuteMessageLogger() {}
QDebug CuteMessageLogger::write() { return QDebug(&m_record.message); }
