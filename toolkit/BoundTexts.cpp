#include "BoundTexts.h"

#include "EditField.h"

#include <QLabel>

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
    const QString shown = QString::fromUtf8(binding.text);
    binding.pushedBytes = binding.text;
    binding.pushedShown = shown;
    binding.pushed = true;
    if (binding.field) {
        if (binding.field->text() != shown) {
            binding.field->setReactionSuppressed(true);
            binding.field->setText(shown);
            // A narrow field then shows the start of a long value, its sign and leading digits.
            binding.field->setCursorPosition(0);
            binding.field->setReactionSuppressed(false);
        }
    } else if (binding.label->text() != shown) {
        binding.label->setText(shown);
    }
}

void BoundTexts::pullBinding(Binding& binding) {
    const QString shown = binding.field ? binding.field->text() : binding.label->text();
    if (binding.pushed && shown == binding.pushedShown) {
        binding.text = binding.pushedBytes;
    } else {
        binding.text = shown.toStdString();
    }
}
