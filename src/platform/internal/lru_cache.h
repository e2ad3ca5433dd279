// A small least-recently-used cache: at most `capacity` entries; inserting into a full cache
// drops the entry used longest ago. Not thread-safe; its owner serialises access.
#pragma once

#include <cstddef>
#include <list>
#include <map>
#include <utility>

namespace krv::detail {

template <typename Key, typename Value>
class LruCache {
 public:
  explicit LruCache(std::size_t capacity) : capacity_(capacity < 1 ? 1 : capacity) {}

  // The entry for key, now the most recently used, or nullptr.
  Value* Find(const Key& key) {
    auto it = index_.find(key);
    if (it == index_.end()) return nullptr;
    items_.splice(items_.begin(), items_, it->second);
    return &it->second->second;
  }

  // Stores value under key (replacing an entry of the same key) as the most recently used.
  Value& Insert(const Key& key, Value value) {
    if (Value* old = Find(key)) {
      *old = std::move(value);
      return *old;
    }
    if (items_.size() >= capacity_) {
      index_.erase(items_.back().first);
      items_.pop_back();
    }
    items_.emplace_front(key, std::move(value));
    index_.emplace(key, items_.begin());
    return items_.front().second;
  }

  std::size_t Size() const { return items_.size(); }

 private:
  using Items = std::list<std::pair<Key, Value>>;
  std::size_t capacity_;
  Items items_;
  std::map<Key, typename Items::iterator> index_;
};

}  // namespace krv::detail
