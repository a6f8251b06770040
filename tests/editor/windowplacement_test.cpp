// The windows of the editor opened one after the other as a user opens them, the main window in
// the middle of the screen: the 3D view (F3), "Forme" (F4) and the report of an import. Run on a
// 1920 × 1080 screen, where there is room for all four side by side, and on a 1280 × 800 one,
// where there is not; the screen is given to the offscreen platform by the test's set-up.
#include "ShapeTestSupport.h"
#include "ShapeWindow.h"
#include "ViewTestSupport.h"
#include "ViewWindow.h"
#include "WindowPlacement.h"

#ifdef QUADREL_MODEL_EXCHANGE
#include "ImportReportWindow.h"
#include "ModelExchange.h"
#endif

#include <QScreen>
#include <QTemporaryDir>

namespace {

constexpr int chooseButton = 1000;

// A crate and a pillar, each a closed block of six faces.
const char* const twoBlocksObj =
    "o crate\n"
    "v 10 0 0\nv 11 0 0\nv 11 1 0\nv 10 1 0\n"
    "v 10 0 1\nv 11 0 1\nv 11 1 1\nv 10 1 1\n"
    "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n"
    "o pillar\n"
    "v 12 0 0\nv 13 0 0\nv 13 1 0\nv 12 1 0\n"
    "v 12 0 3\nv 13 0 3\nv 13 1 3\nv 12 1 3\n"
    "f 9 12 11 10\nf 13 14 15 16\nf 9 10 14 13\nf 10 11 15 14\n"
    "f 11 12 16 15\nf 12 9 13 16\n";

QString describe(const QRect& rect) {
    return QString("%1,%2 %3x%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

// The main window, the file opened, in the middle of the screen's available area.
struct Desk {
    QTemporaryDir dir;
    TestWindow test;
    QRect available;

    Desk() {
        openFile(test, dir.filePath("salle.box"), {cube("1", 0, 0, 0, 1)}, {});
        QWidget& window = test.window();
        available = window.screen()->availableGeometry();
        const QSize frame = window.frameGeometry().size();
        window.move(available.center() - QPoint(frame.width() / 2, frame.height() / 2));
    }

    QRect main() { return test.window().frameGeometry(); }

    QRect openForm() {
        ShapeWindow* window = openShapeWindow(test);
        return window != nullptr ? window->frameGeometry() : QRect();
    }

    QRect openView() {
        ViewWindow* view = ::openView(test);
        return view != nullptr ? view->frameGeometry() : QRect();
    }

#ifdef QUADREL_MODEL_EXCHANGE
    // "Importer..." of the view, the model chosen, the options left as they are.
    QRect importModel() {
        const QString path = dir.filePath("blocs.obj");
        QFile model(path);
        if (!model.open(QIODevice::WriteOnly) || model.write(twoBlocksObj) < 0) {
            return {};
        }
        model.close();
        ViewWindow* view = test.window().view();
        auto files = std::make_shared<std::deque<QString>>(std::deque<QString>{path});
        view->modelExchange().setImportChooser(std::make_unique<ScriptedChooser>(files));
        whenModalShows([](QWidget* dialog) {
            QTest::mouseClick(buttonNamed(dialog, "Importer"), Qt::LeftButton);
        });
        QTest::mouseClick(buttonNamed(view, "Importer..."), Qt::LeftButton);
        ImportReportWindow* report = view->modelExchange().reportWindow();
        if (report == nullptr || !QTest::qWaitForWindowExposed(report)) {
            return {};
        }
        return report->frameGeometry();
    }
#endif
};

} // namespace

class WindowPlacementTest : public QObject {
    Q_OBJECT

private slots:
    void theWindowsOpenBesideEachOther_data();
    void theWindowsOpenBesideEachOther();
};

void WindowPlacementTest::theWindowsOpenBesideEachOther_data() {
    QTest::addColumn<bool>("formFirst");
    QTest::newRow("Forme, then the 3D view") << true;
    QTest::newRow("the 3D view, then Forme") << false;
}

void WindowPlacementTest::theWindowsOpenBesideEachOther() {
    QFETCH(bool, formFirst);
    Desk desk;
    std::vector<std::pair<QString, QRect>> windows{{"main", desk.main()}};
    if (formFirst) {
        windows.emplace_back("Forme", desk.openForm());
        windows.emplace_back("view", desk.openView());
    } else {
        windows.emplace_back("view", desk.openView());
        windows.emplace_back("Forme", desk.openForm());
    }
#ifdef QUADREL_MODEL_EXCHANGE
    windows.emplace_back("report", desk.importModel());
#endif
    QString layout = "screen " + describe(desk.available);
    for (const auto& [name, frame] : windows) {
        layout += "; " + name + " " + describe(frame);
    }
    qInfo() << layout;

    const auto frameOf = [&](const QString& name) {
        return std::find_if(windows.begin(), windows.end(),
                            [&](const auto& window) { return window.first == name; })
            ->second;
    };
    const QRect fields = fieldsFrameOf(desk.test.window());
    for (const auto& [name, frame] : windows) {
        QVERIFY2(!frame.isEmpty() && desk.available.contains(frame), qPrintable(layout));
    }
    // Whatever the screen, the view leaves the form's fields in sight, and "Forme" the view.
    QVERIFY2(!frameOf("view").intersects(fields), qPrintable(layout));
    if (!formFirst) {
        QVERIFY2(!frameOf("Forme").intersects(frameOf("view")), qPrintable(layout));
    }
    if (desk.available.width() < 1920 || desk.available.height() < 1080) {
        // No room beside the main window: "Forme", opened first, covers its lists, not its
        // fields.
        if (formFirst) {
            QVERIFY2(!frameOf("Forme").intersects(fields), qPrintable(layout));
            QVERIFY2(frameOf("Forme").intersects(desk.main()), qPrintable(layout));
        }
        return;
    }
    for (std::size_t first = 0; first < windows.size(); ++first) {
        for (std::size_t second = first + 1; second < windows.size(); ++second) {
            QVERIFY2(!windows[first].second.intersects(windows[second].second),
                     qPrintable(windows[first].first + " and " + windows[second].first +
                                " overlap: " + layout));
        }
    }
}

QTEST_MAIN(WindowPlacementTest)
#include "windowplacement_test.moc"
