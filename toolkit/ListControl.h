#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <optional>
#include <string>
#include <vector>

// The lines of a ListControl: byte strings, shown decoded as UTF-8.
class LineListModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void removeAll();
    void append(std::vector<std::string> lines);
    void remove(int row);
    const std::string& line(int row) const { return lines_.at(static_cast<std::size_t>(row)); }

private:
    std::vector<std::string> lines_;
};

// An unsorted, single-selection list of lines that keeps the lines' bytes. It reports a
// selection change only when the user makes one, and its own changes leave no line selected.
class ListControl : public QListView {
    Q_OBJECT

public:
    explicit ListControl(QWidget* parent = nullptr);

    void removeAllLines();
    void appendLine(std::string line);
    // Appends in one batch: much faster than line by line for long lists.
    void appendLines(std::vector<std::string> lines);
    void deleteLine(int index);
    int lineCount() const { return model_.rowCount(); }
    // Precondition: 0 <= index < lineCount().
    const std::string& lineText(int index) const { return model_.line(index); }
    std::optional<int> selectedIndex() const;

signals:
    void userSelectionChanged();

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    void leaveNothingSelected();

    LineListModel model_;
    bool changingByCode_ = false;
};
