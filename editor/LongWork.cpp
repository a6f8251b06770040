#include "LongWork.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <exception>
#include <thread>

namespace {

std::atomic<LongWorkStepHook> stepHook = nullptr;

constexpr int barSteps = 1000;
constexpr int minimumWidthInCharacters = 60;
constexpr std::chrono::milliseconds showAfter(500);
constexpr std::chrono::milliseconds refreshEvery(50);

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// The bar, and "Annuler" where the work may stop. Once asked to stop, the dialog stays until the
// work has stopped, saying so: a step that cannot be cut short, such as reading a model, may take
// a while yet. Where the work may not stop, Escape and the close box leave the dialog in place.
class ProgressDialog final : public QProgressDialog {
public:
    ProgressDialog(QWidget* owner, const QString& label, LongWork::Stop stop)
        : QProgressDialog(owner), stopOffered_(stop == LongWork::Stop::offered) {
        setWindowTitle(QStringLiteral("Quadrel"));
        setLabelText(label);
        // Room for a long file name beside the bar's percentage.
        setMinimumWidth(fontMetrics().averageCharWidth() * minimumWidthInCharacters);
        if (stopOffered_) {
            auto* cancel = new QPushButton(QStringLiteral("Annuler"), this);
            setCancelButton(cancel);
            // Left shown, rather than hidden as a cancelled progress dialog is.
            disconnect(this, SIGNAL(canceled()), this, SLOT(cancel()));
            connect(this, &QProgressDialog::canceled, this, [this, cancel] {
                setLabelText(QStringLiteral("Arrêt en cours…"));
                cancel->setEnabled(false);
            });
        } else {
            setCancelButton(nullptr);
        }
        setWindowModality(Qt::ApplicationModal);
        setAutoClose(false);
        setAutoReset(false);
        setRange(0, barSteps);
        setMinimumDuration(static_cast<int>(showAfter.count()));
        setValue(0);
    }

    void reject() override {
        if (stopOffered_) {
            emit canceled();
        }
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        if (stopOffered_) {
            emit canceled();
        }
    }

private:
    bool stopOffered_;
};

// Drops the user's input, and any window's closing, until the dialog shows; from then on its
// modality keeps the other windows from input.
class InputBlock final : public QObject {
public:
    explicit InputBlock(const QWidget& dialog) : dialog_(dialog) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputBlock() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            return receiver != &dialog_;
        }
        return isUserInput(event->type()) && !dialog_.isVisible();
    }

private:
    const QWidget& dialog_;
};

} // namespace

LongWork::LongWork(QWidget* owner, QString label, Stop stop)
    : owner_(owner), label_(std::move(label)), stop_(stop) {}

bool LongWork::report(std::uint64_t done) {
    done_ = done;
    if (const LongWorkStepHook hook = stepHook) {
        hook(done);
    }
    return !stopRequested_;
}

void LongWork::run(const std::function<void()>& work) {
    ProgressDialog dialog(owner_, label_, stop_);
    const InputBlock block(dialog);
    QTimer refresh;
    QObject::connect(&dialog, &QProgressDialog::canceled, [this, &refresh] {
        stopRequested_ = true;
        refresh.stop();
    });
    QObject::connect(&refresh, &QTimer::timeout, [this, &dialog] {
        const std::uint64_t total = total_;
        if (total == 0) {
            dialog.setMaximum(0);
            return;
        }
        dialog.setMaximum(barSteps);
        const std::uint64_t done = std::min<std::uint64_t>(done_, total);
        dialog.setValue(static_cast<int>(done * barSteps / total));
    });
    refresh.start(refreshEvery);

    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void setLongWorkStepHook(LongWorkStepHook hook) {
    stepHook = hook;
}
