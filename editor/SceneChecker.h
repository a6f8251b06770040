#pragma once

#include "livechecks.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class BoxDocument;

// The whole check of a document, made on a worker thread while the window draws and answers. The
// worker only reads the document, and only until it has read it whole; whoever changes the document
// calls stop() first. What it finds reaches the window's thread through finished(), and a check
// that could not be done, for want of memory or otherwise, says why through failed(); a check
// stopped, or started again, reports nothing.
class SceneChecker : public QObject {
    Q_OBJECT

public:
    explicit SceneChecker(QObject* parent = nullptr);
    // Stops every check and waits for their threads.
    ~SceneChecker() override;

    // Checks the document, which must not change until this check finishes or stop() returns;
    // a check under way is stopped first.
    void start(const BoxDocument& document);
    // Stops the check under way, if any, and returns once it no longer reads the document. Its
    // thread winds down on its own.
    void stop();
    bool running() const { return current_ != nullptr; }
    // How much of the check under way is done, from 0 to 100.
    int percentDone() const;

signals:
    // The check started last is done: its report is in checks, to be taken.
    void finished(LiveChecks* checks);
    // The check started last could not be done; reason says why, in a few plain French words.
    void failed(const QString& reason);

private:
    struct Run {
        std::atomic<bool> stopAsked = false;
        std::atomic<std::uint64_t> done = 0;
        std::atomic<std::uint64_t> total = 1;
        std::mutex mutex;
        std::condition_variable released;
        bool readingDocument = true;
        bool completed = false;
        // Why the check could not be done; empty when it was, or was stopped.
        QString failure;
        LiveChecks checks;
        std::thread thread;
    };

    static void check(const BoxDocument& document, Run& run);
    static void release(Run& run);
    void end(const std::shared_ptr<Run>& run);

    std::shared_ptr<Run> current_;
    // Checks stopped whose threads have not ended yet.
    std::vector<std::shared_ptr<Run>> leaving_;
};

// Called on the worker thread each time a check tells how far it has gone, before it goes on,
// with the flag that asks it to stop: a test holds the check at a known step until it lets it go
// or the check is stopped, or makes the check fail there by throwing.
using SceneCheckHook = void (*)(std::uint64_t done, const std::atomic<bool>& stopAsked);
void setSceneCheckHook(SceneCheckHook hook);
