// Text built in memory that grows as it needs: lines for the caller to print.
#pragma once

#include <cstdarg>

struct Text {
  char* bytes;
  int used, room;
  bool short_of_memory;  // something was not added
};

// Adds the text of `format`: %s (text), %d (int), %u (unsigned), %% (a '%').
void text_add(Text& text, const char* format, ...);
void text_add_list(Text& text, const char* format, va_list args);
void text_add_bytes(Text& text, const unsigned char* bytes, unsigned len);
// Ends the current line: a '\0' after it.
void text_end_line(Text& text);
void text_release(Text& text);
