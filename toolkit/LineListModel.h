#pragma once

#include "LineSource.h"

#include <QAbstractListModel>

// The rows of a ListControl: the lines of a source, read only when a view asks for one. The
// model counts the rows it has told its views of, so that a source changed ahead of the news
// never shows a view a row it does not know.
class LineListModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit LineListModel(const LineSource& source, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // A search of the display texts from the start of each line in one walk of the source, not
    // a read of each line on its own; other searches as every model does them.
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits,
                          Qt::MatchFlags flags) const override;

    const LineSource& source() const { return *source_; }
    // Every row afresh, from this source.
    void show(const LineSource& source);
    // The source's lines past the rows known.
    void followAppended();
    void follow(const LineChanges& changes);

private:
    const LineSource* source_;
    int rows_ = 0;
};
