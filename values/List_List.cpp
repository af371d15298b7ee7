// The cursor list and its typed forms for boxed integers and ranges.
#include "values/List_List.h"

#include <cstdlib>

#include "values/Model_Refs.h"

namespace {

ListNode* newNode(void* payload) {
  auto* node = static_cast<ListNode*>(std::calloc(1, sizeof(ListNode)));
  if (node) node->payload = payload;
  return node;
}

template <class T>
T* box(const T& x) {
  auto* p = static_cast<T*>(std::malloc(sizeof(T)));
  if (p) *p = x;
  return p;
}

// Stores a freshly boxed payload, freeing it when the node cannot be made.
bool keep(bool stored, void* payload) {
  if (!stored) std::free(payload);
  return stored;
}

int32_t intOf(const void* payload) { return payload ? *static_cast<const int32_t*>(payload) : 0; }

}  // namespace

bool List_append(List* list, void* payload) {
  ListNode* node = newNode(payload);
  if (!node) return false;
  if (!list->head) {
    list->head = list->cursor = list->tail = node;
    return true;
  }
  if (list->previous == list->tail && !list->cursor) list->previous = node;
  list->tail->next = node;
  list->tail = node;
  return true;
}

bool List_insertBeforeCursor(List* list, void* payload) {
  if (!list->head) return List_append(list, payload);
  if (!list->cursor) {
    if (!List_append(list, payload)) return false;
    list->previous = list->tail;
    return true;
  }
  ListNode* node = newNode(payload);
  if (!node) return false;
  node->next = list->cursor;
  if (list->cursor == list->head) list->head = node;
  else list->previous->next = node;
  list->previous = node;
  return true;
}

void* List_first(List* list) {
  list->previous = nullptr;
  list->cursor = list->head;
  return list->cursor ? list->cursor->payload : nullptr;
}

void* List_next(List* list) {
  if (!list->cursor) return nullptr;
  list->previous = list->cursor;
  list->cursor = list->cursor->next;
  return list->cursor ? list->cursor->payload : nullptr;
}

int32_t List_count(const List* list) {
  int32_t n = 0;
  for (const ListNode* node = list->head; node; node = node->next) ++n;
  return n;
}

void* List_popFront(List* list) {
  ListNode* node = list->head;
  if (!node) return nullptr;
  void* payload = node->payload;
  list->head = node->next;
  list->cursor = list->head;
  list->previous = nullptr;
  if (!list->head) list->tail = nullptr;
  std::free(node);
  return payload;
}

void* List_unlinkCurrent(List* list) {
  ListNode* node = list->cursor;
  if (!node) return nullptr;
  void* payload = node->payload;
  if (list->previous) list->previous->next = node->next;
  else list->head = node->next;
  if (list->tail == node) list->tail = list->previous;
  list->cursor = node->next;
  std::free(node);
  return payload;
}

void List_deleteCurrent(List* list) { std::free(List_unlinkCurrent(list)); }

void List_removeAll(List* list) {
  while (list->head) std::free(List_popFront(list));
  *list = List{};
}

bool List_appendInt(List* list, int32_t x) {
  int32_t* p = box(x);
  return p && keep(List_append(list, p), p);
}

bool List_insertIntSorted(List* list, int32_t x) {
  for (void* payload = List_first(list); payload; payload = List_next(list)) {
    if (intOf(payload) == x) return false;
    if (intOf(payload) > x) break;
  }
  int32_t* p = box(x);
  return p && keep(List_insertBeforeCursor(list, p), p);
}

int32_t List_firstInt(List* list) { return intOf(List_first(list)); }

int32_t List_nextInt(List* list) { return intOf(List_next(list)); }

int32_t List_indexOfInt(List* list, int32_t x) {
  int32_t position = 1;
  for (void* payload = List_first(list); payload; payload = List_next(list), ++position)
    if (intOf(payload) == x) return position;
  return 0;
}

bool List_appendRange(List* list, const RangeRef* range) {
  RangeRef* p = box(*range);
  return p && keep(List_append(list, p), p);
}

bool List_prependRange(List* list, const RangeRef* range) {
  RangeRef* p = box(*range);
  if (!p) return false;
  List_first(list);
  return keep(List_insertBeforeCursor(list, p), p);
}

void List_popRange(List* list, RangeRef* out) {
  auto* p = static_cast<RangeRef*>(List_popFront(list));
  *out = p ? *p : RangeRef{};
  std::free(p);
}

RangeRef* List_firstRange(List* list) { return static_cast<RangeRef*>(List_first(list)); }

RangeRef* List_nextRange(List* list) { return static_cast<RangeRef*>(List_next(list)); }
