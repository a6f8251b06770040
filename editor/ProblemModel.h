#pragma once

#include "problemrows.h"
#include "problems.h"

#include <QAbstractTableModel>
#include <vector>

// The problems of a document, one line each: severity, box, plane, message. Told of each row
// the checks remove, insert or change, it follows them in place, and the views keep their
// selection and scroll.
class ProblemModel : public QAbstractTableModel, public ProblemRowsListener {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // The problems stay the caller's, alive until the next call.
    void setProblems(const std::vector<Problem>* problems);

    void rowsAboutToBeRemoved(std::size_t first, std::size_t count) override;
    void rowsRemoved() override;
    void rowsAboutToBeInserted(std::size_t first, std::size_t count) override;
    void rowsInserted() override;
    void rowsChanged(std::size_t first, std::size_t count) override;
    // Precondition: 0 <= row < rowCount().
    const Problem& problem(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const std::vector<Problem>* problems_ = nullptr;
};
