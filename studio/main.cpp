// quelm-studio: the desktop host a service engineer works in.

#include "mainwindow.h"
#include "screenshot.h"

#include <quelmdevices/version.h>

#include <QtCore/QCommandLineParser>
#include <QtCore/QTextStream>
#include <QtWidgets/QApplication>

int main(int argc, char* argv[])
{
    // Answered before the application needs a display.
    if (argc == 2 && qstrcmp(argv[1], "--version") == 0) {
        QTextStream(stdout) << "quelm-studio " << QUELMDEVICES_VERSION_STRING << Qt::endl;
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("quelmdevices"));
    QApplication::setApplicationName(QStringLiteral("quelm-studio"));
    QApplication::setApplicationVersion(QStringLiteral(QUELMDEVICES_VERSION_STRING));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Shows a product's settings beside what its parts hold, and reads, writes, erases and scans it\n"
        "through an SC18IM700 bridge: the built-in simulator, or a serial port (Bus > Connect)."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Read DESCRIPTION on the simulator, select the first device, "
                                                       "write the window to FILE (PNG) and exit."),
                                        QStringLiteral("FILE"));
    parser.addOption(screenshot);
    parser.addPositionalArgument(QStringLiteral("DESCRIPTION"), QStringLiteral("The product description (JSON) to open."),
                                 QStringLiteral("[DESCRIPTION]"));
    parser.process(app);
    const QStringList arguments = parser.positionalArguments();
    QTextStream err(stderr);
    if (arguments.size() > 1 || (parser.isSet(screenshot) && arguments.isEmpty())) {
        err << "quelm-studio: give one DESCRIPTION" << (parser.isSet(screenshot) ? " with --screenshot" : "")
            << Qt::endl;
        return 2;
    }

    MainWindow window;
    if (parser.isSet(screenshot)) {
        QString error;
        if (writeScreenshot(window, arguments.constFirst(), parser.value(screenshot), &error))
            return 0;
        err << "quelm-studio: " << error << Qt::endl;
        return 1;
    }
    window.show();
    if (!arguments.isEmpty())
        window.openFile(arguments.constFirst());
    return app.exec();
}
