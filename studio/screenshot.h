#ifndef QUELMSTUDIO_SCREENSHOT_H
#define QUELMSTUDIO_SCREENSHOT_H

#include <QtCore/QString>

class MainWindow;

// The picture of the window at work, at the size it opens at on a 1280x800
// screen: the description opened and read on the built-in simulator, the first device selected, the window written to
// a PNG file. False, with one line in error, when any step fails.
bool writeScreenshot(MainWindow& window, const QString& description, const QString& imageFile, QString* error);

#endif // QUELMSTUDIO_SCREENSHOT_H
