#include "QtTranslations.h"
#include "Quadrel.h"

#include <QApplication>
#include <QGuiApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // The program speaks French, so Qt's own texts (file chooser, edit menus) must too.
    installQtTranslations(QStringLiteral("fr"));
    // Wayland desktops tie the window to its menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quadrel.Quadrel"));
    QuadrelApp quadrel;
    quadrel.initInstance();
    return 0;
}
