// The rainbow arch shown before the pictures load.
#pragma once

void play_intro();
