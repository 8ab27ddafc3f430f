// The words java's launcher reads: its split of the command line, of
// JDK_JAVA_OPTIONS and of an argument file. Each has rules of its own.
#include <cstring>

#include "base/allocator.h"
#include "command/command.h"

bool words_add(Words& words, const char* text, std::size_t len, int raw) {
  if (len > 0x3FFFFFFF) return false;
  int bytes = static_cast<int>(len) + 1;
  while (words.room - words.used < bytes) {
    if (!mem_grow(words.text, words.room, words.room)) return false;
  }
  if (!mem_grow(words.starts, words.start_room, words.count)) return false;
  if (!mem_grow(words.raw, words.raw_room, words.count)) return false;
  std::memcpy(words.text + words.used, text, len);
  words.text[words.used + static_cast<int>(len)] = '\0';
  words.starts[words.count] = words.used;
  words.raw[words.count] = raw;
  words.used += bytes;
  ++words.count;
  return true;
}

const char* word(const Words& words, int i) { return words.text + words.starts[i]; }

void words_release(Words& words) {
  mem_give(words.text);
  mem_give(words.starts);
  mem_give(words.raw);
  words = {};
}

namespace {

// A word being made, character by character.
struct Pending {
  char* text;
  int used, room;
  bool open;  // a word has begun, even one still empty
};

bool append(Pending& p, char c) {
  if (!mem_grow(p.text, p.room, p.used)) return false;
  p.text[p.used] = c;
  ++p.used;
  p.open = true;
  return true;
}

bool finish(Pending& p, Words& words, int raw) {
  bool kept = !p.open || words_add(words, p.used > 0 ? p.text : "", p.used, raw);
  p.used = 0;
  p.open = false;
  return kept;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

// Backslashes count only before a quote: 2n give n and a quote, 2n+1 give n and
// a literal '"'. Outside quotes a blank ends the word; inside, "" gives one '"'.
bool split_command_line(const char* line, Words& words) {
  Pending p = {};
  bool quoted = false;
  bool kept = true;
  int raw = -1;
  for (const char* c = line; *c != '\0' && kept;) {
    if (!quoted && is_blank(*c)) {
      kept = finish(p, words, raw);
      ++c;
      continue;
    }
    if (!p.open) raw = static_cast<int>(c - line);
    p.open = true;
    if (*c == '\\') {
      int count = 0;
      while (c[count] == '\\') ++count;
      bool before_quote = c[count] == '"';
      int literal = before_quote ? count / 2 : count;
      for (int i = 0; i < literal && kept; ++i) kept = append(p, '\\');
      c += count;
      if (before_quote && count % 2 == 1) {
        kept = kept && append(p, '"');
        ++c;
      }
      continue;
    }
    if (*c == '"') {
      if (quoted && c[1] == '"') {
        kept = append(p, '"');
        c += 2;
        continue;
      }
      quoted = !quoted;
      ++c;
      continue;
    }
    kept = append(p, *c);
    ++c;
  }
  kept = kept && finish(p, words, raw);
  mem_give(p.text);
  return kept;
}

// Blanks separate; ' and " group, also inside a word; there is no escape.
bool split_env_options(const char* value, Words& words, bool& unmatched) {
  Pending p = {};
  bool kept = true;
  unmatched = false;
  for (const char* c = value; *c != '\0' && kept && !unmatched;) {
    if (std::strchr(" \t\n\r\f\v", *c) != nullptr) {
      kept = finish(p, words, -1);
      ++c;
      continue;
    }
    p.open = true;
    if (*c == '"' || *c == '\'') {
      const char* end = std::strchr(c + 1, *c);
      if (end == nullptr) {
        unmatched = true;
        continue;
      }
      for (++c; c < end && kept; ++c) kept = append(p, *c);
      c = end + 1;
      continue;
    }
    kept = append(p, *c);
    ++c;
  }
  kept = kept && (unmatched || finish(p, words, -1));
  mem_give(p.text);
  return kept;
}

namespace {

bool is_separator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// A backslash inside quotes: what it stands for, or 0 when it joins the next line.
char escaped(char c) {
  if (c == 'n') return '\n';
  if (c == 't') return '\t';
  if (c == 'r') return '\r';
  if (c == 'f') return '\f';
  if (c == '\n' || c == '\r') return 0;
  return c;
}

}  // namespace

// '#' outside quotes drops the word it is in and the rest of its line; a quote
// left open closes at the end of its line; a backslash escapes only inside quotes.
bool split_argument_file(const char* text, std::size_t len, Words& words) {
  Pending p = {};
  char quote = 0;
  bool kept = true;
  for (std::size_t i = 0; i < len && kept; ++i) {
    char c = text[i];
    if (quote != 0 && (c == '\n' || c == '\r')) {
      quote = 0;
    } else if (quote != 0 && c == quote) {
      quote = 0;
      continue;
    } else if (quote != 0 && c == '\\' && i + 1 < len) {
      char meant = escaped(text[++i]);
      if (meant != 0) {
        kept = append(p, meant);
        continue;
      }
      if (text[i] == '\r' && i + 1 < len && text[i + 1] == '\n') ++i;
      while (i + 1 < len && is_blank(text[i + 1])) ++i;
      continue;
    } else if (quote != 0) {
      kept = append(p, c);
      continue;
    }
    if (is_separator(c)) {
      kept = finish(p, words, -1);
    } else if (c == '#') {
      p.used = 0;
      p.open = false;
      while (i + 1 < len && text[i + 1] != '\n' && text[i + 1] != '\r') ++i;
    } else if (c == '"' || c == '\'') {
      quote = c;
      p.open = true;
    } else {
      kept = append(p, c);
    }
  }
  kept = kept && finish(p, words, -1);
  mem_give(p.text);
  return kept;
}
