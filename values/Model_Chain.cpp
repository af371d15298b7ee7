// Chains of cells over their own or a shared order.
#include "values/Model_Chain.h"

CellChain::Iterator& CellChain::Iterator::operator++() {
  if (++at_ < chain_->spans_[span_].second) return *this;
  if (++span_ < chain_->spans_.size()) {
    at_ = chain_->spans_[span_].first;
  } else {
    at_ = 0;
  }
  return *this;
}

Symbol* CellChain::operator[](size_t k) const {
  for (const Span& s : spans_) {
    if (k < s.second - s.first) return (*order_)[s.first + k];
    k -= s.second - s.first;
  }
  return nullptr;
}

void CellChain::own() {
  if (owned_) return;
  auto cells = std::make_shared<Order>();
  cells->reserve(size_);
  for (Symbol* s : *this) cells->push_back(s);
  owned_ = cells;
  order_ = std::move(cells);
  spans_.clear();
  if (size_ > 0) spans_.emplace_back(0, static_cast<uint32_t>(size_));
}

void CellChain::clear() {
  order_.reset();
  owned_.reset();
  spans_.clear();
  size_ = 0;
}

void CellChain::push_back(Symbol* s) {
  own();
  owned_->push_back(s);
  spans_.assign(1, Span{0, static_cast<uint32_t>(owned_->size())});
  ++size_;
}

void CellChain::assign(size_t count, Symbol* s) { assign(Order(count, s)); }

void CellChain::assign(const Order& cells) {
  clear();
  if (cells.empty()) return;
  owned_ = std::make_shared<Order>(cells);
  order_ = owned_;
  size_ = cells.size();
  spans_.assign(1, Span{0, static_cast<uint32_t>(size_)});
}

void CellChain::share(std::shared_ptr<const Order> order, std::vector<Span> spans) {
  clear();
  for (const Span& s : spans) size_ += s.second - s.first;
  if (size_ == 0) return;
  order_ = std::move(order);
  spans_ = std::move(spans);
}
