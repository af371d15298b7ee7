// The cells of one sheet, laid out for how workbooks are used: each row that
// holds cells keeps them in one array sorted by column, and those rows lie in
// one array sorted by row. A cell is found by two binary searches (or
// directly, where rows or columns run without gaps); the cells of a row
// between two columns are one span; a number costs no allocation of its own;
// and appending in row-major order, as a file is read, costs amortised
// constant time. Iteration is in row-major order, over (key, cell) pairs
// whose key is Wb_cellKey(row, col), like an ordered map's.
//
// A cell's address stays valid until a cell is added to or removed from the
// same row. The element type is a parameter, so that anything else kept by
// cell position (the elements of a sheet part being patched) is kept alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <stdexcept>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

template <typename CellT>
class WbCellStore {
 public:
  using key_type = std::uint64_t;
  using value_type = std::pair<key_type, CellT>;
  struct Row {
    int row = 0;
    std::vector<value_type> cells;   // sorted by column, never empty
  };

  template <bool Const>
  class Iter {
    using Rows = std::conditional_t<Const, const std::vector<Row>, std::vector<Row>>;

   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = WbCellStore::value_type;
    using difference_type = std::ptrdiff_t;
    using reference = std::conditional_t<Const, const value_type&, value_type&>;
    using pointer = std::conditional_t<Const, const value_type*, value_type*>;

    Iter() = default;
    Iter(Rows* rows, std::size_t r, std::size_t c) : rows_(rows), r_(r), c_(c) {}
    operator Iter<true>() const { return Iter<true>(rows_, r_, c_); }
    reference operator*() const { return (*rows_)[r_].cells[c_]; }
    pointer operator->() const { return &(*rows_)[r_].cells[c_]; }
    Iter& operator++() {
      if (++c_ == (*rows_)[r_].cells.size()) { ++r_; c_ = 0; }
      return *this;
    }
    Iter operator++(int) { Iter before = *this; ++*this; return before; }
    bool operator==(const Iter& o) const { return r_ == o.r_ && c_ == o.c_; }

   private:
    Rows* rows_ = nullptr;
    std::size_t r_ = 0, c_ = 0;
  };
  using iterator = Iter<false>;
  using const_iterator = Iter<true>;

