// Cuts one fuzzer input into the several arguments a target needs: each call takes the bytes up
// to the next 0xFF separator (or the rest), or a small integer from the next four bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace ow::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : data_(reinterpret_cast<const char*>(data)), size_(size) {}

  std::string Piece() {
    const void* end = std::memchr(data_ + offset_, 0xFF, size_ - offset_);
    const std::size_t stop =
        end == nullptr ? size_ : static_cast<std::size_t>(static_cast<const char*>(end) - data_);
    std::string piece(data_ + offset_, stop - offset_);
    offset_ = stop < size_ ? stop + 1 : size_;
    return piece;
  }

  // Any 32-bit value, the extremes included.
  int Integer() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4 && offset_ < size_; ++i)
      value = value << 8 | static_cast<unsigned char>(data_[offset_++]);
    int result;
    std::memcpy(&result, &value, sizeof result);
    return result;
  }

  bool Flag() { return offset_ < size_ && (data_[offset_++] & 1) != 0; }

 private:
  const char* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

}  // namespace ow::fuzz
