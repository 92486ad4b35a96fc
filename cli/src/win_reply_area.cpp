#include "platform/win_system.h"
#include "reply_area.h"

namespace vornctl {

// Committed memory of Windows takes a page of RAM only when first touched.
ReplyArea::ReplyArea(std::size_t capacity) {
  void* p = ::VirtualAlloc(nullptr, capacity, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (p == nullptr) return;
  data_ = static_cast<char*>(p);
  capacity_ = capacity;
}

ReplyArea::~ReplyArea() {
  if (data_ != nullptr) ::VirtualFree(data_, 0, MEM_RELEASE);
}

}  // namespace vornctl
