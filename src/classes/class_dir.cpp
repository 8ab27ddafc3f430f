#include <cstring>

#include "classes/classes.h"
#include "lists/lists.h"
#include "platform/platform.h"

namespace {

constexpr long SEARCH_LIMIT = 100000;  // so that "C:\" on a class path ends in seconds

// The element, the path below it and a listed name: more than an ANSI call takes.
char path[MAX_ENTRY_CHARS + 4 * sizeof(ListItem::name)];
ListItem item;  // serves every level: a name is copied out before the search goes down
long listed;

// Searches the directory path[0..len), which ends in a separator; the class
// names begin at `names_at`.
ReadResult search(std::size_t len, std::size_t names_at) {
  if (len + 2 > sizeof path) return READ_DONE;
  std::memcpy(path + len, "*", 2);
  ReadResult result = READ_DONE;
  ListHandle list = 0;
  while (result == READ_DONE && platform()->list_next(path, list, item)) {
    std::size_t n = std::strlen(item.name);
    if (std::strcmp(item.name, ".") == 0 || std::strcmp(item.name, "..") == 0) continue;
    if (++listed > SEARCH_LIMIT) result = READ_STOPPED;
    if (result != READ_DONE || len + n + 2 > sizeof path) continue;  // too long to name
    std::memcpy(path + len, item.name, n + 1);
    if (item.directory && !item.reparse_point) {  // a junction or link below may loop
      path[len + n] = '/';
      result = search(len + n + 1, names_at);
    } else if (!item.directory && counts_as_class(path + names_at, len + n - names_at) &&
               !names_add(path + names_at, len + n - names_at)) {
      result = READ_OUT_OF_MEMORY;
    }
  }
  platform()->list_close(list);
  return result;
}

}  // namespace

ReadResult search_directory(const char* element) {
  std::size_t len = std::strlen(element);
  if (len + 2 > sizeof path) return READ_DONE;  // nothing can be listed there
  std::memcpy(path, element, len);
  // "C:" and "lib\" name their directory as they stand; '/' joins the path
  // below, which is also the class's name.
  if (len > 0 && std::strchr("\\/:", path[len - 1]) == nullptr) path[len++] = '/';
  listed = 0;
  return search(len, len);
}
