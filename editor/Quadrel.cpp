#include "Quadrel.h"

#include "QuadrelDlg.h"
#include "orlclass.h"

#include <memory>

bool QuadrelApp::initInstance() {
    auto document = std::make_unique<BoxDocument>();
    auto window = std::make_unique<QuadrelDlg>();
    window->setDocument(document.get());
    window->runModal();
    window.reset();
    document.reset();
    return false;
}
