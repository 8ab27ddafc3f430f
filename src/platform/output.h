// Formatted printing to standard output, as a text stream: every "\n" goes
// out as CR LF. A console gets each print as soon as it is complete; a file
// or a pipe gets 4096-byte blocks, and the rest at out_flush.
#pragma once

// Understands %s (text), %d (int) and %%; any other '%' is printed as is.
void out_print(const char* format, ...);
void out_flush();
// Forgets what is buffered and the console test; for a fresh run.
void out_reset();

// Holds what is printed from now on, for a part of the report whose lines are
// mended after they are printed; out_release prints it (or, with `keep`
// false, forgets it). When memory runs out, what is held goes out at once.
void out_hold();
int out_held();  // bytes held so far: where the next print begins
void out_mend(int at, const char* text);
void out_release(bool keep);
