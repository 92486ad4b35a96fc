#include "refused_allocations.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool t_refused = false;
}  // namespace

void* operator new(std::size_t size) {
  if (t_refused) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace vornen::peers {

RefusedAllocations::RefusedAllocations() { t_refused = true; }
RefusedAllocations::~RefusedAllocations() { t_refused = false; }

}  // namespace vornen::peers
