#include "ui/window_mode.h"

#include "ui/qt_message_boxes.h"
#include "ui/uninstall_dialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMainWindow>
#include <QUrl>

#include <cstdlib>

namespace dravik {

bool WindowSystemAvailable() {
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
}

int RunWindowMode(int& argc, char** argv, const std::string& title) {
    QApplication app(argc, argv);
    QtMessageBoxes boxes;
    SetMessageBoxes(&boxes);
    QMainWindow window;
    window.setWindowTitle(QString::fromStdString(title));
    window.resize(510, 330);
    window.show();
    int code = app.exec();
    SetMessageBoxes(nullptr);
    return code == 0 ? 0 : 1;
}

int RunUninstallPrompt(int& argc, char** argv) {
    QApplication app(argc, argv);
    UninstallDialog dialog([](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });
    dialog.show();
    app.exec();
    return 0;
}

} // namespace dravik
