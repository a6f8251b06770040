// Scenes for the tests of the 3D view: boxes whose solids are known by construction.
#pragma once

#include "FormTestSupport.h"
#include "SceneView.h"
#include "ViewWindow.h"
#include "decimaltext.h"
#include "fixedpoint.h"
#include "problems.h"
#include "scene.h"

#include <QAbstractItemModel>
#include <QGroupBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <string>
#include <vector>

// An upright box around (x, y, z) reaching half units each way; planes 0 to 5 face +x, +y, +z,
// -y, -z, -x, each with a unit normal and d its distance from the origin along that normal.
inline FormBox cube(const std::string& id, double x, double y, double z, double half) {
    const double normals[6][3] = {{1, 0, 0},  {0, 1, 0},  {0, 0, 1},
                                  {0, -1, 0}, {0, 0, -1}, {-1, 0, 0}};
    const double centre[3] = {x, y, z};
    const auto text = [](double value) { return fixedpoint::formatDecimal(value); };
    FormBox box{id, "9"};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        box.centre[axis] = fixedpoint::decimalToHex8(text(centre[axis]));
    }
    for (std::size_t plane = 0; plane < 6; ++plane) {
        double d = half;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            box.planes[plane * 4 + axis] = fixedpoint::decimalToHex4(text(normals[plane][axis]));
            d += normals[plane][axis] * centre[axis];
        }
        box.planes[plane * 4 + 3] = fixedpoint::decimalToHex8(text(d));
    }
    return box;
}

inline QPushButton* buttonNamed(QWidget* window, const QString& text) {
    for (auto* button : window->findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

// Writes the boxes and lines as a file and opens it with "Choisir...".
inline void openFile(TestWindow& test, const QString& path, const std::vector<FormBox>& boxes,
                     const std::vector<std::string>& intersections) {
    writeBytes(path, boxTextBytes(boxes, intersections));
    test.answerChooser(path);
    test.click(1000);
}

// Waits until the view's whole check of the document is done and its problems are listed.
inline bool waitForChecks(ViewWindow* view) {
    return QTest::qWaitFor([view] { return !view->checking(); }, 20000);
}

// Opens the view with F3, as the user does, and waits until it shows with its problems.
inline ViewWindow* openView(TestWindow& test) {
    QTest::keyClick(&test.window(), Qt::Key_F3);
    ViewWindow* view = test.window().view();
    if (view != nullptr && !QTest::qWaitForWindowExposed(view)) {
        qWarning("The view did not show");
    }
    if (view != nullptr && !waitForChecks(view)) {
        qWarning("The view's checks did not end");
    }
    return view;
}

// Draws a frame, as the window system would ask for one.
inline void drawFrame(ViewWindow* view) {
    static_cast<void>(view->sceneView()->grab());
}

// "Problèmes (N)", as the view titles its list.
inline QString problemTitle(ViewWindow* view) {
    for (const QGroupBox* box : view->findChildren<QGroupBox*>()) {
        if (box->title().startsWith("Problèmes")) {
            return box->title();
        }
    }
    return {};
}

// What the view's problem list shows, row by row, and its title, against a whole check of the
// document as it now is.
inline void compareWithWholeCheck(const BoxDocument& document, ViewWindow* view) {
    const std::vector<Problem> expected = checkDocument(document, buildSolids(document));
    const QAbstractItemModel* model = view->problemList()->model();
    QCOMPARE(model->rowCount(), static_cast<int>(expected.size()));
    for (int row = 0; row < model->rowCount(); ++row) {
        QCOMPARE(model->index(row, 3).data().toString(),
                 QString::fromStdString(expected[static_cast<std::size_t>(row)].message));
        QCOMPARE(view->scene().problems()[static_cast<std::size_t>(row)],
                 expected[static_cast<std::size_t>(row)]);
    }
    QCOMPARE(problemTitle(view), QString("Problèmes (%1)").arg(expected.size()));
}
