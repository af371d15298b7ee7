// The cells one side of a problem function runs, in evaluation order, its
// own cell last. A chain either holds its cells or is spans of an order that
// every function of a model shares, so that many functions over one long
// chain of cells hold a few spans each rather than copies of the chain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

struct Symbol;

class CellChain {
 public:
  using Order = std::vector<Symbol*>;
  using Span = std::pair<uint32_t, uint32_t>;  // [first, end) of the order

  // Walks the spans in order.
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Symbol*;
    using difference_type = std::ptrdiff_t;
    using pointer = Symbol* const*;
    using reference = Symbol*;
    Iterator(const CellChain* chain, size_t span, uint32_t at) : chain_(chain), span_(span), at_(at) {}
    Symbol* operator*() const { return (*chain_->order_)[at_]; }
    Iterator& operator++();
    bool operator!=(const Iterator& other) const { return span_ != other.span_ || at_ != other.at_; }
    bool operator==(const Iterator& other) const { return !(*this != other); }

   private:
    const CellChain* chain_;
    size_t span_;
    uint32_t at_;
  };

  CellChain() = default;
  CellChain(const CellChain&) = delete;
  CellChain& operator=(const CellChain&) = delete;

  Iterator begin() const { return spans_.empty() ? end() : Iterator(this, 0, spans_.front().first); }
  Iterator end() const { return Iterator(this, spans_.size(), 0); }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  Symbol* front() const { return (*order_)[spans_.front().first]; }
  Symbol* back() const { return (*order_)[spans_.back().second - 1]; }
  // The k-th cell: a walk over the spans.
  Symbol* operator[](size_t k) const;
  void clear();
  void push_back(Symbol* s);
  void assign(size_t count, Symbol* s);
  void assign(const Order& cells);
  // Makes the chain the spans (sorted, apart, none empty) of a shared order.
  void share(std::shared_ptr<const Order> order, std::vector<Span> spans);
  const std::vector<Span>& spans() const { return spans_; }
  // The order the chain shares with others; null when it holds its cells.
  const Order* sharedOrder() const { return owned_ ? nullptr : order_.get(); }

 private:
  // A chain of its own, holding its cells in one span.
  void own();

  std::shared_ptr<const Order> order_;
  std::shared_ptr<Order> owned_;  // order_ when the chain holds its cells
  std::vector<Span> spans_;
  size_t size_ = 0;
};
