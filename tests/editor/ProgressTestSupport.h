// Long work behind a progress dialog, held by the tests at a known step: what the dialog showed,
// and the user's clicks on it while the worker waits.
#pragma once

#include "EditorTestSupport.h"
#include "LongWork.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// The worker's reports, and the hold at the first one until the test lets it go on.
inline std::mutex progressReportsMutex;
inline std::vector<std::uint64_t> progressReports;
inline std::atomic<bool> letGo = false;

inline void holdAtFirstReport(std::uint64_t done) {
    std::size_t count = 0;
    {
        const std::lock_guard lock(progressReportsMutex);
        progressReports.push_back(done);
        count = progressReports.size();
    }
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (count == 1 && !letGo && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

inline std::vector<std::uint64_t> takeReports() {
    const std::lock_guard lock(progressReportsMutex);
    return std::exchange(progressReports, {});
}

inline QPushButton* buttonOf(QWidget* dialog, const QString& text) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

inline bool progressShows() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QProgressDialog*>(widget) != nullptr && widget->isVisible()) {
            return true;
        }
    }
    return false;
}

// What the progress dialog showed when it came up.
struct ShownProgress {
    QString label;
    int value = -1;
    int maximum = -1;
    bool offersCancel = false;
    QString captionBehind;
    // The window the dialog stands over.
    QWidget* owner = nullptr;
};

// Records the progress dialog once it shows, does action, then lets the worker go on. Other
// modal dialogs that show first, as a choice of options, are left to their own scripts.
inline void whenProgressShows(ShownProgress& shown, QWidget& window,
                              std::function<void(QProgressDialog&)> action = {}) {
    auto* poll = new QTimer;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    QObject::connect(poll, &QTimer::timeout, [poll, giveUp, &shown, &window, action] {
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (progress != nullptr && progress->isVisible()) {
            poll->stop();
            poll->deleteLater();
            shown = {progress->labelText(), progress->value(),
                     progress->maximum(),   buttonOf(progress, "Annuler") != nullptr,
                     window.windowTitle(),  progress->parentWidget()};
            if (action) {
                action(*progress);
            }
            letGo = true;
        } else if (std::chrono::steady_clock::now() > giveUp) {
            poll->stop();
            poll->deleteLater();
            qWarning("No progress showed");
            letGo = true;
        }
    });
    poll->start(10);
}
