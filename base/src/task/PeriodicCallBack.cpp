#include "PeriodicCallBack.h"

PeriodicCallBack::PeriodicCallBack(int intervalMs, void (*function)(void*), void* data)
    : PeriodicTask(intervalMs), function(function), data(data) {}

PeriodicCallBack::~PeriodicCallBack() = default;

void PeriodicCallBack::run() { function(data); }
