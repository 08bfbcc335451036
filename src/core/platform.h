// What start-up does differently on Windows and on Linux, in one place.
#pragma once

// First thing in main, before SDL is used. Linux: lets Ctrl-C and SIGTERM end
// the process as they end any program (the loop ignores SDL's quit event).
// Windows: a program started from Explorer has no console, so its start-up
// failure messages would vanish: it writes to its parent's console when it
// has one, and otherwise keeps what it prints and shows it in a message box
// (same text) as the process exits, with the exit code unchanged.
// DRENSOLK_NO_MESSAGE_BOX=1 turns the box off, so nothing waits for a click.
// Main thread only, once.
void prepare_process();

// Hides the mouse pointer over the display: ShowCursor of the Windows user
// interface library, SDL's own call elsewhere. After the display is open.
void hide_mouse_pointer();
