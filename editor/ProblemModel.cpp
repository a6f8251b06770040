#include "ProblemModel.h"

#include "DisplayText.h"

#include <QBrush>
#include <QColor>

namespace {

enum Column { SeverityColumn, BoxColumn, PlaneColumn, MessageColumn, ColumnCount };

QString boxText(const Problem& problem) {
    if (!problem.rank) {
        return {};
    }
    const QString rank = QString::number(static_cast<qulonglong>(*problem.rank));
    // The ID's bytes as the box list shows them; the message quotes texts already decoded.
    const QString id = shortenedForDisplay(problem.id.value_or(std::string()));
    return QObject::tr("%1 (rang %2)").arg(id, rank);
}

} // namespace

void ProblemModel::setProblems(const std::vector<Problem>* problems) {
    beginResetModel();
    problems_ = problems;
    endResetModel();
}

void ProblemModel::rowsAboutToBeRemoved(std::size_t first, std::size_t count) {
    beginRemoveRows({}, static_cast<int>(first), static_cast<int>(first + count - 1));
}

void ProblemModel::rowsRemoved() {
    endRemoveRows();
}

void ProblemModel::rowsAboutToBeInserted(std::size_t first, std::size_t count) {
    beginInsertRows({}, static_cast<int>(first), static_cast<int>(first + count - 1));
}

void ProblemModel::rowsInserted() {
    endInsertRows();
}

void ProblemModel::rowsChanged(std::size_t first, std::size_t count) {
    emit dataChanged(index(static_cast<int>(first), 0),
                     index(static_cast<int>(first + count - 1), ColumnCount - 1));
}

const Problem& ProblemModel::problem(int row) const {
    return problems_->at(static_cast<std::size_t>(row));
}

int ProblemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || problems_ == nullptr ? 0 : static_cast<int>(problems_->size());
}

int ProblemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProblemModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const Problem& p = problem(index.row());
    const bool error = p.severity() == Severity::Error;
    if (role == Qt::ForegroundRole && index.column() == SeverityColumn) {
        return QBrush(error ? QColor(190, 30, 30) : QColor(170, 100, 0));
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    switch (index.column()) {
    case SeverityColumn:
        return error ? tr("Erreur") : tr("Avertissement");
    case BoxColumn:
        return boxText(p);
    case PlaneColumn:
        return p.plane ? QString::number(*p.plane) : QString();
    case MessageColumn:
        return QString::fromStdString(p.message);
    default:
        return {};
    }
}

QVariant ProblemModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case SeverityColumn:
        return tr("Gravité");
    case BoxColumn:
        return tr("Box");
    case PlaneColumn:
        return tr("Plan");
    case MessageColumn:
        return tr("Problème");
    default:
        return {};
    }
}
