#pragma once

#include "problems.h"

#include <QAbstractTableModel>
#include <vector>

// The problems of a document, one line each: severity, box, plane, message.
class ProblemModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // The problems stay the caller's, alive until the next call.
    void setProblems(const std::vector<Problem>* problems);
    // Precondition: 0 <= row < rowCount().
    const Problem& problem(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const std::vector<Problem>* problems_ = nullptr;
};
