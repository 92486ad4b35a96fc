// Room for a device's reply whose memory grows with the reply. The library
// copies a reply into the caller's buffer in one call and needs the whole
// capacity up front, so the room cannot grow between pieces; instead it is
// an anonymous mapping that reserves address space only, and the kernel
// gives it a page when the library first writes there. A short reply under a
// large --max-bytes costs a page or two, not the capacity.
#pragma once

#include <cstddef>

namespace vornctl {

class ReplyArea {
 public:
  explicit ReplyArea(std::size_t capacity);
  ~ReplyArea();
  ReplyArea(const ReplyArea&) = delete;
  ReplyArea& operator=(const ReplyArea&) = delete;

  // nullptr when the address space could not be reserved.
  char* data() const { return data_; }
  std::size_t capacity() const { return capacity_; }

 private:
  char* data_ = nullptr;
  std::size_t capacity_ = 0;
};

}  // namespace vornctl
