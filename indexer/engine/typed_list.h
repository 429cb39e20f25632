// TTypedList: a list of pointers to T that either owns its items (frees them when cleared or
// destroyed) or merely refers to them. Ownership is fixed at construction.
#ifndef ORU_INDEXER_ENGINE_TYPED_LIST_H_
#define ORU_INDEXER_ENGINE_TYPED_LIST_H_

#include <cstddef>
#include <vector>

namespace oru {

template <typename T>
class TTypedList {
 public:
  explicit TTypedList(bool owns_items = true) : OwnsItems(owns_items) {}
  ~TTypedList() { Clear(); }
  TTypedList(const TTypedList&) = delete;
  TTypedList& operator=(const TTypedList&) = delete;
  TTypedList(TTypedList&& other) noexcept
      : OwnsItems(other.OwnsItems), items_(std::move(other.items_)) {
    other.items_.clear();
  }
  TTypedList& operator=(TTypedList&& other) noexcept {
    if (this != &other) {
      Clear();
      OwnsItems = other.OwnsItems;
      items_ = std::move(other.items_);
      other.items_.clear();
    }
    return *this;
  }

  // Appends `item`; an owning list takes it over. Returns its index.
  size_t Add(T* item) {
    items_.push_back(item);
    return items_.size() - 1;
  }
  // Frees every item (when owning), from the last to the first, then empties the list.
  void Clear() {
    if (OwnsItems) {
      for (size_t i = items_.size(); i-- > 0;) delete items_[i];
    }
    items_.clear();
  }
  // Removes the last item, freeing it when owning.
  void DeleteLast() {
    if (items_.empty()) return;
    if (OwnsItems) delete items_.back();
    items_.pop_back();
  }
  void Reserve(size_t n) { items_.reserve(n); }

  size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  T* operator[](size_t i) const { return items_[i]; }
  T* Last() const { return items_.back(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  bool OwnsItems;

 private:
  std::vector<T*> items_;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_TYPED_LIST_H_
