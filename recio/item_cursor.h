// Walks a statement's items element by element (arrays in index order).
// Internal to the record I/O layer.
#pragma once

#include <span>
#include <stdexcept>

#include "recio/io_item.h"

namespace zirel {

class ItemCursor {
public:
  explicit ItemCursor(std::span<const IoItem> items) : items_(items) { settle(); }

  bool done() const { return index_ == items_.size(); }
  IoType type() const { return items_[index_].type; }

  int32_t integer() const { return static_cast<const int32_t*>(items_[index_].data)[element_]; }
  float real() const { return static_cast<const float*>(items_[index_].data)[element_]; }
  std::string_view text() const { return *static_cast<const std::string_view*>(items_[index_].data); }
  int32_t& integer_target() const { return const_cast<int32_t*>(static_cast<const int32_t*>(target()))[element_]; }
  float& real_target() const { return const_cast<float*>(static_cast<const float*>(target()))[element_]; }

  void advance() {
    if (++element_ == items_[index_].count) {
      element_ = 0;
      ++index_;
      settle();
    }
  }

private:
  const void* target() const {
    if (!items_[index_].writable)
      throw std::logic_error("record I/O: a read needs variables, not values");
    return items_[index_].data;
  }
  void settle() {  // empty arrays transfer nothing
    while (index_ < items_.size() && items_[index_].count == 0) ++index_;
  }
  std::span<const IoItem> items_;
  size_t index_ = 0;
  uint32_t element_ = 0;
};

}  // namespace zirel