  iterator begin() { return {&rows_, 0, 0}; }
  iterator end() { return {&rows_, rows_.size(), 0}; }
  const_iterator begin() const { return {&rows_, 0, 0}; }
  const_iterator end() const { return {&rows_, rows_.size(), 0}; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // The rows that hold cells, in order.
  const std::vector<Row>& rows() const { return rows_; }

  iterator find(key_type key) { return iterAt(locate(key)); }
  const_iterator find(key_type key) const { return iterAt(locate(key)); }
  std::size_t count(key_type key) const { return locate(key).found ? 1 : 0; }
  // The first cell at or after the key in row-major order.
  iterator lower_bound(key_type key) { return after(locate(key)); }
  const_iterator lower_bound(key_type key) const { return after(locate(key)); }
  CellT* get(key_type key) {
    Place p = locate(key);
    return p.found ? &rows_[p.r].cells[p.c].second : nullptr;
  }
  const CellT* get(key_type key) const { return const_cast<WbCellStore*>(this)->get(key); }
  // The cell at the key, which must exist (std::out_of_range otherwise).
  CellT& at(key_type key) {
    if (CellT* c = get(key)) return *c;
    throw std::out_of_range("no cell at this key");
  }

  // The cell at the key, made empty when absent; true when it was added.
  std::pair<iterator, bool> try_emplace(key_type key) {
    Place p = locate(key);
    if (p.found) return {iterator(&rows_, p.r, p.c), false};
    if (p.r == rows_.size() || rows_[p.r].row != rowOf(key)) {
      rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(p.r), Row{rowOf(key), {}});
      p.c = 0;
    }
    auto& cells = rows_[p.r].cells;
    // Built in place: a temporary cell moved in would copy each of its
    // short strings once more.
    cells.emplace(cells.begin() + static_cast<std::ptrdiff_t>(p.c), std::piecewise_construct,
                  std::forward_as_tuple(key), std::forward_as_tuple());
    ++size_;
    return {iterator(&rows_, p.r, p.c), true};
  }
  // The new cell at `key` when the key comes after every cell held, as a
  // file lists its cells, made at the end without a search (the row it
  // starts gets room for `rowCells` cells); nullptr, with nothing made,
  // for any other key.
  CellT* append(key_type key, std::size_t rowCells) {
    if (!rows_.empty() && rows_.back().cells.back().first >= key) return nullptr;
    if (rows_.empty() || rows_.back().row != rowOf(key)) {
      rows_.push_back(Row{rowOf(key), {}});
      rows_.back().cells.reserve(rowCells);
    }
    auto& cells = rows_.back().cells;
    cells.emplace_back(std::piecewise_construct, std::forward_as_tuple(key), std::forward_as_tuple());
    ++size_;
    return &cells.back().second;
  }
  std::size_t erase(key_type key) {
    Place p = locate(key);
    if (!p.found) return 0;
    auto& cells = rows_[p.r].cells;
    cells.erase(cells.begin() + static_cast<std::ptrdiff_t>(p.c));
    if (cells.empty()) rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(p.r));
    --size_;
    return 1;
  }
  void clear() { rows_.clear(); size_ = 0; }
  // Room for `n` cells in `row`, which holds cells already: a file that
  // says how many cells a row has adds them without moving any.
  void reserveRow(int row, std::size_t n) {
    std::size_t r = rowIndex(row);
    if (r < rows_.size() && rows_[r].row == row) rows_[r].cells.reserve(n);
  }

  // The cells of `row` in columns col1 to col2, in column order.
  std::span<const value_type> rowSpan(int row, int col1, int col2) const {
    std::size_t r = rowIndex(row);
    if (r == rows_.size() || rows_[r].row != row) return {};
    return spanOf(rows_[r].cells, col1, col2);
  }
  // Calls fn(span) with the cells of each row from row1 to row2 that has
  // some in columns col1 to col2, in order: an area costs its rows that hold
  // cells and the cells inside it, whatever its size.
  template <typename Fn>
  void eachRowIn(int row1, int col1, int row2, int col2, Fn fn) const {
    for (std::size_t r = rowIndex(row1); r < rows_.size() && rows_[r].row <= row2; ++r) {
      std::span<const value_type> cells = spanOf(rows_[r].cells, col1, col2);
      if (!cells.empty()) fn(cells);
    }
  }

 private:
  // Where a key is, or would go: row index r, column index c within it.
  struct Place {
    std::size_t r = 0, c = 0;
    bool found = false;
  };
  static int rowOf(key_type key) { return static_cast<int>(key >> 32); }
  static int colOf(key_type key) { return static_cast<int>(key & 0xffffffffu); }

  // The first of the `n` (> 0) sorted, distinct positions pos(i) at or
  // after `at`. Tried before a binary search: where `at` lies if the
  // positions run without gaps, and then where it lies if every gap comes
  // before it, as when a title row or a label column stands apart from a
  // block (pos(i) >= pos(0) + i, so the first guess can only overshoot).
  template <typename Pos>
  static std::size_t indexOf(std::size_t n, int at, Pos pos) {
    const long long size = static_cast<long long>(n);
    long long direct = static_cast<long long>(at) - pos(0);
    if (direct >= 0 && direct < size) {
      long long seen = pos(static_cast<std::size_t>(direct));
      if (seen == at) return static_cast<std::size_t>(direct);
      long long shifted = direct - (seen - at);
      if (shifted >= 0 && pos(static_cast<std::size_t>(shifted)) == at) return static_cast<std::size_t>(shifted);
    }
    std::size_t lo = 0, hi = n;
    while (lo < hi) {
      std::size_t mid = (lo + hi) / 2;
      if (pos(mid) < at) lo = mid + 1;
      else hi = mid;
    }
    return lo;
  }
  // First row index whose row is at or after `row`.
  std::size_t rowIndex(int row) const {
    if (rows_.empty() || rows_.back().row < row) return rows_.size();   // appending, as a file is read
    if (rows_.back().row == row) return rows_.size() - 1;                // the row a file is filling
    return indexOf(rows_.size(), row, [this](std::size_t i) { return rows_[i].row; });
  }
  // First index in a row whose column is at or after `col`.
  static std::size_t columnIndex(const std::vector<value_type>& cells, int col) {
    if (colOf(cells.back().first) < col) return cells.size();
    return indexOf(cells.size(), col, [&cells](std::size_t i) { return colOf(cells[i].first); });
  }
  static std::span<const value_type> spanOf(const std::vector<value_type>& cells, int col1, int col2) {
    std::size_t b = columnIndex(cells, col1), e = b;
    while (e < cells.size() && colOf(cells[e].first) <= col2) ++e;
    return {cells.data() + b, e - b};
  }
  Place locate(key_type key) const {
    Place p;
    p.r = rowIndex(rowOf(key));
    if (p.r == rows_.size() || rows_[p.r].row != rowOf(key)) return p;
    const auto& cells = rows_[p.r].cells;
    p.c = columnIndex(cells, colOf(key));
    p.found = p.c < cells.size() && cells[p.c].first == key;
    return p;
  }
  iterator iterAt(Place p) { return p.found ? iterator(&rows_, p.r, p.c) : end(); }
  const_iterator iterAt(Place p) const { return p.found ? const_iterator(&rows_, p.r, p.c) : end(); }
  // The iterator at a place that may lie past its row's last cell.
  iterator after(Place p) {
    if (p.r < rows_.size() && p.c == rows_[p.r].cells.size()) return iterator(&rows_, p.r + 1, 0);
    return iterator(&rows_, p.r, p.c);
  }
  const_iterator after(Place p) const { return const_cast<WbCellStore*>(this)->after(p); }

  std::vector<Row> rows_;
  std::size_t size_ = 0;
};
