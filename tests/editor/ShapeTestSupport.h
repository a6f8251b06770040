// Helpers for the tests of the shape window: opening it, typing into it as a user does, adding
// a box through its dialog and reading back what the document holds.
#pragma once

#include "AddShapedBoxDialog.h"
#include "CommandProcessor.h"
#include "ShapePanel.h"
#include "ShapeWindow.h"
#include "TransformTools.h"
#include "ViewTestSupport.h"
#include "shapetexts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <functional>

inline ShapeWindow* openShapeWindow(TestWindow& test) {
    QTest::keyClick(&test.window(), Qt::Key_F4);
    ShapeWindow* window = test.window().shapeWindow();
    if (window != nullptr && !QTest::qWaitForWindowExposed(window)) {
        qWarning("The shape window did not show");
    }
    return window;
}

// Selects all of the field's text and types the new one over it.
inline void typeOver(QLineEdit* field, const QString& text) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

inline QStringList panelValues(ShapeWindow* window) {
    QStringList shown;
    for (std::size_t index = 0; index < ShapePanel::valueCount; ++index) {
        shown << window->panel()->field(index)->text();
    }
    return shown;
}

// Clicks "Ajouter une box...", types the six values (length, width, height, yaw, pitch, roll)
// and clicks "Ajouter". Gives whether the dialog showed.
inline bool addShapedBoxAsUser(ShapeWindow* window, const QStringList& values) {
    bool shown = false;
    whenModalShows([&](QWidget* dialog) {
        shown = true;
        const auto fields = dialog->findChildren<QLineEdit*>();
        for (int index = 0; index < values.size() && index < fields.size(); ++index) {
            typeOver(fields[index], values[index]);
        }
        if (QPushButton* add = buttonNamed(dialog, "Ajouter")) {
            QTest::mouseClick(add, Qt::LeftButton);
        }
        if (dialog->isVisible()) {
            qWarning("The dialog stayed open");
            static_cast<QDialog*>(dialog)->reject();
        }
    });
    QTest::mouseClick(window->addButton(), Qt::LeftButton);
    return shown;
}

inline void clickTool(ShapeWindow* window, const QString& buttonText) {
    QPushButton* button = buttonNamed(window->tools(), buttonText);
    if (button == nullptr) {
        qWarning("No button %s", qPrintable(buttonText));
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

inline void typeVector(const std::array<QLineEdit*, 3>& fields, double x, double y, double z) {
    typeOver(fields[0], QString::number(x).replace('.', ','));
    typeOver(fields[1], QString::number(y).replace('.', ','));
    typeOver(fields[2], QString::number(z).replace('.', ','));
}

inline std::string lastHistoryName(TestWindow& test) {
    const History& history = test.window().commands().history();
    return history.currentPoint() == 0 ? std::string() : history.nameAt(history.currentPoint() - 1);
}

// Selects the box of the list whose line shows the ID, as a click does.
inline void showBox(TestWindow& test, const QString& id) {
    const int line = static_cast<int>(test.lines(1008).indexOf(id));
    if (line < 0) {
        qWarning("No box %s", qPrintable(id));
        return;
    }
    test.clickLine(1008, line);
}

inline void stickOnto(ShapeWindow* window, const QString& plane, const QString& otherId,
                      const QString& otherPlane) {
    TransformTools& tools = *window->tools();
    chooseEntry(tools.fields().stickPlane, plane);
    typeOver(tools.fields().stickOtherId, otherId);
    chooseEntry(tools.fields().stickOtherPlane, otherPlane);
    clickTool(window, "Coller");
}

inline void moveBy(ShapeWindow* window, double x, double y, double z) {
    typeVector(window->tools()->fields().move, x, y, z);
    clickTool(window, "Déplacer");
}

// Builds a room in an empty document with the shape window alone, as a level designer would: a
// floor 10 by 10 with its top at z = 0,25 (box 1), the north and south walls on it (2, 3), the
// east and west walls between them (4, 5) and a pillar turned by 30 degrees about Z (6). Keeps
// the window's message after each step; false when a dialog did not show.
inline bool buildRoom(ShapeWindow* window, QStringList& done) {
    QLabel* message = window->tools()->messageLine();
    bool shown = true;
    const auto add = [&](const QStringList& values) {
        shown = addShapedBoxAsUser(window, values) && shown;
        done << message->text();
    };
    const auto step = [&](const std::function<void()>& action) {
        action();
        done << message->text();
    };
    add({"10", "10", "0,5", "0", "0", "0"});
    // The north wall raised onto the floor; the south one a copy of it.
    add({"10", "0,5", "3", "0", "0", "0"});
    step([&] { moveBy(window, 0, 4.75, 1.75); });
    step([&] {
        typeVector(window->tools()->fields().duplicate, 0, -9.5, 0);
        clickTool(window, "Dupliquer");
    });
    // The east wall left floating, then stuck down onto the floor and against the north wall.
    add({"0,5", "9", "3", "0", "0", "0"});
    step([&] { moveBy(window, 4.75, -2, 6); });
    step([&] { stickOnto(window, "plan 4", "1", "plan 2"); });
    step([&] { stickOnto(window, "plan 1", "2", "plan 3"); });
    // The west wall, a copy of the east one.
    step([&] {
        typeVector(window->tools()->fields().duplicate, -9.5, 0, 0);
        clickTool(window, "Dupliquer");
    });
    // The pillar, turned with the tool, then set down on the floor.
    add({"1", "1", "3", "0", "0", "0"});
    step([&] {
        chooseEntry(window->tools()->fields().turnAxis, "autour de Z");
        typeOver(window->tools()->fields().turnAngle, "30");
        clickTool(window, "Tourner");
    });
    step([&] { stickOnto(window, "plan 4", "1", "plan 2"); });
    return shown;
}
