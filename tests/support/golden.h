#ifndef QUELM_TESTS_GOLDEN_H
#define QUELM_TESTS_GOLDEN_H

#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QString>
#include <QtTest/QtTest>

// Expected outputs compared whole (reports, command dumps, tool outputs) live
// as files under tests/data/, reviewed like code. To regenerate them on
// purpose from what the code produces now, and then read the diff:
//   QUELM_REGENERATE_GOLDEN=1 ctest --test-dir build-tests && git diff tests/data
namespace Golden {

inline QString path(const QString& name)
{
    return QStringLiteral(QUELM_TEST_DATA_DIR "/") + name;
}

// The golden file's bytes; empty when it is missing.
inline QByteArray contents(const QString& name)
{
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The first line where text differs from expected, 1-based.
inline int firstDifferingLine(const QByteArray& expected, const QByteArray& text)
{
    int line = 1;
    for (int i = 0; i < qMin(expected.size(), text.size()) && expected.at(i) == text.at(i); ++i)
        line += expected.at(i) == '\n';
    return line;
}

// Empty when actual is the golden file byte for byte; otherwise why not.
inline QString mismatch(const QString& name, const QByteArray& actual)
{
    QFile file(path(name));
    if (qEnvironmentVariableIsSet("QUELM_REGENERATE_GOLDEN")) {
        if (!file.open(QIODevice::WriteOnly) || file.write(actual) != actual.size())
            return QStringLiteral("cannot write golden file %1").arg(name);
        return QString();
    }
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("golden file %1 is missing; QUELM_REGENERATE_GOLDEN=1 writes it")
            .arg(name);
    const QByteArray expected = file.readAll();
    if (expected == actual)
        return QString();
    const int line = firstDifferingLine(expected, actual);
    return QStringLiteral("output differs from golden file %1 at line %2:\n  expected: %3\n  actual:   %4")
        .arg(name)
        .arg(line)
        .arg(QString::fromUtf8(expected.split('\n').value(line - 1)),
             QString::fromUtf8(actual.split('\n').value(line - 1)));
}

} // namespace Golden

#define QUELM_COMPARE_GOLDEN(actual, name)                                                  \
    do {                                                                                    \
        const QString golden_mismatch_ = Golden::mismatch(name, actual);                    \
        QVERIFY2(golden_mismatch_.isEmpty(), qPrintable(golden_mismatch_));                 \
    } while (false)

#endif // QUELM_TESTS_GOLDEN_H
