#pragma once
// Text of a music-library error code; codes outside 0..18 give "Unknown error".
const char* sound_error_text(int code);
