// Chains of cells: their own cells, or spans of an order shared with other
// chains, walked alike; changing a shared chain leaves the order alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "values/Model_Chain.h"

namespace {

// Distinct addresses standing for symbols; never dereferenced.
Symbol* symbol(int k) { return reinterpret_cast<Symbol*>(static_cast<uintptr_t>(16 * (k + 1))); }

std::vector<Symbol*> cellsOf(const CellChain& chain) { return std::vector<Symbol*>(chain.begin(), chain.end()); }

TEST(ModelChain, AChainOfItsOwnCellsHoldsThemInOrder) {
  CellChain chain;
  EXPECT_TRUE(chain.empty());
  EXPECT_FALSE(chain.begin() != chain.end());
  chain.push_back(symbol(1));
  chain.push_back(symbol(2));
  EXPECT_EQ(cellsOf(chain), (std::vector<Symbol*>{symbol(1), symbol(2)}));
  EXPECT_EQ(chain.front(), symbol(1));
  EXPECT_EQ(chain.back(), symbol(2));
  EXPECT_EQ(chain.sharedOrder(), nullptr);
  chain.assign(1, symbol(7));
  EXPECT_EQ(chain.size(), 1u);
  EXPECT_EQ(chain[0], symbol(7));
  chain.clear();
  EXPECT_EQ(chain.size(), 0u);
}

TEST(ModelChain, SpansOfASharedOrderWalkInOrderAndCopyOnChange) {
  auto order = std::make_shared<CellChain::Order>();
  for (int k = 0; k < 10; ++k) order->push_back(symbol(k));
  CellChain a, b;
  a.share(order, {{0, 3}, {5, 6}, {8, 10}});
  b.share(order, {{0, 10}});
  EXPECT_EQ(cellsOf(a), (std::vector<Symbol*>{symbol(0), symbol(1), symbol(2), symbol(5), symbol(8), symbol(9)}));
  EXPECT_EQ(a.size(), 6u);
  EXPECT_EQ(a[3], symbol(5));
  EXPECT_EQ(a[4], symbol(8));
  EXPECT_EQ(a.back(), symbol(9));
  EXPECT_EQ(a.sharedOrder(), order.get());
  EXPECT_EQ(b.size(), 10u);
  a.push_back(symbol(42));
  EXPECT_EQ(a.sharedOrder(), nullptr);
  EXPECT_EQ(a.size(), 7u);
  EXPECT_EQ(a.back(), symbol(42));
  EXPECT_EQ(a[3], symbol(5));
  EXPECT_EQ(order->size(), 10u);
  EXPECT_EQ(cellsOf(b), *order);
}

}  // namespace
