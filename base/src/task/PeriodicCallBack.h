#pragma once

#include "PeriodicTask.h"

// A periodic task that calls a plain function with a borrowed data pointer every interval.
class PeriodicCallBack : public PeriodicTask {
  public:
    // `data` is borrowed and must outlive the started task.
    PeriodicCallBack(int intervalMs, void (*function)(void*), void* data);

    void run() override;

  protected:
    ~PeriodicCallBack() override;

  private:
    void (*function)(void*);
    void* data;
};
