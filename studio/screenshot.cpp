#include "screenshot.h"

#include "mainwindow.h"
#include "studiosession.h"

#include <QtGui/QImage>
#include <QtWidgets/QApplication>

namespace {

// The window's size in the picture: room for every column of the tables.
constexpr int Width = 1280;
constexpr int Height = 860;

} // namespace

bool writeScreenshot(MainWindow& window, const QString& description, const QString& imageFile, QString* error)
{
    window.resize(Width, Height);
    window.show();
    StudioSession* session = window.session();
    if (!session->open(description, error))
        return false;
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
