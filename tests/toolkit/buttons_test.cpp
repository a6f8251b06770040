// Buttons of a template dialog: a flat button shows its frame while used, and a button's keyboard
// shortcut clicks it.
#include "TemplateDialog.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

QImage look(QWidget* widget) {
    return widget->grab().toImage();
}

void sendEnter(QWidget* widget) {
    const QPointF centre = QRectF(widget->rect()).center();
    QEnterEvent enter(centre, centre, widget->mapToGlobal(centre));
    QApplication::sendEvent(widget, &enter);
}

void sendLeave(QWidget* widget) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, &leave);
}

} // namespace

class ButtonsTest : public QObject {
    Q_OBJECT

private slots:
    void aFlatButtonShowsItsFrameWhileUsed();
    void aShortcutClicksItsButtonAndNamesItselfInTheTooltip();
};

// The test template 900 has the flat "Aide" button 1082 and the plain "Quitter" button 2.
void ButtonsTest::aFlatButtonShowsItsFrameWhileUsed() {
    TemplateDialog dialog(900);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* help = dialog.controlAs<QPushButton>(1082);
    QVERIFY(dialog.controlAs<QPushButton>(2)->hasFocus());
    QVERIFY(help->isFlat());
    const QImage atRest = look(help);

    sendEnter(help);
    QVERIFY(!help->isFlat());
    const QImage pointedAt = look(help);
    QVERIFY(pointedAt != atRest);
    sendLeave(help);
    QVERIFY(help->isFlat());
    QCOMPARE(look(help), atRest);

    help->setFocus(Qt::TabFocusReason);
    QVERIFY(!help->isFlat());
    sendEnter(help);
    sendLeave(help);
    QVERIFY2(!help->isFlat(), "the focus keeps the frame after the pointer leaves");
    dialog.controlAs<QPushButton>(2)->setFocus(Qt::TabFocusReason);
    QVERIFY(help->isFlat());
    QCOMPARE(look(help), atRest);

    QVERIFY(!dialog.controlAs<QPushButton>(2)->isFlat());
}

void ButtonsTest::aShortcutClicksItsButtonAndNamesItselfInTheTooltip() {
    TemplateDialog dialog(900);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* button = dialog.controlAs<QPushButton>(1000);
    dialog.setButtonShortcut(1000, QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(button->toolTip(), QString("Choisir... (Ctrl+O)"));
    QSignalSpy clicks(button, &QAbstractButton::clicked);

    auto* field = dialog.controlAs<QLineEdit>(1013);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(clicks.count(), 1);
    QVERIFY(field->hasFocus());

    QTest::keyClick(&dialog, Qt::Key_O);
    QTest::keyClick(&dialog, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(clicks.count(), 1);

    button->setEnabled(false);
    QTest::keyClick(field, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(clicks.count(), 1);
}

QTEST_MAIN(ButtonsTest)
#include "buttons_test.moc"
