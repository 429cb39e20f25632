// A set of file numbers (0 to 65535), one bit each: the files an update met, indexed again or
// found gone.
#ifndef ORU_INDEXER_ENGINE_FILE_NUMBERS_H_
#define ORU_INDEXER_ENGINE_FILE_NUMBERS_H_

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace oru {

class FileNumberSet {
 public:
  void Add(uint16_t number) {
    uint64_t& word = bits_[number >> 6];
    const uint64_t bit = uint64_t{1} << (number & 63);
    if ((word & bit) == 0) ++size_;
    word |= bit;
  }
  bool Contains(uint16_t number) const { return (bits_[number >> 6] >> (number & 63)) & 1; }
  void AddAll(const FileNumberSet& other) {
    for (size_t i = 0; i < bits_.size(); ++i) {
      const uint64_t added = other.bits_[i] & ~bits_[i];
      size_ += static_cast<size_t>(std::popcount(added));
      bits_[i] |= added;
    }
  }
  bool empty() const { return size_ == 0; }
  size_t size() const { return size_; }
  void Clear() {
    bits_ = {};
    size_ = 0;
  }

 private:
  std::array<uint64_t, 65536 / 64> bits_{};
  size_t size_ = 0;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_FILE_NUMBERS_H_
