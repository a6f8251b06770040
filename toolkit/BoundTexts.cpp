#include "BoundTexts.h"

#include "DisplayText.h"
#include "EditField.h"

#include <QFontMetrics>
#include <QLabel>

namespace {

// The last part of the path, the file's name, stays whole while it fits on its own.
QString cutPathInTheMiddle(const QString& path, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(path) <= width) {
        return path;
    }
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
    const QString name = path.mid(nameStart);
    const int roomForFolder = width - metrics.horizontalAdvance(name);
    if (nameStart == 0 || roomForFolder < metrics.horizontalAdvance(QStringLiteral("/\u2026/"))) {
        return metrics.elidedText(path, Qt::ElideMiddle, width);
    }
    return metrics.elidedText(path.first(nameStart), Qt::ElideMiddle, roomForFolder) + name;
}

} // namespace

void BoundTexts::bind(int id, EditField* field) {
    Binding binding;
    binding.field = field;
    bindControl(id, std::move(binding));
}

void BoundTexts::bind(int id, QLabel* label) {
    Binding binding;
    binding.label = label;
    bindControl(id, std::move(binding));
}

void BoundTexts::bindCutInTheMiddle(int id, QLabel* label) {
    Binding binding;
    binding.label = label;
    binding.cutInTheMiddle = true;
    bindControl(id, std::move(binding));
}

void BoundTexts::bindControl(int id, Binding binding) {
    indexById_[id] = bindings_.size();
    bindings_.push_back(std::move(binding));
    idsInOrder_.push_back(id);
}

std::string& BoundTexts::text(int id) {
    return bindings_.at(indexById_.at(id)).text;
}

const std::string& BoundTexts::text(int id) const {
    return bindings_.at(indexById_.at(id)).text;
}

std::vector<int> BoundTexts::ids() const {
    return idsInOrder_;
}

void BoundTexts::push() {
    for (Binding& binding : bindings_) {
        pushBinding(binding);
    }
}

void BoundTexts::push(int id) {
    pushBinding(bindings_.at(indexById_.at(id)));
}

void BoundTexts::pull() {
    for (Binding& binding : bindings_) {
        pullBinding(binding);
    }
}

void BoundTexts::pushBinding(Binding& binding) {
    if (binding.pushed && binding.text == binding.pushedBytes &&
        shownText(binding) == binding.pushedShown) {
        return;
    }
    const QString shown = shortenedForDisplay(binding.text);
    if (binding.field) {
        if (binding.field->text() != shown) {
            binding.field->setReactionSuppressed(true);
            binding.field->setText(shown);
            // A narrow field then shows the start of a long value, its sign and leading digits.
            binding.field->setCursorPosition(0);
            binding.field->setReactionSuppressed(false);
        }
    } else if (binding.cutInTheMiddle) {
        const QString whole = decodeForDisplay(binding.text);
        binding.label->setText(
            cutPathInTheMiddle(whole, binding.label->fontMetrics(), binding.label->width()));
        binding.label->setToolTip(binding.label->text() == whole ? QString() : whole);
    } else if (binding.label->text() != shown) {
        binding.label->setText(shown);
    }
    if (binding.label) {
        // A label's accessible name is its caption; what it shows is read as its description.
        binding.label->setAccessibleDescription(
            binding.label->toolTip().isEmpty() ? binding.label->text() : binding.label->toolTip());
    }
    binding.pushedBytes = binding.text;
    // What the control holds, which a field's length limit may have cut further.
    binding.pushedShown = shownText(binding);
    binding.pushed = true;
}

QString BoundTexts::shownText(const Binding& binding) {
    return binding.field ? binding.field->text() : binding.label->text();
}

void BoundTexts::pullBinding(Binding& binding) {
    const QString shown = shownText(binding);
    if (binding.pushed && shown == binding.pushedShown) {
        binding.text = binding.pushedBytes;
    } else {
        binding.text = shown.toStdString();
    }
}
