// One Class-Path entry read as Java on Windows reads it: a URL relative to
// the archive that names it, turned into the path Java opens.
#include <cstring>

#include "manifests/manifests.h"

namespace {

// The schemes whose handler Java looks for on the class path, the first time.
const char* const LOOKUP_SCHEMES[] = {"http", "https", "ftp", "mailto", "jmod"};

bool scheme_byte(char c, bool first) {
  return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') ||
         (!first && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
}

int hex(char c) {
  return c >= '0' && c <= '9'                     ? c - '0'
         : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 87
                                                  : -1;
}

// Whether s[0..n) is UTF-8 as Java's decoder takes it: no overlong form, no surrogate.
bool utf8(const unsigned char* s, std::size_t n) {
  for (std::size_t i = 0; i < n;) {
    unsigned c = s[i++], more = c < 0x80   ? 0
                                : c < 0xC2 ? 9
                                : c < 0xE0 ? 1
                                : c < 0xF0 ? 2
                                : c < 0xF5 ? 3
                                           : 9;
    unsigned low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
    unsigned high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    if (more > n - i) return false;
    for (; more > 0; --more, low = 0x80, high = 0xBF)
      if (s[i] < low || s[i++] > high) return false;
  }
  return true;
}

// Decodes %XX in place, each run of them as UTF-8; false on a bad escape.
bool decode(char* text) {
  char* out = text;
  for (const char* in = text; *in != '\0';) {
    if (*in != '%') *out++ = *in++;
    char* run = out;
    for (; *in == '%'; in += 3) {
      if (hex(in[1]) < 0 || hex(in[2]) < 0) return false;
      int c = hex(in[1]) << 4 | hex(in[2]);
      *out++ = static_cast<char>(c != 0 ? c : '?');  // a zero names nothing, to Java either
    }
    if (!utf8(reinterpret_cast<unsigned char*>(run), out - run)) return false;
  }
  *out = '\0';
  return true;
}

// The "." and ".." segments of a URL path (after its leading '/') resolved as
// Java resolves a relative one: one at the end leaves it a folder's path.
void normalize(char* path) {
  char* out = path + 1;  // each segment kept is followed by '/'
  bool folder = false, last = false;
  for (char *seg = path + 1, *end; !last; seg = end + 1) {
    end = seg + std::strcspn(seg, "/");
    std::size_t len = end - seg;
    bool dot = len == 1 && *seg == '.', dots = len == 2 && seg[0] == '.' && seg[1] == '.';
    last = *end == '\0';
    char* kept = out - (out > path + 1);  // the start of the last segment kept
    while (kept > path + 1 && kept[-1] != '/') --kept;
    if (dots && out > path + 1 && !(out - kept == 3 && kept[0] == '.')) {
      out = kept;
    } else if (!dot && !(len == 0 && last)) {
      std::memmove(out, seg, len);
      out += len, *out++ = '/';
    }
    folder = last && (dot || dots || len == 0);
  }
  out -= !folder && out > path + 1;
  *out = '\0';
}

}  // namespace

void resolve_entry(const char* token, const char* base, ResolvedEntry& e) {
  static char spec[ENTRY_PATH_BYTES], url[2 * ENTRY_PATH_BYTES];
  std::size_t len = std::strlen(token);
  e.use = USE_FOLLOW, e.folder = false, e.path[0] = '\0';
  while (len > 0 && static_cast<unsigned char>(token[len - 1]) <= ' ') --len;
  while (len > 0 && static_cast<unsigned char>(*token) <= ' ') ++token, --len;
  if (len + std::strlen(base) + 4 >= ENTRY_PATH_BYTES) return;  // too long to be found
  for (std::size_t i = 0; i <= len; ++i)
    spec[i] = i == len ? '\0' : token[i] == '\\' ? '/' : token[i];
  char* p = spec;
  if ((p[0] | 0x20) == 'u' && (p[1] | 0x20) == 'r' && (p[2] | 0x20) == 'l' && p[3] == ':') p += 4;
  bool self = *p == '#';  // only a fragment: the archive itself
  p[std::strcspn(p, "#")] = '\0';
  char *colon = p + std::strcspn(p, ":/"), name[8] = "";  // the scheme, in lower case
  bool scheme = *colon == ':' && colon > p;
  for (std::size_t i = 0; scheme && p + i < colon; ++i)
    if ((scheme = scheme_byte(p[i], i == 0)) && i < 7) name[i] = static_cast<char>(p[i] | 0x20);
  if (colon - p > 7) name[0] = '\0';  // no scheme Java knows
  if (scheme && std::strcmp(name, "file") != 0) {
    e.use = std::strcmp(name, "jrt") == 0   ? USE_SKIP  // built in: found without a look-up
            : std::strcmp(name, "jar") != 0 ? USE_UNKNOWN
            : std::strstr(colon, "!/")      ? USE_SKIP
                                            : USE_NO_BANG;
    for (int s = 0; s < 5; ++s)
      if (std::strcmp(name, LOOKUP_SCHEMES[s]) == 0) e.use = USE_LOOKUP, e.scheme = s;
    return;
  }
  p = scheme ? colon + 1 : p;
  // The archive's URL: "/Z:/dir/a.jar", or "//host/share/a.jar" for a UNC path.
  char* u = url + (base[0] == '\\' && base[1] == '\\' ? 0 : 1);
  url[0] = '/';
  for (const char* b = base; *b != '\0'; ++b) *u++ = *b == '\\' ? '/' : *b;
  *u = '\0';
  char* path = url[1] == '/' ? url + 2 + std::strcspn(url + 2, "/") : url;  // after the host
  if (self || *p == '\0') {
  } else if (p[0] == '/' && p[1] == '/') {  // a host of its own, or none: "///C:/..."
    std::memmove(url, p + (p[2] == '/' ? 2 : 0), std::strlen(p) + 1);
  } else {  // a path on the archive's host, from its root or from its directory
    std::memcpy(p[0] == '/' ? path : std::strrchr(path, '/') + 1, p, std::strlen(p) + 1);
  }
  path = url[1] == '/' ? url + 2 + std::strcspn(url + 2, "/") : url;
  if (*path == '/') normalize(path);
  e.folder = *path != '\0' && path[std::strlen(path) - 1] == '/';
  if (!decode(url)) {
    e.use = USE_BAD_ESCAPE;
    return;
  }
  // In Windows' form: "\\host\share\...", "Z:\..." or, with no drive, "\..." on the start's drive.
  char* win = url[1] != '/' && url[2] == ':' && scheme_byte(url[1], true) ? url + 1 : url;
  bool ascii = true;
  for (char* c = win; *c != '\0'; ++c) ascii &= *c > 0, *c = *c == '/' ? '\\' : *c;
  if (!ascii && !platform()->utf8_to_ansi(win, spec, sizeof spec)) e.use = USE_NOT_READ;
  unsigned long full = platform()->path_full(ascii ? win : spec, e.path, sizeof e.path);
  if (full == 0 || full >= sizeof e.path) e.path[0] = '\0';
}
