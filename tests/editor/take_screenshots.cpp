// Draws the windows into PNG files for the documentation: take_screenshots OUTPUT_DIRECTORY.
#include "AboutDialog.h"
#include "Aide.h"
#include "EditorTestSupport.h"
#include "QuadrelDlg.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

void save(QWidget& window, const QString& path) {
    QTest::qWait(50);
    if (!window.grab().save(path)) {
        qFatal("Cannot write %s", qPrintable(path));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2) {
        qFatal("Usage: take_screenshots OUTPUT_DIRECTORY");
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));

    {
        TestWindow test;
        save(test.window(), output.filePath("main-window.png"));

        QTemporaryDir dir;
        const QString path = dir.filePath("exemple.box");
        std::vector<SampleBox> boxes;
        for (int id : {101, 102, 103, 110, 120, 230, 231, 232, 300, 301, 302, 303, 999}) {
            boxes.push_back({std::to_string(id), "12"});
        }
        writeBytes(path, boxFileBytes(std::to_string(boxes.size()), boxes,
                                      {"0 1", "1 2", "2 3", "4 5", "6 7", "10 12"}));
        test.answerChooser(path);
        test.click(1000);
        test.clickLine(1008, 2);
        save(test.window(), output.filePath("main-window-loaded.png"));
    }
    {
        AideDialog help;
        help.show();
        save(help, output.filePath("help.png"));
    }
    {
        AboutDialog about;
        about.show();
        save(about, output.filePath("about.png"));
    }
    return 0;
}
