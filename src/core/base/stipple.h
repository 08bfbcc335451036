// The diagonal hatching pattern: 32 rows of 4 bytes, row r all 0x88 >> (r % 4).
// Lets through pixels whose window x and y are equal modulo 4.
#pragma once
#include <cstdint>

void build_diagonal_stipple(uint8_t out[128]);
