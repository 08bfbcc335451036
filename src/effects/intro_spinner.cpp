#include "effects/intro_spinner.h"

void play_intro()
{
    // Drawing comes with the layer's own work; the schedule already calls it.
}

