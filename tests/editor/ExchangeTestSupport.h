// "Importer..." and "Exporter..." of the 3D view driven as a user drives them, with the files
// chosen and the questions answered from the test's scripts.
#pragma once

#include "ImportReportWindow.h"
#include "ModelExchange.h"
#include "QuadrelDlg.h"
#include "ViewTestSupport.h"
#include "ViewWindow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTreeWidget>
#include <deque>
#include <memory>

// The view of a test window, with its importer and exporter answering from the test's scripts.
struct ExchangeRun {
    explicit ExchangeRun(TestWindow& test) : test(test) {
        QTest::keyClick(&test.window(), Qt::Key_F3);
        view = test.window().view();
        ModelExchange& exchange = view->modelExchange();
        exchange.setImportChooser(std::make_unique<ScriptedChooser>(files));
        exchange.setExportChooser(std::make_unique<ScriptedChooser>(files));
        exchange.setQuestionBox(std::make_unique<ScriptedQuestionBox>(answers, asked));
    }

    // Clicks "Importer...", picks the file, and sets the options as the user would.
    void importFile(const QString& path, bool collisionOnly, const QString& firstId = {}) {
        files->push_back(path);
        whenModalShows([collisionOnly, firstId](QWidget* dialog) {
            if (collisionOnly) {
                QTest::mouseClick(radioNamed(dialog, "Seulement"), Qt::LeftButton);
            }
            if (!firstId.isEmpty()) {
                QTest::mouseClick(radioNamed(dialog, "À partir"), Qt::LeftButton);
                QTest::keyClicks(dialog->findChild<QLineEdit*>(), firstId);
            }
            QTest::mouseClick(buttonNamed(dialog, "Importer"), Qt::LeftButton);
        });
        QTest::mouseClick(buttonNamed(view, "Importer..."), Qt::LeftButton);
    }

    void exportFile(const QString& path, bool intersections) {
        files->push_back(path);
        whenModalShows([intersections](QWidget* dialog) {
            dialog->findChild<QCheckBox*>()->setChecked(intersections);
            QTest::mouseClick(buttonNamed(dialog, "Exporter..."), Qt::LeftButton);
        });
        QTest::mouseClick(buttonNamed(view, "Exporter..."), Qt::LeftButton);
    }

    static QRadioButton* radioNamed(QWidget* dialog, const QString& start) {
        for (auto* radio : dialog->findChildren<QRadioButton*>()) {
            if (radio->text().startsWith(start)) {
                return radio;
            }
        }
        return nullptr;
    }

    QStringList reportRow(int row) const {
        QStringList texts;
        const QTreeWidgetItem* item =
            view->modelExchange().reportWindow()->list()->topLevelItem(row);
        for (int column = 0; item != nullptr && column < item->columnCount(); ++column) {
            texts << item->text(column);
        }
        return texts;
    }

    QString lastHistoryLine() const {
        return view->historyList()->item(view->historyList()->count() - 1)->text();
    }

    TestWindow& test;
    ViewWindow* view = nullptr;
    std::shared_ptr<std::deque<QString>> files = std::make_shared<std::deque<QString>>();
    std::shared_ptr<std::deque<QString>> answers = std::make_shared<std::deque<QString>>();
    std::shared_ptr<QStringList> asked = std::make_shared<QStringList>();
};
