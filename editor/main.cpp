#include "Quadrel.h"

#include <QApplication>
#include <QGuiApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Wayland desktops tie the window to its menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quadrel.Quadrel"));
    QuadrelApp quadrel;
    quadrel.initInstance();
    return 0;
}
