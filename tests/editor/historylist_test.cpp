// The 3D view's history list follows each command in place: after any run of edits, undos, redos,
// clicks on its lines and fresh starts, it shows exactly what a list filled afresh shows, and an
// edit leaves the lines before it as they were.
#include "CommandProcessor.h"
#include "HistoryList.h"
#include "namededit.h"
#include "orlclass.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// A history and its list on the screen.
struct ShownHistory {
    explicit ShownHistory(QSize size) {
        list.resize(size);
        list.show();
    }

    BoxDocument document;
    CommandProcessor commands{document};
    HistoryList list{commands};
};

// Everything a line shows: text, font, colour, tip.
struct Line {
    QString text;
    QVariant font;
    QVariant foreground;
    QString toolTip;

    bool operator==(const Line&) const = default;
};

std::vector<Line> linesOf(const QListWidget& list) {
    std::vector<Line> lines;
    for (int row = 0; row < list.count(); ++row) {
        const QListWidgetItem* item = list.item(row);
        lines.push_back({item->text(), item->data(Qt::FontRole), item->data(Qt::ForegroundRole),
                         item->toolTip()});
    }
    return lines;
}

QString describe(const std::vector<Line>& lines) {
    QString text;
    for (const Line& line : lines) {
        text += QString("[%1|%2|%3|%4] ")
                    .arg(line.text, line.font.isValid() ? "font" : "-",
                         line.foreground.isValid() ? "grey" : "-", line.toolTip);
    }
    return text;
}

// What the list must show of the history, worked out from the history alone.
QStringList expectedTexts(const History& history) {
    QStringList texts{"État lu ou créé"};
    for (std::size_t entry = 0; entry < history.size(); ++entry) {
        texts << QString::fromStdString(history.nameAt(entry));
    }
    const auto current = static_cast<qsizetype>(history.currentPoint());
    texts[current] = "▶ " + texts[current];
    return texts;
}

} // namespace

class HistoryListTest : public QObject {
    Q_OBJECT

private slots:
    void followsAnyRunOfCommandsAsAFreshFillShowsIt();
    void anEditLeavesTheLinesBeforeItInPlace();
    void aLongNameShowsWhole();
};

void HistoryListTest::followsAnyRunOfCommandsAsAFreshFillShowsIt() {
    ShownHistory shown({320, 240});
    CommandProcessor& commands = shown.commands;
    HistoryList& list = shown.list;
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    std::mt19937 random(2026);
    int made = 0;
    for (int step = 0; step < 600; ++step) {
        const int choice = static_cast<int>(random() % 100);
        if (choice < 40) {
            // Now and then the same name as an entry just undone, which it replaces.
            const int number = random() % 4 == 0 ? made : ++made;
            commands.apply(std::make_unique<NamedEdit>("Édition " + std::to_string(number)));
        } else if (choice < 60) {
            commands.undo();
        } else if (choice < 72) {
            commands.redo();
        } else if (choice < 92) {
            const int row = static_cast<int>(random() % static_cast<unsigned>(list.count()));
            list.scrollToItem(list.item(row));
            const QRect rect = list.visualItemRect(list.item(row));
            QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
            QCOMPARE(commands.history().currentPoint(), static_cast<std::size_t>(row));
        } else if (choice < 95) {
            commands.markSaved();
        } else if (choice < 97) {
            commands.clear();
        } else {
            commands.goTo(random() % (commands.history().size() + 1));
        }
        QStringList texts;
        for (int row = 0; row < list.count(); ++row) {
            texts << list.item(row)->text();
        }
        QCOMPARE(texts, expectedTexts(commands.history()));
        const HistoryList fresh(commands);
        const std::vector<Line> shown = linesOf(list);
        const std::vector<Line> wanted = linesOf(fresh);
        if (shown != wanted) {
            QFAIL(qPrintable(QString("step %1: shows %2\nfresh %3")
                                 .arg(step)
                                 .arg(describe(shown), describe(wanted))));
        }
    }
    QVERIFY(made > 100);
}

void HistoryListTest::anEditLeavesTheLinesBeforeItInPlace() {
    BoxDocument document;
    CommandProcessor commands(document);
    HistoryList list(commands);
    for (int i = 0; i < 3000; ++i) {
        commands.apply(std::make_unique<NamedEdit>("Édition " + std::to_string(i)));
    }
    commands.undo();
    commands.undo();
    std::vector<const QListWidgetItem*> before;
    for (int row = 0; row < list.count(); ++row) {
        before.push_back(list.item(row));
    }
    commands.apply(std::make_unique<NamedEdit>("Dernière"));
    QCOMPARE(list.count(), 3000);
    for (int row = 0; row < 2999; ++row) {
        QCOMPARE(list.item(row), before[static_cast<std::size_t>(row)]);
    }
    QCOMPARE(list.item(2998)->text(), QString("Édition 2997"));
    QCOMPARE(list.item(2999)->text(), QString("▶ Dernière"));
}

// Every line is as wide as the widest needs marked current, and the list scrolls to see it.
void HistoryListTest::aLongNameShowsWhole() {
    ShownHistory shown({200, 200});
    CommandProcessor& commands = shown.commands;
    HistoryList& list = shown.list;
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const std::string longName = "Ajouter 312 intersections manquantes entre les box 1000 et 2000";
    for (const std::string& name :
         {std::string("Valider la box 1"), longName, std::string("Supprimer la box 7")}) {
        commands.apply(std::make_unique<NamedEdit>(name));
    }
    commands.undo();
    QApplication::processEvents();
    QFont bold = list.font();
    bold.setBold(true);
    const int needed =
        QFontMetrics(bold).horizontalAdvance("▶ " + QString::fromStdString(longName));
    QVERIFY(needed > list.viewport()->width());
    for (int row = 0; row < list.count(); ++row) {
        QVERIFY(list.visualItemRect(list.item(row)).width() >= needed);
    }
    QVERIFY(list.horizontalScrollBar()->maximum() > 0);
}

QTEST_MAIN(HistoryListTest)
#include "historylist_test.moc"
