// Helpers for the tests of the box form: sample boxes with chosen values, the BOX bytes the
// program writes for them, and what the form shows.
#pragma once

#include "EditField.h"
#include "EditorTestSupport.h"
#include "QuadrelDlg.h"
#include "box.h"

#include <QComboBox>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <array>
#include <string>
#include <vector>

// One box as the file writes it: 24 plane texts (plane 0 a to plane 5 d), then the centre.
struct FormBox {
    std::string id;
    std::string radius = "12";
    std::array<std::string, 3> centre{"0000c000", "00004000", "ffff8000"};
    std::array<std::string, 24> planes{"4000", "0000",     "c000", "00004000", "0000", "4000",
                                       "2000", "00008000", "1000", "c000",     "4000", "0000c000",
                                       "c000", "0000",     "0000", "00010000", "0000", "c000",
                                       "6000", "00014000", "2000", "1000",     "4000", "00018000"};
};

inline std::string boxTextBytes(const std::vector<FormBox>& boxes,
                                const std::vector<std::string>& intersections) {
    std::string bytes = std::to_string(boxes.size());
    for (const FormBox& box : boxes) {
        bytes += "\r\n " + box.id + "  " + box.radius;
        bytes += "\r\n  " + box.centre[0] + " " + box.centre[1] + " " + box.centre[2];
        for (std::size_t plane = 0; plane < 6; ++plane) {
            bytes += "\r\n  " + box.planes[plane * 4] + " " + box.planes[plane * 4 + 1] + " " +
                     box.planes[plane * 4 + 2] + " " + box.planes[plane * 4 + 3];
        }
    }
    return bytes + tailBytes(intersections);
}

// The decimal and hexadecimal field ids of the values of a box: plane 0 a to plane 5 d, then the
// centre X, Y and Z, in the order of FormBox.
struct FormPairIds {
    int decimalId;
    int hexId;
};
inline const std::array<FormPairIds, 27> formPairIds{{
    {1037, 1023}, {1038, 1024}, {1039, 1026}, {1040, 1028}, {1045, 1041}, {1046, 1042},
    {1047, 1043}, {1048, 1044}, {1069, 1065}, {1070, 1066}, {1071, 1067}, {1072, 1068},
    {1061, 1057}, {1062, 1058}, {1063, 1059}, {1064, 1060}, {1077, 1073}, {1078, 1074},
    {1079, 1075}, {1080, 1076}, {1053, 1049}, {1054, 1050}, {1055, 1051}, {1056, 1052},
    {1021, 1018}, {1022, 1019}, {1025, 1020},
}};

// The texts of a box of the document as the form's sample holds them.
inline FormBox formBoxOf(const Box& box) {
    FormBox sample{std::string(boxTextAt(box, boxslot::id)),
                   std::string(boxTextAt(box, boxslot::radius))};
    for (std::size_t axis = 0; axis < sample.centre.size(); ++axis) {
        sample.centre[axis] = boxTextAt(box, boxslot::centre(axis));
    }
    for (std::size_t k = 0; k < sample.planes.size(); ++k) {
        sample.planes[k] = boxTextAt(box, boxslot::plane(k));
    }
    return sample;
}

inline bool operator==(const FormBox& a, const FormBox& b) {
    return a.id == b.id && a.radius == b.radius && a.centre == b.centre && a.planes == b.planes;
}

// How QCOMPARE prints a box.
inline char* toString(const FormBox& box) {
    std::string text = box.id + " " + box.radius;
    for (const std::string& value : box.centre) {
        text += " " + value;
    }
    for (const std::string& value : box.planes) {
        text += " " + value;
    }
    return qstrdup(text.c_str());
}

// Every edit field's shown text by its id.
inline QMap<int, QString> shownFields(TestWindow& test) {
    QMap<int, QString> shown;
    for (const EditField* field : test.window().findChildren<EditField*>()) {
        shown.insert(field->property("controlId").toInt(), field->text());
    }
    return shown;
}

// The fields whose shown text differs between two snapshots.
inline QList<int> changedFields(const QMap<int, QString>& before, const QMap<int, QString>& after) {
    QList<int> changed;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (after.value(it.key()) != it.value()) {
            changed << it.key();
        }
    }
    return changed;
}

// The ids in increasing order, as changedFields gives them.
inline QList<int> ids(QList<int> list) {
    std::sort(list.begin(), list.end());
    return list;
}

// Clicks into the field, selects all of its text and deletes it, as a user empties a field.
inline void emptyField(TestWindow& test, int id) {
    QWidget* field = test.control(id);
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
}

// Empties the field, then types the text.
inline void retype(TestWindow& test, int id, const QString& text) {
    emptyField(test, id);
    QTest::keyClicks(test.control(id), text);
}

// Steps through a drop-down list with the keyboard, from its first entry, until it shows the text.
inline bool chooseEntry(QComboBox* list, const QString& text) {
    QTest::keyClick(list, Qt::Key_Home);
    for (int steps = 0; list->currentText() != text && steps < list->count(); ++steps) {
        QTest::keyClick(list, Qt::Key_Down);
    }
    return list->currentText() == text;
}

// What the add-intersection dialog showed and how it ended.
struct AddDialogRun {
    bool opened = false;
    QStringList firstEntries;
    QStringList secondEntries;
    QString firstSelected;
    QString secondSelected;
    bool chosen = false;
    // Still open after "Créer"; the test then pressed "Annuler".
    bool stayedOpen = false;
};

inline QStringList entriesOf(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) {
        entries << list->itemText(i);
    }
    return entries;
}

// Clicks the intersection "Ajouter" of the main window; in the dialog, chooses the two ranks
// and clicks "Créer" (or "Annuler" when first is empty), and cancels a dialog left open.
inline AddDialogRun addIntersectionAsUser(TestWindow& test, const QString& first,
                                          const QString& second) {
    AddDialogRun run;
    whenModalShows([&](QWidget* dialog) {
        run.opened = true;
        auto* firstList = dialog->findChild<QComboBox*>("1036");
        auto* secondList = dialog->findChild<QComboBox*>("1035");
        run.firstEntries = entriesOf(firstList);
        run.secondEntries = entriesOf(secondList);
        run.firstSelected = firstList->currentText();
        run.secondSelected = secondList->currentText();
        if (!first.isEmpty()) {
            run.chosen = chooseEntry(firstList, first) && chooseEntry(secondList, second);
            QTest::mouseClick(dialog->findChild<QPushButton*>("1"), Qt::LeftButton);
            run.stayedOpen = dialog->isVisible();
        }
        if (dialog->isVisible()) {
            QTest::mouseClick(dialog->findChild<QPushButton*>("2"), Qt::LeftButton);
        }
    });
    test.click(1029);
    return run;
}
