#include "DropDownList.h"

namespace {

constexpr int bytesRole = Qt::UserRole;

} // namespace

DropDownList::DropDownList(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
}

void DropDownList::removeAllEntries() {
    clear();
}

std::string DropDownList::entryText(int index) const {
    return itemData(index, bytesRole).toByteArray().toStdString();
}

void DropDownList::addEntry(std::string entry) {
    int low = 0;
    int high = count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (entryText(middle) <= entry) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    const QByteArray bytes = QByteArray::fromStdString(entry);
    insertItem(low, QString::fromUtf8(bytes), bytes);
}

void DropDownList::selectIndex(int index) {
    setCurrentIndex(index);
}

std::optional<std::string> DropDownList::selectedText() const {
    const int index = currentIndex();
    if (index < 0) {
        return std::nullopt;
    }
    return entryText(index);
}
