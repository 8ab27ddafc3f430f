#include "loading/text.h"

#include "base/allocator.h"

namespace {

void add_byte(Text& text, char c) {
  if (!mem_grow(text.bytes, text.room, text.used)) {
    text.short_of_memory = true;
    return;
  }
  text.bytes[text.used++] = c;
}

void add_string(Text& text, const char* s) {
  for (; *s != '\0'; ++s) add_byte(text, *s);
}

void add_number(Text& text, unsigned long long value, bool negative) {
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  if (negative) add_byte(text, '-');
  while (n > 0) add_byte(text, digits[--n]);
}

}  // namespace

void text_add_list(Text& text, const char* format, va_list args) {
  for (const char* p = format; *p != '\0'; ++p) {
    char kind = *p == '%' ? p[1] : '\0';
    if (kind == 's') {
      add_string(text, va_arg(args, const char*));
    } else if (kind == 'd') {
      long long value = va_arg(args, int);
      add_number(text, static_cast<unsigned long long>(value < 0 ? -value : value), value < 0);
    } else if (kind == 'u') {
      add_number(text, va_arg(args, unsigned), false);
    } else if (kind == '%') {
      add_byte(text, '%');
    } else {
      add_byte(text, *p);
      continue;
    }
    ++p;
  }
}

void text_add(Text& text, const char* format, ...) {
  va_list args;
  va_start(args, format);
  text_add_list(text, format, args);
  va_end(args);
}

void text_add_bytes(Text& text, const unsigned char* bytes, unsigned len) {
  for (unsigned i = 0; i < len; ++i) add_byte(text, static_cast<char>(bytes[i]));
}

void text_end_line(Text& text) { add_byte(text, '\0'); }

void text_release(Text& text) {
  mem_give(text.bytes);
  text = {};
}
