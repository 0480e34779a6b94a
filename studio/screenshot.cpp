#include "screenshot.h"

#include "mainwindow.h"
#include "studiosession.h"

#include <QtCore/QRect>
#include <QtGui/QImage>
#include <QtWidgets/QApplication>

namespace {

// The screen the picture shows the window on, at the size it opens at there.
const QRect Screen(0, 0, 1280, 800);

} // namespace

bool writeScreenshot(MainWindow& window, const QString& description, const QString& imageFile, QString* error)
{
    window.fitScreen(Screen);
    window.show();
    StudioSession* session = window.session();
    if (!session->open(description, error))
        return false;
    session->connectTo(TransportOptions());
    session->waitUntilIdle();
    if (session->isConnected()) {
        session->read();
        session->waitUntilIdle();
    }
    if (!session->hasBeenRead()) {
        *error = session->log().value(session->log().size() - 1);
        return false;
    }
    window.selectDevice(session->product()->product()->devices().constFirst()->name());
    QApplication::processEvents();
    if (!window.grab().toImage().save(imageFile, "PNG")) {
        *error = QStringLiteral("cannot write %1").arg(imageFile);
        return false;
    }
    return true;
}
