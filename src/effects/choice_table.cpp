#include "effects/choice_table.h"

#include <cstddef>

#include "core/base/random.h"

std::vector<uint8_t> ChoiceTable;
int32_t choice_cursor = 0;
bool triangle_needs_fill = true;
bool quad_needs_fill = true;

void fill_choice_table()
{
    ChoiceTable.reserve(ChoiceTable.size() + kChoiceFillSize);
    for (int i = 0; i < kChoiceFillSize; ++i) ChoiceTable.push_back(static_cast<uint8_t>(demo_rand() & 0xff));
}

uint8_t take_choice()
{
    const int64_t size = static_cast<int64_t>(ChoiceTable.size());
    const int64_t cursor = choice_cursor;
    // Advance without signed overflow; a wrapped negative cursor still maps
    // into the table below.
    choice_cursor = static_cast<int32_t>(static_cast<uint32_t>(choice_cursor) + 1u);
    if (size == 0) return 0;
    int64_t index = cursor;
    if (index >= size || index < 0) {
        index %= size;
        if (index < 0) index += size;
    }
    return ChoiceTable[static_cast<size_t>(index)];
}

void choice_table_reset_for_test()
{
    ChoiceTable.clear();
    ChoiceTable.shrink_to_fit();
    choice_cursor = 0;
    triangle_needs_fill = true;
    quad_needs_fill = true;
}
