// Java's order of opening: each element in turn; right after an archive, the
// entries of its manifest's Class-Path, depth first; each path opened once.
#include <cstring>

#include "base/allocator.h"
#include "lists/class_path.h"
#include "lists/lists.h"
#include "lists/registry.h"
#include "manifests/manifests.h"
#include "platform/output.h"

namespace {

enum Status { FOUND_FILE, FOUND_DIR, NOT_FOUND, SKIPPED, NOT_READ };
const char LABELS[][STATUS_LABEL_BYTES] = {"Found File ", "Found Dir  ", "*Not found*",
                                           "*Skipped*  ", "*Not read* "};
// What Java does with an archive as it opens it, when it does not simply keep it.
enum Verdict { KEPT, UNREAD, UNKNOWN_SCHEME, NO_BANG, NO_CLASSES };
const char* const VERDICTS[] = {
    "", "***ERROR*** - Java leaves out %s: it cannot read its manifest\n",
    "***ERROR*** - Java leaves out %s: its Class-Path entry %s has an unknown URL scheme\n",
    "***ERROR*** - Java leaves out %s: its Class-Path entry %s is a jar: URL without !/\n",
    "***ERROR*** - Java cannot load the classes of %s: it cannot read its manifest\n"};

// The elements Java is yet to open, the next on top: an entry's line in the
// held section (which gets "*DUP*" if Java opened its path before), or -1
// less the index of a CLASSPATH element.
int* stack;
int stack_count, stack_room;
bool stopped, failed, url_lookup, logging_set_up;  // memory ran out; Java fails past here
unsigned known_schemes;                            // whose handlers a look-up found
int through_manifests, said, entries, manifests, not_found, duplicates, skipped, left_out;
char stopped_at[ENTRY_PATH_BYTES];

void stop(const char* text) {
  std::size_t len = std::strlen(text) < sizeof stopped_at ? std::strlen(text) : 0;
  class_path.unkept = static_cast<char*>(std::memcpy(stopped_at, text, len));
  stopped_at[len] = '\0', stopped = true;
}

// A line of the section, held until the section ends.
void say(const char* format, const char* a = "", const char* b = "") {
  out_print(format, a, b), ++said;
}

void push(int pending, const char* from) {
  if (!mem_grow(stack, stack_room, stack_count)) return stop(from);
  stack[stack_count++] = pending;
}

// A new element, begun in the names store: its index, or -1 when memory ran out.
int begin_element(const char* text, ElementKind kind, int result) {
  int e = add_class_path_element(text, kind, result);
  if (e < 0 || !names_begin_element(e)) return stop(text), -1;
  return e;
}

void open_pending();

// Java looks for URL handlers, or sets up its logging: either opens every
// element not opened yet, before the archive it was reading.
void look_up(bool for_url) {
  bool running = url_lookup;
  url_lookup |= for_url;
  open_pending();
  url_lookup = running;
}

struct Opening {
  const char *text, *full, *key;  // as the report names it; its full path; as Java compares it
  int element;
};

// The entry's line, and the entry on the stack for when Java opens it.
void add_entry(const Opening& o, const char* t) {
  ResolvedEntry e;
  resolve_entry(t, o.full, e);
  ++entries;
  if (e.use == USE_BAD_ESCAPE)
    return say("***ERROR*** - Java fails on the Class-Path entry %s of %s: a bad %% escape\n", t,
               o.text);
  int status = e.use == USE_NOT_READ ? NOT_READ : e.use == USE_FOLLOW ? NOT_FOUND : SKIPPED;
  bool as_written = e.use == USE_SKIP || e.use == USE_LOOKUP || e.path[0] == '\0';
  if (e.use == USE_FOLLOW && !as_written) {
    char path[ENTRY_PATH_BYTES], label[STATUS_LABEL_BYTES];
    std::size_t len = std::strlen(e.path);
    std::memcpy(path, e.path, len + 1);
    path[without_final_backslash(path, len)] = '\0';
    // Java opens the path as its form says: an archive, or a folder's files.
    EntryStatus found = probe_entry(path, label);
    status = found == ENTRY_NOT_FOUND                       ? NOT_FOUND
             : found == (e.folder ? ENTRY_DIR : ENTRY_FILE) ? found - ENTRY_FILE
                                                            : SKIPPED;
  }
  int line = out_held();
  say("%s       %s\n", LABELS[status], as_written ? t : e.path);
  not_found += status == NOT_FOUND, skipped += status == SKIPPED;
  // A folder counts as opened whatever it is; an archive only when it opens.
  if (!as_written && e.use == USE_FOLLOW && (e.folder || status == FOUND_FILE)) push(line, o.text);
}

// Java's reading of the archive's manifest as it opens the archive: false
// when it leaves the archive out, or fails.
bool keep_archive(FileHandle file, const ArchiveFacts& facts, void* context) {
  Opening& o = *static_cast<Opening*>(context);
  unsigned char* bytes = nullptr;
  Manifest m = {};
  int read = facts.manifest && through_manifests <= 10000 ? read_manifest(file, facts, bytes) : 1;
  if (read < 0 || (bytes != nullptr && !parse_manifest(bytes, facts.size, m))) stop(o.text);
  // Java neither parses nor follows an indexed archive's manifest, and parses
  // another's only when its bytes hold "class-path: " or "multi-release: true".
  bool parsed = !facts.index && (m.class_path_marked || m.multi_release_marked);
  bool refused = !facts.index && ((m.multi_release_marked && m.broken == 1) ||
                                  (m.class_path_marked && m.broken) || read == 0);
  bool follows = parsed && !refused && m.class_path_marked && m.has_class_path;
  Verdict verdict = refused ? UNREAD : (read == 0 || m.broken) && !follows ? NO_CLASSES : KEPT;
  char *end = m.value + m.class_path_len, *left_out_by = m.value;
  for (char* c = m.value; c < end; ++c) *c = std::strchr(" \t\n\r\f", *c) ? '\0' : *c;
  // Its warning of a name given twice sets up Java's logging; until that is
  // done, each such warning looks up the logging service.
  if (parsed && m.twice[0] != '\0' && !logging_set_up && !stopped)
    look_up(false), logging_set_up = !failed;
  // As Java makes the URLs, it looks for URL handlers, and may leave the archive out.
  for (char* t = m.value; follows && verdict == KEPT && t < end && !failed && !stopped;
       t += std::strlen(t) + 1) {
    ResolvedEntry e;
    if (*t == '\0') continue;
    resolve_entry(t, o.full, e);
    bool look = e.use == USE_UNKNOWN || (e.use == USE_LOOKUP && !(known_schemes >> e.scheme & 1));
    if (look && url_lookup) {
      say("***ERROR*** - Java fails past this point: it meets the Class-Path entry %s of %s while "
          "it looks for URL handlers\n",
          t, o.text);
      failed = true;
    }
    if (look && !failed) look_up(true);
    if (e.use == USE_LOOKUP) known_schemes |= 1u << e.scheme;
    if (e.use == USE_UNKNOWN || e.use == USE_NO_BANG)
      verdict = e.use == USE_UNKNOWN ? UNKNOWN_SCHEME : NO_BANG, left_out_by = t;
  }
  bool kept = (verdict == KEPT || verdict == NO_CLASSES) && !failed && !stopped;
  if (!failed && !stopped) {
    if (facts.index && m.has_class_path)
      say("***Warning - Java ignores the Class-Path of %s: it holds META-INF/INDEX.LIST\n", o.text);
    if (parsed && m.twice[0] != '\0')
      say("***Warning - the manifest of %s names %s twice\n", o.text, m.twice);
    if (parsed && m.lost_class_path && !refused)
      say("***Warning - Java ignores the last line of the manifest of %s: it has no line end\n",
          o.text);
    if (verdict != KEPT) say(VERDICTS[verdict], o.text, left_out_by);
    left_out += !kept;
    if (!kept) note_left_out(o.text, o.full, facts.wanted);
  }
  int first = stack_count;
  bool named = false;
  for (char* t = m.value; kept && follows && t < end && !stopped; t += std::strlen(t) + 1) {
    if (*t != '\0' && !named) say("%s names\n", o.text), ++manifests, named = true;
    if (*t != '\0') add_entry(o, t);
  }
  for (int i = first, j = stack_count - 1; i < j; ++i, --j) {
    int swap = stack[i];  // the first entry opens first
    stack[i] = stack[j], stack[j] = swap;
  }
  mem_give(bytes), mem_give(m.value);
  if (!kept) return false;
  registry_add(o.key);
  o.element = begin_element(o.text, ELEMENT_ARCHIVE, READ_DONE);
  if (o.element < 0) return false;
  class_path.elements[o.element].wanted = facts.wanted;
  return true;
}

void open_item(int pending) {
  char text[ENTRY_PATH_BYTES], full[ENTRY_PATH_BYTES], key[ENTRY_PATH_BYTES + 2];
  const char* line = pending >= 0 ? out_held_text(pending) : nullptr;  // "Found File        path"
  const ClassPathElement* listed = pending < 0 ? &class_path.listed[-1 - pending] : nullptr;
  if (pending >= 0 && line == nullptr) return stop("");  // what was held went out: no memory
  std::size_t len = line ? std::strcspn(line + 18, "\r") : std::strlen(listed->text);
  std::memcpy(text, line ? line + 18 : listed->text, len), text[len] = '\0';
  bool folder = line ? text[len - 1] == '\\' : listed->kind == ELEMENT_DIRECTORY;
  char found = line ? line[6] : folder ? 'D' : 'F';  // "Found File" or "Found Dir"
  // Java compares the full path without a final '\' (one after ':' stays),
  // a-z folded, and its form: a folder's has '/' after it.
  unsigned long got = platform()->path_full(text, full, ENTRY_PATH_BYTES);
  if (got == 0 || got >= ENTRY_PATH_BYTES) std::memcpy(full, text, (got = len) + 1);
  std::memcpy(key, full, got);
  got = without_final_backslash(key, got);
  key[got] = '/', key[got + folder] = '\0';
  if (registry_add(key, false) != 0) {  // Java opened it before
    if (line) out_mend(pending + 12, "*DUP*"), ++duplicates;
    return;
  }
  if (line && ++through_manifests > 10000)
    return say("*****Class-Path entries stopped after 10000 elements\n");
  Opening o = {text, full, key, -1};
  ReadResult result = READ_DONE;
  if (folder) {
    registry_add(key);  // a folder counts as opened, whatever is there
    if (found != 'D' || (o.element = begin_element(text, ELEMENT_DIRECTORY, result)) < 0) return;
    result = search_directory(text);
  } else if (found != 'F' || (result = read_archive(text, keep_archive, &o)) == READ_LEFT_OUT ||
             (o.element < 0 && (o.element = begin_element(text, ELEMENT_ARCHIVE, result)) < 0)) {
    return;
  }
  ClassPathElement& element = class_path.elements[o.element];
  element.result = result;
  element.adds_no_class = result == READ_DONE && names_all_hidden();
  element.version = names_version();
  if (result == READ_OUT_OF_MEMORY) stop(text);
}

// Opens what is on the stack, the top first; past the limit, no more entries.
void open_pending() {
  while (stack_count > 0 && !failed && !stopped)
    if (int pending = stack[--stack_count]; pending < 0 || through_manifests <= 10000)
      open_item(pending);
}

}  // namespace

void open_class_path() {
  stopped = failed = url_lookup = logging_set_up = false;
  known_schemes = 0;
  through_manifests = said = entries = manifests = not_found = duplicates = skipped = left_out = 0;
  registry_reset();  // the walks are over: the registry is free for paths and names
  out_hold();
  out_print("\nClass-Path entries in manifests\n");
  for (int i = class_path.listed_count; i-- > 0;) push(-1 - i, class_path.listed[i].text);
  open_pending();
  mem_give(stack);
  stack = nullptr, stack_count = stack_room = 0;
  registry_release();
  if (said > 0) {
    out_print(
        manifests == 1 ? "Total entries = %d in %d manifest" : "Total entries = %d in %d manifests",
        entries, manifests);
    out_print(" (%d not found %d duplicates %d skipped)", not_found, duplicates, skipped);
    out_print(left_out == 1  ? ", %d archive left out\n"
              : left_out > 1 ? ", %d archives left out\n"
                             : "\n",
              left_out);
  }
  out_release(said > 0);
}
