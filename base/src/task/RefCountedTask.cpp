#include "RefCountedTask.h"

RefCountedTask::~RefCountedTask() = default;

void RefCountedTask::ref() { refCount.fetch_add(1, std::memory_order_relaxed); }

void RefCountedTask::deref() {
    // acq_rel: the deleting thread sees every write made before the other releases.
    if (refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}
