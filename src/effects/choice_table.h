// The byte table that steers the recursive layers. Each frame a subdivision
// layer puts the cursor at jump_count and every node that may split takes the
// next byte, so the tree's branching holds still until instrument 5 fires.
#pragma once
#include <cstdint>
#include <vector>

// Grows by kChoiceFillSize bytes on the first frame of each subdivision
// layer; never shrinks. Empty until then.
extern std::vector<uint8_t> ChoiceTable;
// Index of the next byte take_choice returns (taken modulo the table size).
extern int32_t choice_cursor;
// Set until the layer's first frame has appended its share of the table.
extern bool triangle_needs_fill;
extern bool quad_needs_fill;

constexpr int kChoiceFillSize = 100000;

// Appends kChoiceFillSize bytes, each the low 8 bits of one demo_rand().
void fill_choice_table();

// The byte at choice_cursor, then advances the cursor. The index wraps to the
// start of the table, so a large jump_count never reads past the end.
// Returns 0 on an empty table (the layers always fill before they read).
uint8_t take_choice();

// Tests only: empty table, cursor 0, both flags set.
void choice_table_reset_for_test();
