// The cursor list: insertion around the cursor, removal, sorted integers and
// ranges.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "values/List_List.h"
#include "values/Model_Refs.h"

namespace {

std::vector<int> ints(List* list) {
  std::vector<int> out;
  for (void* p = List_first(list); p; p = List_next(list)) out.push_back(*static_cast<int32_t*>(p));
  return out;
}

TEST(List, SortedInsertionKeepsOneOfEach) {
  List list{};
  EXPECT_TRUE(List_insertIntSorted(&list, 3));
  EXPECT_TRUE(List_insertIntSorted(&list, 1));
  EXPECT_TRUE(List_insertIntSorted(&list, 2));
  EXPECT_FALSE(List_insertIntSorted(&list, 2));
  EXPECT_TRUE(List_insertIntSorted(&list, 4));
  EXPECT_EQ(ints(&list), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(list.tail->next, nullptr);
  EXPECT_EQ(*static_cast<int32_t*>(list.tail->payload), 4);
  List_removeAll(&list);
  EXPECT_EQ(List_count(&list), 0);
}

TEST(List, CursorWalkAndRemoval) {
  List list{};
  for (int x : {5, 7, 5, 9}) List_appendInt(&list, x);
  EXPECT_EQ(List_indexOfInt(&list, 5), 1);
  EXPECT_EQ(List_indexOfInt(&list, 9), 4);
  EXPECT_EQ(List_indexOfInt(&list, 6), 0);
  // Unlinking the last node: the cursor runs off the end, previous is the tail.
  List_indexOfInt(&list, 9);
  List_deleteCurrent(&list);
  EXPECT_EQ(list.cursor, nullptr);
  EXPECT_EQ(list.previous, list.tail);
  EXPECT_EQ(*static_cast<int32_t*>(list.tail->payload), 5);
  // Appending after the walk ended keeps previous on the tail.
  List_appendInt(&list, 11);
  EXPECT_EQ(list.previous, list.tail);
  EXPECT_EQ(ints(&list), (std::vector<int>{5, 7, 5, 11}));
  // Unlinking the head moves the cursor to the next node.
  List_first(&list);
  List_deleteCurrent(&list);
  EXPECT_EQ(List_nextInt(&list), 5);
  // Inserting before the cursor puts the node ahead of it.
  List_first(&list);
  List_next(&list);
  int32_t* box = static_cast<int32_t*>(std::malloc(sizeof(int32_t)));
  *box = 6;
  ASSERT_TRUE(List_insertBeforeCursor(&list, box));
  EXPECT_EQ(ints(&list), (std::vector<int>{7, 6, 5, 11}));
  EXPECT_EQ(List_count(&list), 4);
  std::free(List_popFront(&list));
  EXPECT_EQ(List_firstInt(&list), 6);
  List_removeAll(&list);
  EXPECT_EQ(List_popFront(&list), nullptr);
  EXPECT_EQ(list.tail, nullptr);
}

TEST(List, Ranges) {
  List list{};
  const RangeRef a{1, 2, 3, 4, 5}, b{2, 10, 1, 20, 2};
  List_appendRange(&list, &a);
  List_prependRange(&list, &b);
  EXPECT_EQ(List_firstRange(&list)->sheet, 2);
  EXPECT_EQ(List_nextRange(&list)->lastRow, 4);
  EXPECT_EQ(List_nextRange(&list), nullptr);
  RangeRef out{};
  List_popRange(&list, &out);
  EXPECT_EQ(out.firstRow, 10);
  List_popRange(&list, &out);
  EXPECT_EQ(out.lastColumn, 5);
  List_popRange(&list, &out);
  EXPECT_EQ(out.sheet + out.firstRow + out.lastRow, 0);
}

}  // namespace
