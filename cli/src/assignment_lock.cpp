#include "assignment_lock.h"

namespace vornctl {

namespace {

// The lock whose entry is being written, for the table's run_arp, which
// cannot carry state of its own.
AssignmentLock* g_releasing = nullptr;
const vornen::platform::Operations* g_previous = nullptr;

void run_arp_then_release(const char* parameters) {
  g_previous->run_arp(parameters);
  if (g_releasing != nullptr) g_releasing->release();
}

}  // namespace

ReleaseAfterNeighbourWrite::ReleaseAfterNeighbourWrite(AssignmentLock& lock)
    : previous_(&vornen::platform::ops()), table_(*previous_) {
  table_.run_arp = run_arp_then_release;
  g_previous = previous_;
  g_releasing = &lock;
  vornen::platform::use(&table_);
}

ReleaseAfterNeighbourWrite::~ReleaseAfterNeighbourWrite() {
  vornen::platform::use(previous_);
  g_releasing = nullptr;
  g_previous = nullptr;
}

}  // namespace vornctl
