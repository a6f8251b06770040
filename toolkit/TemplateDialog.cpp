#include "TemplateDialog.h"

#include "DropDownList.h"
#include "EditField.h"
#include "FlatButton.h"
#include "IconResource.h"
#include "ListControl.h"
#include "SystemMenu.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

namespace {

QWidget* createWidget(const ControlTemplate& control, QWidget* parent) {
    switch (control.kind) {
    case ControlKind::Button: {
        auto* button = (control.styles & Flat) != 0 ? new FlatButton(control.text, parent)
                                                    : new QPushButton(control.text, parent);
        // Defaults are set explicitly from the template: Qt would otherwise make the first
        // button a default that Enter in any field presses.
        button->setAutoDefault(false);
        button->setDefault((control.styles & DefaultButton) != 0);
        return button;
    }
    case ControlKind::Edit: {
        auto* field = new EditField(parent);
        field->setDigitsOnly((control.styles & DigitsOnly) != 0);
        return field;
    }
    case ControlKind::List:
        return new ListControl(parent);
    case ControlKind::DropDown:
        return new DropDownList(parent);
    case ControlKind::Label: {
        auto* label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        label->setText(control.text);
        return label;
    }
    case ControlKind::Icon: {
        auto* label = new QLabel(parent);
        label->setAlignment(Qt::AlignCenter);
        return label;
    }
    }
    return nullptr;
}

} // namespace

TemplateDialog::TemplateDialog(int templateId, QWidget* parent)
    : QDialog(parent), template_(loadDialogTemplate(templateId)),
      units_(dialogFont(template_.fontFace, template_.fontPoints)) {
    setFont(dialogFont(template_.fontFace, template_.fontPoints));
    setWindowTitle(template_.caption);

    Qt::WindowFlags flags = (template_.styles & TaskBar) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
             Qt::WindowCloseButtonHint;
    if (template_.styles & MinimizeBox) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    setWindowFlags(flags);
    setFixedSize(units_.toPixels(template_.dialogUnits));

    QWidget* previousTabStop = nullptr;
    QWidget* firstTabStop = nullptr;
    for (const ControlTemplate& controlTemplate : template_.controls) {
        QWidget* widget = createControl(controlTemplate);
        if (controlTemplate.styles & TabStop) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previousTabStop) {
                setTabOrder(previousTabStop, widget);
            } else {
                firstTabStop = widget;
            }
            previousTabStop = widget;
        } else {
            widget->setFocusPolicy(Qt::NoFocus);
        }
    }
    if (firstTabStop) {
        firstTabStop->setFocus();
    }
    fitLabelsToTheirTexts();

    systemMenu_ = new SystemMenu(this, (template_.styles & MinimizeBox) != 0);
    connect(systemMenu_, &SystemMenu::commandChosen, this,
            [this](int commandId) { handleSystemCommand(commandId); });
    auto* menuShortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(menuShortcut, &QShortcut::activated, this,
            [this] { openSystemMenu(mapToGlobal(QPoint(0, 0))); });
}

QWidget* TemplateDialog::createControl(const ControlTemplate& controlTemplate) {
    QWidget* widget = createWidget(controlTemplate, this);
    widget->setGeometry(units_.toPixels(controlTemplate.dialogUnits));
    if (controlTemplate.kind == ControlKind::DropDown) {
        // A drop-down's height in a template includes its open list; closed, it keeps its own.
        const int openHeight = widget->height();
        const int closedHeight = widget->sizeHint().height();
        widget->resize(widget->width(), closedHeight);
        static_cast<DropDownList*>(widget)->setMaxVisibleItems(
            qMax(1, (openHeight - closedHeight) / widget->fontMetrics().height()));
    }
    if (controlTemplate.kind == ControlKind::Icon) {
        const QIcon icon = loadIcon(controlTemplate.text.toInt());
        static_cast<QLabel*>(widget)->setPixmap(icon.pixmap(widget->size()));
    }
    if (controlTemplate.id != noControlId) {
        widget->setObjectName(QString::number(controlTemplate.id));
        widget->setProperty("controlId", controlTemplate.id);
        controlsById_.emplace(controlTemplate.id, widget);
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        if (controlTemplate.id == acceptButtonId) {
            connect(button, &QPushButton::clicked, this, &QDialog::accept);
        } else if (controlTemplate.id == cancelButtonId) {
            connect(button, &QPushButton::clicked, this, &QDialog::reject);
        }
    }
    return widget;
}

