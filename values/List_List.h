// Singly linked list with a built-in cursor, used for the interpreter's small
// collections (variable numbers, ranges, cells, evaluation orders). Payloads
// are owned pointers to small records from the C heap; the list's own cursor
// does the walking, so one list supports one walk at a time.
#pragma once

#include <cstdint>

struct RangeRef;

struct ListNode {
  void* payload;
  ListNode* next;
};

// Empty: all four null. After a walk has passed the last node the cursor is
// null and previous is the tail.
struct List {
  ListNode* head;
  ListNode* previous;  // node before the cursor
  ListNode* cursor;
  ListNode* tail;
};

// Adds a node at the tail (on an empty list it is also the cursor). False,
// with the payload not stored, when memory runs out.
bool List_append(List* list, void* payload);
// Adds a node before the cursor (at the tail when there is no cursor); the
// node becomes previous.
bool List_insertBeforeCursor(List* list, void* payload);
// Puts the cursor on the head; its payload, or null.
void* List_first(List* list);
// Moves the cursor one node on; the new cursor's payload, or null.
void* List_next(List* list);
int32_t List_count(const List* list);
// Unlinks the head and returns its payload (null when empty); the cursor goes
// to the new head.
void* List_popFront(List* list);
// Unlinks the cursor's node and returns its payload; the cursor moves on.
void* List_unlinkCurrent(List* list);
// Unlinks the cursor's node and frees its payload.
void List_deleteCurrent(List* list);
// Empties the list, freeing every payload.
void List_removeAll(List* list);

// Boxed integers.
bool List_appendInt(List* list, int32_t x);
// In an ascending list: false when x is present, else inserts it before the
// first larger value (or at the tail) and returns true (false also when
// memory runs out).
bool List_insertIntSorted(List* list, int32_t x);
// List_first / List_next reading the boxed integer; 0 at the end.
int32_t List_firstInt(List* list);
int32_t List_nextInt(List* list);
// 1-based position of the first node holding x, 0 when absent; moves the cursor.
int32_t List_indexOfInt(List* list, int32_t x);

// Copies of ranges.
bool List_appendRange(List* list, const RangeRef* range);
bool List_prependRange(List* list, const RangeRef* range);
// Pops the head into *out (all zero when the list is empty).
void List_popRange(List* list, RangeRef* out);
RangeRef* List_firstRange(List* list);
RangeRef* List_nextRange(List* list);
