#pragma once

#include "DialogTemplate.h"
#include "DialogUnits.h"

#include <QAbstractButton>
#include <QDialog>
#include <QKeySequence>
#include <QPointer>
#include <functional>
#include <map>
#include <vector>

class SystemMenu;

// Button ids that end a dialog.
inline constexpr int acceptButtonId = 1;
inline constexpr int cancelButtonId = 2;

// A modal dialog built from a dialog template: every control at its place in pixels, with its id
// as object name and "controlId" property, in template order as tab order. Button 1 accepts,
// button 2 cancels; Escape and the close box cancel. Enter presses the focused button, or else
// the default button; with neither, Enter does nothing, so it never closes a window by accident.
// A label whose text is wider than its place in the current font grows to the right into free
// space, and is condensed if that is not enough: captions are never clipped.
class TemplateDialog : public QDialog {
    Q_OBJECT

public:
    explicit TemplateDialog(int templateId, QWidget* parent = nullptr);

    // Shows the dialog and returns its closing code once it ends.
    int runModal() { return exec(); }

    const DialogTemplate& dialogTemplate() const { return template_; }
    const DialogUnits& units() const { return units_; }
    // nullptr when the template has no control with that id.
    QWidget* control(int id) const;
    template <class Control> Control* controlAs(int id) const {
        return qobject_cast<Control*>(control(id));
    }

    // Runs the handler on each click of button id.
    template <class Handler> void onClick(int id, Handler handler) {
        if (auto* button = controlAs<QAbstractButton>(id)) {
            connect(button, &QAbstractButton::clicked, this, handler);
        }
    }

    // Gives button id a keyboard shortcut anywhere in the window and in the windows that share
    // its keys, named in its tooltip. The key clicks the button, so it does exactly what a click
    // does, refusals included.
    void setButtonShortcut(int id, const QKeySequence& key);
    // A keyboard shortcut for a command without a button, in this window and in the windows
    // that share its keys.
    void addShortcut(const QKeySequence& key, std::function<void()> action);
    // Makes every shortcut of this window, set before or after, work in the other window too:
    // a companion window the user works in beside this one.
    void shareShortcutsWith(QWidget* window);

    // Widens control id up to the next control at its right, or the dialog's margin, so that a
    // text the program sets later has all the room the layout leaves free.
    void widenIntoFreeRoom(int id);

    SystemMenu* systemMenu() const { return systemMenu_; }
    // Carries out a command of the system menu, as if the user had chosen it.
    void systemCommand(int commandId) { handleSystemCommand(commandId); }

protected:
    // The usual window commands; windows that add their own commands extend this.
    virtual void handleSystemCommand(int commandId);

    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QWidget* createControl(const ControlTemplate& control);
    void fitLabelsToTheirTexts();
    int freeRoomRightOf(const QWidget* control) const;
    void openSystemMenu(const QPoint& globalPosition);
    void installShortcut(QWidget* window, const QKeySequence& key,
                         const std::function<void()>& action);

    struct Shortcut {
        QKeySequence key;
        std::function<void()> action;
    };

    DialogTemplate template_;
    DialogUnits units_;
    std::map<int, QWidget*> controlsById_;
    SystemMenu* systemMenu_ = nullptr;
    // Every shortcut, in one list, and the windows besides this one that take them.
    std::vector<Shortcut> shortcuts_;
    std::vector<QPointer<QWidget>> shortcutWindows_;
};
