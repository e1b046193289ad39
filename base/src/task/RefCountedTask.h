#pragma once

#include <atomic>

// Base of the task kinds: an atomic reference count that starts at 1 (the creator's
// reference). deref() from 1 to 0 deletes the task through its virtual destructor, so tasks
// live on the heap and are released with deref(), never with delete.
class RefCountedTask {
  public:
    RefCountedTask(const RefCountedTask&) = delete;
    RefCountedTask& operator=(const RefCountedTask&) = delete;

    // Any thread.
    void ref();
    // Any thread; the last release deletes the task.
    void deref();

  protected:
    RefCountedTask() = default;
    virtual ~RefCountedTask();

  private:
    std::atomic<int> refCount{1};
};
