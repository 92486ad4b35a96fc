// Fault injection for allocations: while a RefusedAllocations lives, every
// operator new on this thread throws std::bad_alloc, as it would when memory
// runs out. The replacement operators live in refused_allocations.cpp.
#pragma once

namespace vornen::peers {

class RefusedAllocations {
 public:
  RefusedAllocations();
  ~RefusedAllocations();
  RefusedAllocations(const RefusedAllocations&) = delete;
  RefusedAllocations& operator=(const RefusedAllocations&) = delete;
};

}  // namespace vornen::peers