void TemplateDialog::setButtonShortcut(int id, const QKeySequence& key) {
    auto* button = controlAs<QAbstractButton>(id);
    if (button == nullptr) {
        return;
    }
    addShortcut(key, [button = QPointer<QAbstractButton>(button)] {
        if (button && button->isEnabled() && button->isVisible()) {
            button->click();
        }
    });
    const QString name = button->text().remove(u'&');
    button->setToolTip(QStringLiteral("%1 (%2)").arg(name, key.toString(QKeySequence::NativeText)));
}

void TemplateDialog::addShortcut(const QKeySequence& key, std::function<void()> action) {
    shortcuts_.push_back({key, std::move(action)});
    installShortcut(this, key, shortcuts_.back().action);
    for (const QPointer<QWidget>& window : shortcutWindows_) {
        if (window) {
            installShortcut(window, key, shortcuts_.back().action);
        }
    }
}

void TemplateDialog::shareShortcutsWith(QWidget* window) {
    shortcutWindows_.emplace_back(window);
    for (const Shortcut& shortcut : shortcuts_) {
        installShortcut(window, shortcut.key, shortcut.action);
    }
}

void TemplateDialog::installShortcut(QWidget* window, const QKeySequence& key,
                                     const std::function<void()>& action) {
    auto* shortcut = new QShortcut(key, window);
    connect(shortcut, &QShortcut::activated, this, action);
}

int TemplateDialog::freeRoomRightOf(const QWidget* control) const {
    int rightLimit = width() - units_.toPixelsX(4);
    for (const QWidget* other : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const bool besideIt = other != control && !other->isWindow() && other->x() > control->x() &&
                              other->y() < control->geometry().bottom() &&
                              other->geometry().bottom() > control->y();
        if (besideIt) {
            rightLimit = qMin(rightLimit, other->x() - 1);
        }
    }
    return qMax(control->width(), rightLimit - control->x());
}

void TemplateDialog::widenIntoFreeRoom(int id) {
    if (QWidget* widget = control(id)) {
        widget->resize(freeRoomRightOf(widget), widget->height());
    }
}

void TemplateDialog::fitLabelsToTheirTexts() {
    for (auto* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->text().isEmpty() || !label->pixmap().isNull()) {
            continue;
        }
        const auto widthNeeded = [label] {
            return label->fontMetrics().horizontalAdvance(label->text()) + 1;
        };
        if (widthNeeded() <= label->width()) {
            continue;
        }
        const int room = freeRoomRightOf(label);
        if (widthNeeded() > room) {
            QFont condensed = label->font();
            condensed.setStretch(QFont::SemiCondensed);
            label->setFont(condensed);
        }
        label->resize(qBound(label->width(), widthNeeded(), room), label->height());
    }
}

QWidget* TemplateDialog::control(int id) const {
    const auto found = controlsById_.find(id);
    return found == controlsById_.end() ? nullptr : found->second;
}

void TemplateDialog::handleSystemCommand(int commandId) {
    switch (commandId & 0xFFF0) {
    case minimizeCommand:
        showMinimized();
        break;
    case closeCommand:
        close();
        break;
    default:
        break;
    }
}

void TemplateDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget());
            focused && focused->isEnabled()) {
            focused->click();
            return;
        }
        for (auto* button : findChildren<QPushButton*>()) {
            if (button->isDefault() && button->isVisible() && button->isEnabled()) {
                button->click();
                return;
            }
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TemplateDialog::contextMenuEvent(QContextMenuEvent* event) {
    // Only the window's background, captions included; controls keep their own menus.
    QWidget* underPointer = childAt(event->pos());
    if (underPointer == nullptr || qobject_cast<QLabel*>(underPointer) != nullptr) {
        openSystemMenu(event->globalPos());
        event->accept();
        return;
    }
    QDialog::contextMenuEvent(event);
}

void TemplateDialog::openSystemMenu(const QPoint& globalPosition) {
    systemMenu_->popup(globalPosition);
}
