#include "core/base/stipple.h"

void build_diagonal_stipple(uint8_t out[128])
{
    for (int row = 0; row < 32; ++row)
        for (int col = 0; col < 4; ++col) out[row * 4 + col] = static_cast<uint8_t>(0x88 >> (row % 4));
}
