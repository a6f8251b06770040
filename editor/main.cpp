#include "Quadrel.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QuadrelApp quadrel;
    quadrel.initInstance();
    return 0;
}
