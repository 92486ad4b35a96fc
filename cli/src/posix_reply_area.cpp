#include <sys/mman.h>

#include "reply_area.h"

namespace vornctl {

ReplyArea::ReplyArea(std::size_t capacity) {
  void* p = ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) return;
  data_ = static_cast<char*>(p);
  capacity_ = capacity;
}

ReplyArea::~ReplyArea() {
  if (data_ != nullptr) ::munmap(data_, capacity_);
}

}  // namespace vornctl
