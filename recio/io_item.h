// The item list of a statement: small descriptors pointing at the caller's
// variables, built on the stack, so a statement allocates nothing.
//
//   int32_t h, k, l; float f, s;
//   read_formatted(1, fmt, {h, k, l, f, s}, {.err = true, .end = true});
//   write_formatted(2, out_fmt, {h, k, l, f, s}, DecimalsSource{2, 3});
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

namespace zirel {

enum class IoType : uint8_t { integer, real, text };

struct IoItem {
  IoType type;
  bool writable;      // false for values passed by const reference (output only)
  uint32_t count;     // elements, transferred in index order
  const void* data;

  IoItem(int32_t& v) : type(IoType::integer), writable(true), count(1), data(&v) {}
  IoItem(const int32_t& v) : type(IoType::integer), writable(false), count(1), data(&v) {}
  IoItem(float& v) : type(IoType::real), writable(true), count(1), data(&v) {}
  IoItem(const float& v) : type(IoType::real), writable(false), count(1), data(&v) {}
  IoItem(std::span<int32_t> a) : type(IoType::integer), writable(true), count(uint32_t(a.size())), data(a.data()) {}
  IoItem(std::span<const int32_t> a) : type(IoType::integer), writable(false), count(uint32_t(a.size())), data(a.data()) {}
  IoItem(std::span<float> a) : type(IoType::real), writable(true), count(uint32_t(a.size())), data(a.data()) {}
  IoItem(std::span<const float> a) : type(IoType::real), writable(false), count(uint32_t(a.size())), data(a.data()) {}
  template <std::size_t N> IoItem(float (&a)[N]) : IoItem(std::span<float>(a)) {}
  template <std::size_t N> IoItem(std::array<float, N>& a) : IoItem(std::span<float>(a)) {}
  template <std::size_t N> IoItem(int32_t (&a)[N]) : IoItem(std::span<int32_t>(a)) {}
  template <std::size_t N> IoItem(std::array<int32_t, N>& a) : IoItem(std::span<int32_t>(a)) {}
  // Characters written as they stand under A (output only). The view itself must
  // outlive the statement, as a variable does.
  IoItem(const std::string_view& s) : type(IoType::text), writable(false), count(1), data(&s) {}
};

// A view of the items; built from a braced list (lives for the call) or a span.
class IoList {
public:
  IoList(std::initializer_list<IoItem> items) : items_(items.begin(), items.size()) {}
  IoList(std::span<const IoItem> items) : items_(items) {}
  IoList() = default;
  std::span<const IoItem> items() const { return items_; }

private:
  std::span<const IoItem> items_;
};

// Decimals supplied when a write runs, for the format's Fw.dK items: value[K-1].
// They are read once, before any item is transferred.
struct DecimalsSource {
  std::array<int32_t, 4> value{};
};

}  // namespace zirel
