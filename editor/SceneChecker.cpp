#include "SceneChecker.h"

#include "MemoryRelease.h"
#include "orlclass.h"

#include <algorithm>
#include <exception>
#include <new>
#include <system_error>

namespace {

std::atomic<SceneCheckHook> stepHook = nullptr;

// Why the exception under way stopped the check, as the user reads it.
QString failureReason() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return QStringLiteral("la mémoire a manqué");
    } catch (const std::exception& error) {
        return QStringLiteral("erreur imprévue (%1)").arg(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        return QStringLiteral("erreur imprévue");
    }
}

} // namespace

SceneChecker::SceneChecker(QObject* parent) : QObject(parent) {}

SceneChecker::~SceneChecker() {
    stop();
    for (const std::shared_ptr<Run>& run : leaving_) {
        if (run->thread.joinable()) {
            run->thread.join();
        }
    }
}

void SceneChecker::start(const BoxDocument& document) {
    stop();
    auto run = std::make_shared<Run>();
    current_ = run;
    const auto work = [this, run, &document] {
        check(document, *run);
        QMetaObject::invokeMethod(
            this, [this, run] { end(run); }, Qt::QueuedConnection);
    };
    try {
        run->thread = std::thread(work);
    } catch (const std::system_error&) {
        // No thread to be had: the check is made here, later than it could have been.
        work();
    }
}

void SceneChecker::check(const BoxDocument& document, Run& run) {
    LiveChecks::RebuildWatch watch;
    watch.progress = [&run](std::uint64_t done, std::uint64_t total) {
        run.done = done;
        run.total = std::max<std::uint64_t>(total, 1);
        if (const SceneCheckHook hook = stepHook) {
            hook(done, run.stopAsked);
        }
        return !run.stopAsked;
    };
    watch.documentRead = [&run] { release(run); };
    try {
        run.completed = run.checks.rebuild(document, watch);
    } catch (...) {
        // Out of memory, most likely: the scene stays unchecked, and the window usable.
        run.completed = false;
        run.failure = failureReason();
    }
    release(run);
}

void SceneChecker::release(Run& run) {
    const std::lock_guard lock(run.mutex);
    run.readingDocument = false;
    run.released.notify_all();
}

void SceneChecker::stop() {
    if (!current_) {
        return;
    }
    current_->stopAsked = true;
    {
        std::unique_lock lock(current_->mutex);
        current_->released.wait(lock, [this] { return !current_->readingDocument; });
    }
    leaving_.push_back(std::move(current_));
    current_.reset();
}

int SceneChecker::percentDone() const {
    if (!current_) {
        return 100;
    }
    const std::uint64_t total = current_->total;
    return static_cast<int>(std::min<std::uint64_t>(current_->done, total) * 100 / total);
}

void SceneChecker::end(const std::shared_ptr<Run>& run) {
    if (run->thread.joinable()) {
        run->thread.join();
    }
    if (run == current_) {
        current_.reset();
        if (run->completed) {
            emit finished(&run->checks);
        } else if (!run->failure.isEmpty()) {
            emit failed(run->failure);
        }
    } else {
        std::erase(leaving_, run);
    }
    giveBackFreedMemory();
}

void setSceneCheckHook(SceneCheckHook hook) {
    stepHook = hook;
}
