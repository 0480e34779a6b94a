// The HTML page as a browser sees it: headless Chromium loads the report with
// a small script appended that inspects the DOM and writes what it found
// into the page, which Chromium then prints.

#include "golden.h"
#include "quelmctlrun.h"

#include <QtCore/QRegularExpression>
#include <QtCore/QStandardPaths>
#include <QtTest/QtTest>

namespace {

const char* const inspector = R"(<pre id='verdict'>script did not run</pre>
<script>
function tableAnchor(cell) {
    const heading = cell.closest('table').previousElementSibling;
    const anchor = heading ? heading.querySelector('a[name]') : null;
    return anchor ? anchor.name : '?';
}
function resolves(link) {
    const target = link.getAttribute('href').slice(1);
    return document.getElementById(target) !== null || document.getElementsByName(target).length > 0;
}
const lines = [];
lines.push('device tables: ' + document.querySelectorAll('table.device-table').length);
lines.push('device anchors: ' + [...document.querySelectorAll('h3 > a[name]')].map(a => a.name).join(' '));
lines.push('highlighted: ' + [...document.querySelectorAll('td.diff')].map(cell =>
    tableAnchor(cell) + ' ' + cell.textContent.replace(/\s+/g, '') + ' ' + getComputedStyle(cell).backgroundColor).join(', '));
const rows = [...document.querySelectorAll('table.settings-table tbody tr')];
lines.push('setting rows: ' + rows.map(row => row.cells.length).join(' '));
const links = [...document.querySelectorAll("a[href^='#']")];
lines.push('links: ' + links.length + ', broken: ' + links.filter(link => !resolves(link)).length);
lines.push('row anchors: ' + [...document.querySelectorAll("a[name^='model-row-']")].map(a => a.name.slice(10)).join(' '));
document.getElementById('verdict').textContent = lines.join('\n');
</script>
)";

} // namespace

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
    const QString demo = QStringLiteral("demo.json");
    QCOMPARE(runQuelmCtl(dir.path(), {"write", "-q", demo}).exitCode, 0);
    // The description now wants what the product does not hold.
    QCOMPARE(runQuelmCtl(dir.path(), {"set", demo, "trim_wiper=7F"}).exitCode, 0);
    const QuelmCtlRun report = runQuelmCtl(dir.path(), {"report", "-q", "-o", "report.html", demo});
    QCOMPARE(report.err, QString());
    QCOMPARE(report.exitCode, 0);

    QByteArray page = readFile(dir.filePath(QStringLiteral("report.html")));
    QVERIFY(page.endsWith("</body>\n</html>\n"));
    page.insert(page.lastIndexOf("</body>"), inspector);
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
