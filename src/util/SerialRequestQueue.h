#pragma once

#include <functional>

#include "List.h"

// The request queue of the thumbnail grabbers: requests are served one after the other in the
// order queued, each either answered at once or by a task (a QThread with cancel() and
// isCancelled()) running on its own thread. Owner's thread only; the owner connects each
// task's finished() (queued) to a slot that calls taskDone().
template <typename Request, typename Task>
class SerialRequestQueue {
  public:
    // The started task serving `request`, or null when it was answered at once.
    using Start = std::function<Task*(const Request& request)>;
    // Reports the outcome of a task that was not cancelled.
    using Report = std::function<void(const Task& task, const Request& request)>;

    SerialRequestQueue(Start start, Report report)
        : start(std::move(start)), report(std::move(report)) {}
    ~SerialRequestQueue() { stop(); }
    SerialRequestQueue(const SerialRequestQueue&) = delete;
    SerialRequestQueue& operator=(const SerialRequestQueue&) = delete;

    // Takes ownership; served at once when idle.
    void append(Request* request) {
        requestQueue.append(request);
        serveNext();
    }

    // Drops every waiting request; the running task finishes unreported.
    void clear() {
        requestQueue.deleteAllObjsAndReset();
        if (currentTask) currentTask->cancel();
    }

    // Clears, then waits for the running task and drops it with its request. Call it before
    // freeing what the running task borrows.
    void stop() {
        clear();
        if (currentTask) {
            currentTask->wait();
            delete currentTask;
            currentTask = nullptr;
        }
        finishRequest();
    }

    // The running task has finished: its outcome is reported unless cancelled, and the next
    // request served. A call without a running task does nothing.
    void taskDone() {
        if (!currentTask) return;
        Task* task = currentTask;
        currentTask = nullptr;
        task->wait();
        if (!task->isCancelled()) report(*task, *currentRequest);
        delete task;
        // A cancelled task ends its request too, so the queue moves on.
        finishRequest();
        serveNext();
    }

  private:
    // Requests answered at once are finished here; a request queued from a signal they emit
    // waits behind those already queued.
    void serveNext() {
        while (!currentRequest && !requestQueue.empty()) {
            currentRequest = requestQueue.front();
            requestQueue.pop_front();
            currentTask = start(*currentRequest);
            if (currentTask) return;
            finishRequest();
        }
    }

    void finishRequest() {
        delete currentRequest;
        currentRequest = nullptr;
    }

    Start start;
    Report report;
    List<Request*> requestQueue;        // owned
    Request* currentRequest = nullptr;  // owned, null when idle
    Task* currentTask = nullptr;        // owned, null when none runs
};
