// What every fuzz target shares: a reader over its input and the check that
// stops the run when a rule is broken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vornen::fuzz {

// Stops the run with the message when the condition does not hold.
inline void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

// Reads a fuzz input front to back; past its end every read gives zeros.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint16_t uint16() {
    const std::uint16_t lo = byte();
    return static_cast<std::uint16_t>(lo | static_cast<std::uint16_t>(byte() << 8));
  }
  std::int16_t int16() { return static_cast<std::int16_t>(uint16()); }
  std::uint32_t uint32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(byte()) << (8 * i);
    return v;
  }
  std::int32_t int32() { return static_cast<std::int32_t>(uint32()); }
  // Up to n bytes, fewer where the input ends.
  std::string bytes(std::size_t n) {
    const std::size_t left = pos_ < size_ ? size_ - pos_ : 0;
    const std::size_t take = n < left ? n : left;
    std::string out(reinterpret_cast<const char*>(data_ + pos_), take);
    pos_ += take;
    return out;
  }
  // A text that ends at a zero byte or at the input's end.
  std::string text() {
    std::string out;
    while (!empty()) {
      const std::uint8_t b = byte();
      if (b == 0) break;
      out.push_back(static_cast<char>(b));
    }
    return out;
  }
  std::string rest() { return bytes(size_); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace vornen::fuzz
