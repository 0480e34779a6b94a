// A golden file passes only when the output is that file byte for byte, and
// a missing one fails rather than passing quietly.

#include "golden.h"

class tst_Golden : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mismatch_data();
    void mismatch();
};

void tst_Golden::initTestCase()
{
    if (qEnvironmentVariableIsSet("QUELM_REGENERATE_GOLDEN"))
        QSKIP("regenerating: the comparison is not made");
}

void tst_Golden::mismatch_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("actual");
    QTest::addColumn<QString>("expected");
    const QString file = QStringLiteral("golden-sample.txt"); // "first line\nsecond line\n"
    QTest::newRow("the same bytes") << file << QByteArray("first line\nsecond line\n") << QString();
    QTest::newRow("missing line end")
        << file << QByteArray("first line\nsecond line")
        << "output differs from golden file golden-sample.txt at line 2:\n"
           "  expected: second line\n  actual:   second line";
    QTest::newRow("one letter in another case")
        << file << QByteArray("first line\nSecond line\n")
        << "output differs from golden file golden-sample.txt at line 2:\n"
           "  expected: second line\n  actual:   Second line";
    QTest::newRow("golden file missing")
        << QStringLiteral("no-such-golden-file.txt") << QByteArray("anything")
        << "golden file no-such-golden-file.txt is missing; QUELM_REGENERATE_GOLDEN=1 writes it";
}

void tst_Golden::mismatch()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, actual);
    QTEST(Golden::mismatch(name, actual), "expected");
}

QTEST_GUILESS_MAIN(tst_Golden)
#include "tst_golden.moc"
