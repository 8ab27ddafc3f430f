#include <cstring>

#include "classes/classes.h"
#include "lists/class_path.h"
#include "lists/registry.h"
#include "manifests/manifests.h"
#include "platform/platform.h"

namespace {

char stopped_at[CLASS_PATH_ELEMENT_BYTES];
bool stopped;  // memory ran out: nothing more is opened

// What Java compares: the full path without a final '\' (one after ':' stays),
// a-z folded, and its form, as a folder ('/' after it) or an archive.
void opened_key(const char* text, ElementKind kind, char* key) {
  unsigned long len = platform()->path_full(text, key, CLASS_PATH_ELEMENT_BYTES);
  if (len == 0 || len >= CLASS_PATH_ELEMENT_BYTES)
    std::memcpy(key, text, (len = std::strlen(text)) + 1);
  if (len > 1 && key[len - 1] == '\\' && key[len - 2] != ':') --len;
  if (kind == ELEMENT_DIRECTORY) key[len++] = '/';
  key[len] = '\0';
}

void stop(const char* text) {
  stopped = true;
  std::memcpy(stopped_at, text, std::strlen(text) + 1);
  class_path.unkept = stopped_at;
}

// A new element, begun in the names store: its index, or -1 when memory ran out.
int begin_element(const char* text, ElementKind kind, int result) {
  int e = add_class_path_element(text, kind, result);
  if (e >= 0 && names_begin_element(e)) return e;
  stop(text);
  return -1;
}

struct Opening {
  const char* text;
  const char* key;
  int element;
};

bool keep_archive(FileHandle, const ArchiveFacts&, void* context) {
  Opening& opening = *static_cast<Opening*>(context);
  registry_add(opening.key);
  opening.element = begin_element(opening.text, ELEMENT_ARCHIVE, READ_DONE);
  return opening.element >= 0;
}

void open_element(const char* text, ElementKind kind) {
  char key[CLASS_PATH_ELEMENT_BYTES + 1];
  opened_key(text, kind, key);
  if (registry_find(key) != 0) return;  // Java opened it before
  Opening opening = {text, key, -1};
  ReadResult result;
  if (kind == ELEMENT_DIRECTORY) {
    registry_add(key);  // a folder counts as opened whatever it holds
    if ((opening.element = begin_element(text, kind, READ_DONE)) < 0) return;
    result = search_directory(text);
  } else {
    result = read_archive(text, keep_archive, &opening);
    if (result == READ_LEFT_OUT) return;
    if (opening.element < 0) opening.element = begin_element(text, kind, result);
    if (opening.element < 0) return;
  }
  ClassPathElement& element = class_path.elements[opening.element];
  element.result = result;
  element.adds_no_class = result == READ_DONE && names_all_hidden();
  element.version = names_version();
  if (result == READ_OUT_OF_MEMORY) stop(text);
}

}  // namespace

void open_class_path() {
  stopped = false;
  registry_reset();  // the walks are over: the registry is free for the full paths
  for (int i = 0; i < class_path.listed_count && !stopped; ++i)
    open_element(class_path.listed[i].text, class_path.listed[i].kind);
  registry_release();
}
