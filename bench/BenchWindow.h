#pragma once

#include "FileChooser.h"
#include "QuadrelDlg.h"
#include "orlclass.h"

#include <QTest>
#include <memory>

// The main window on its own document, shown, whose file chooser always answers one path.
class BenchWindow {
public:
    explicit BenchWindow(const QString& path) {
        window.setDocument(&document);
        window.setFileChooser(std::make_unique<FixedChooser>(path));
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            qFatal("The window did not show");
        }
    }

    BoxDocument document;
    QuadrelDlg window;

private:
    class FixedChooser : public FileChooser {
    public:
        explicit FixedChooser(QString path) : path_(std::move(path)) {}
        std::optional<QString> choose(QWidget*) override { return path_; }

    private:
        QString path_;
    };
};
