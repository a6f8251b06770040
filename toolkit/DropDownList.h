#pragma once

#include <QComboBox>
#include <optional>
#include <string>

// A drop-down list the user can only choose from. Its entries are byte strings kept in
// ascending byte order, so "10" comes before "2".
class DropDownList : public QComboBox {
    Q_OBJECT

public:
    explicit DropDownList(QWidget* parent = nullptr);

    void removeAllEntries();
    void addEntry(std::string entry);
    int entryCount() const { return count(); }
    // Precondition: 0 <= index < entryCount().
    void selectIndex(int index);
    std::optional<std::string> selectedText() const;
    std::string entryText(int index) const;
};
