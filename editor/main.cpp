#include "MemoryRelease.h"
#include "QtTranslations.h"
#include "Quadrel.h"

#include <QApplication>
#include <QGuiApplication>
#include <cstring>
#include <iostream>

int main(int argc, char* argv[]) {
    // Answered before any window system is reached, so that it works without a display.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << commandLineHelp();
        return 0;
    }
    handLargeBlocksBackWhenFreed();
    QApplication application(argc, argv);
    // The program speaks French, so Qt's own texts (file chooser, edit menus) must too.
    installQtTranslations(QStringLiteral("fr"));
    // Wayland desktops tie the window to its menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quadrel.Quadrel"));
    QuadrelApp quadrel;
    quadrel.initInstance();
    return 0;
}
