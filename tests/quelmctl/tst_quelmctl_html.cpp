// The HTML page as a browser sees it: headless Chromium loads the report with
// the script of quelmctl/inspector.html appended, which inspects the DOM and
// writes what it found into the page, which Chromium then prints.

#include "golden.h"
#include "quelmctlrun.h"

#include <QtCore/QRegularExpression>
#include <QtCore/QStandardPaths>
#include <QtTest/QtTest>

class TestQuelmCtlHtml : public QObject
{
    Q_OBJECT

private slots:
    void pageInABrowser();
};

void TestQuelmCtlHtml::pageInABrowser()
{
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        QSKIP("chromium is not installed (scripts/packages.txt lists it)");
    QTemporaryDir dir;
    QVERIFY(dir.isValid() && copyDemo(dir));
    // The description then wants what the product does not hold.
    for (const QStringList& arguments : {QStringList{"write", "-q", "demo.json"}, {"set", "demo.json", "trim_wiper=7F"},
                                         {"report", "-q", "-o", "report.html", "demo.json"}}) {
        const QuelmCtlRun run = runQuelmCtl(dir.path(), arguments);
        QVERIFY2(run.exitCode == 0 && run.err.isEmpty(), qPrintable(run.err));
    }

    QByteArray page = readFile(dir.filePath(QStringLiteral("report.html")));
    QVERIFY(page.endsWith("</body>\n</html>\n"));
    page.insert(page.lastIndexOf("</body>"), readFile(QStringLiteral(QUELM_TEST_DATA_DIR "/quelmctl/inspector.html")));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("inspected.html")), page));

    QProcess browser;
    browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                             "--disable-background-networking", "--disable-component-update",
                             "--disable-sync", "--user-data-dir=" + dir.filePath(QStringLiteral("profile")),
                             "--dump-dom", QUrl::fromLocalFile(dir.filePath(QStringLiteral("inspected.html"))).toString()});
    QVERIFY2(browser.waitForFinished(120000), "chromium did not finish");
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    const QRegularExpressionMatch verdict =
        QRegularExpression(QStringLiteral("<pre id=\"verdict\">(.*)</pre>"),
                           QRegularExpression::DotMatchesEverythingOption).match(dom);
    QVERIFY2(verdict.hasMatch(), qPrintable(QString::fromUtf8(browser.readAllStandardError())));

    // The bridge and seven devices, under their bus.address anchors; the
    // changed wiper and the write-only potentiometer, which reads back as
    // zeros, differ; the null row spans four columns; every link lands.
    QUELM_COMPARE_GOLDEN(verdict.captured(1).toUtf8(), QStringLiteral("quelmctl/report-in-a-browser.txt"));
}

QTEST_GUILESS_MAIN(TestQuelmCtlHtml)
#include "tst_quelmctl_html.moc"
