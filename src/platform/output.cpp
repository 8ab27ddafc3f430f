#include "platform/output.h"

#include <cstdarg>

#include "base/allocator.h"
#include "platform/platform.h"

namespace {

constexpr int OUT_BUFFER_BYTES = 4096;

char out_buffer[OUT_BUFFER_BYTES];
int out_used = 0;
int out_mode = -1;  // -1 not asked yet, 1 console, 0 file or pipe
char* held;
int held_used, held_room;
bool holding;

void out_byte(char c) {
  if (holding && !mem_grow(held, held_room, held_used)) out_release(true);
  if (holding) {
    held[held_used++] = c;
    return;
  }
  if (out_used == OUT_BUFFER_BYTES) out_flush();
  out_buffer[out_used++] = c;
}

void out_text(const char* text) {
  for (; *text != '\0'; ++text) {
    if (*text == '\n') out_byte('\r');
    out_byte(*text);
  }
}

void out_int(int value) {
  char digits[12];
  int n = 0;
  // Work on the negative side so that INT_MIN needs no special case.
  int v = value < 0 ? value : -value;
  do {
    digits[n++] = static_cast<char>('0' - v % 10);
    v /= 10;
  } while (v != 0);
  if (value < 0) out_byte('-');
  while (n > 0) out_byte(digits[--n]);
}

}  // namespace

void out_print(const char* format, ...) {
  if (out_mode < 0) out_mode = platform()->stdout_is_console() ? 1 : 0;
  va_list args;
  va_start(args, format);
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p == '%' && p[1] == 's') {
      const char* text = va_arg(args, const char*);
      out_text(text != nullptr ? text : "(null)");
      ++p;
    } else if (*p == '%' && p[1] == 'd') {
      out_int(va_arg(args, int));
      ++p;
    } else if (*p == '%' && p[1] == '%') {
      out_byte('%');
      ++p;
    } else {
      if (*p == '\n') out_byte('\r');
      out_byte(*p);
    }
  }
  va_end(args);
  if (out_mode == 1) out_flush();
}

void out_flush() {
  if (out_used > 0) platform()->stdout_write(out_buffer, static_cast<std::size_t>(out_used));
  out_used = 0;
}

void out_reset() {
  out_release(false);
  out_used = 0;
  out_mode = -1;
}

void out_hold() { holding = true; }

int out_held() { return held_used; }

void out_mend(int at, const char* text) {
  for (; *text != '\0' && at < held_used; ++text) held[at++] = *text;
}

void out_release(bool keep) {
  holding = false;
  for (int i = 0; keep && i < held_used; ++i) out_byte(held[i]);
  if (out_mode == 1) out_flush();
  mem_give(held);
  held = nullptr, held_used = held_room = 0;
}
