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
    "***ERROR*** - Java cannot load the classes in packages of %s: it cannot read its manifest\n"};
// Java fails on an entry whose handler it must look for while it looks for URL handlers.
const char* const FAILS_IN_LOOKUP =
    "***ERROR*** - Java fails past this point: it meets the Class-Path entry %s of %s while it "
    "looks for URL handlers (java says \"A JNI error has occurred\" or \"Circular loading of URL "
    "stream handler providers\")\n";

// An element Java is yet to open.
struct Pending {
  const char* text;  // as the report names it: a CLASSPATH element's, or `kept`
  char* kept;        // a manifest entry's full path, owned; nullptr for a CLASSPATH element
  bool folder;       // opened as a folder's files, else as an archive
  bool found;        // it is what its form names: a file, or a folder
  int line;          // where its line is held, for "*DUP*"; -1 for a CLASSPATH element
  int from;          // the element whose manifest names it; -1 for a CLASSPATH element
};

// The opening under way: what is yet to open, the next on top, and what Java is doing.
struct Opener {
  Pending* stack;
  int stack_count, stack_room;
  bool stopped;     // memory ran out
  bool failed;      // Java fails past this point
  bool url_lookup;  // Java is looking for URL handlers
  bool logging_set_up;
  unsigned known_schemes;  // whose handlers a look-up found
  int through_manifests, said, entries, manifests, not_found, duplicates, skipped, left_out;
  char stopped_at[ENTRY_PATH_BYTES];
} opener;

void stop(const char* text) {
  std::size_t len = std::strlen(text) < sizeof opener.stopped_at ? std::strlen(text) : 0;
  std::memcpy(opener.stopped_at, text, len);
  opener.stopped_at[len] = '\0';
  class_path.unkept = opener.stopped_at;
  opener.stopped = true;
}

// A line of the section, held until the section ends.
void say(const char* format, const char* a = "", const char* b = "") {
  out_print(format, a, b);
  opener.said += 1;
}

void push(const Pending& pending, const char* from) {
  if (!mem_grow(opener.stack, opener.stack_room, opener.stack_count)) {
    mem_give(pending.kept);
    return stop(from);
  }
  opener.stack[opener.stack_count] = pending;
  opener.stack_count += 1;
}

// A new element, begun in the names store: its index, or -1 when memory ran out.
int begin_element(const char* text, ElementKind kind, int result) {
  int e = add_class_path_element(text, kind, result);
  if (e >= 0 && names_begin_element(e)) return e;
  stop(text);
  return -1;
}

void open_pending();

// Java looks for URL handlers, or sets up its logging: either opens every
// element not opened yet, before the archive it was reading.
void look_up(bool for_url) {
  bool was = opener.url_lookup;
  opener.url_lookup = was || for_url;
  open_pending();
  opener.url_lookup = was;
}

struct Opening {
  const char *text, *full, *key;  // as the report names it; its full path; as Java compares it
  int element;
};

// Java's status of the path an entry names: what is there, in the form the entry gives it.
int entry_status(const ResolvedEntry& e) {
  char path[ENTRY_PATH_BYTES];
  char label[STATUS_LABEL_BYTES];
  std::size_t len = std::strlen(e.path);
  std::memcpy(path, e.path, len + 1);
  path[without_final_backslash(path, len)] = '\0';
  EntryStatus found = probe_entry(path, label);
  if (found == ENTRY_NOT_FOUND) return NOT_FOUND;
  if (found == (e.folder ? ENTRY_DIR : ENTRY_FILE)) return found - ENTRY_FILE;
  return SKIPPED;
}

// The entry's line, and the entry on the stack for when Java opens it.
void add_entry(const Opening& o, const char* t) {
  ResolvedEntry e;
  resolve_entry(t, o.full, e);
  opener.entries += 1;
  if (e.use == USE_BAD_ESCAPE)
    return say("***ERROR*** - Java fails on the Class-Path entry %s of %s: a bad %% escape\n", t,
               o.text);
  bool as_written = e.use == USE_SKIP || e.use == USE_LOOKUP || e.path[0] == '\0';
  int status = SKIPPED;
  if (e.use == USE_NOT_READ) status = NOT_READ;
  if (e.use == USE_FOLLOW) status = as_written ? NOT_FOUND : entry_status(e);
  int line = out_held();
  say("%s       %s\n", LABELS[status], as_written ? t : e.path);
  opener.not_found += status == NOT_FOUND;
  opener.skipped += status == SKIPPED;
  // A folder counts as opened whatever it is; an archive only when it opens.
  if (as_written || e.use != USE_FOLLOW || !(e.folder || status == FOUND_FILE)) return;
  std::size_t bytes = std::strlen(e.path) + 1;
  char* kept = static_cast<char*>(mem_take(bytes));
  if (kept == nullptr) return stop(o.text);
  std::memcpy(kept, e.path, bytes);
  push({kept, kept, e.folder, status == FOUND_FILE || status == FOUND_DIR, line, o.element},
       o.text);
}

// The manifest's entries on the stack, the first on top; each gets its line.
void add_entries(Opening& o, char* value, const char* end) {
  int first = opener.stack_count;
  bool named = false;
  for (char* t = value; t < end && !opener.stopped; t += std::strlen(t) + 1) {
    if (*t == '\0') continue;
    if (!named) {
      say("%s names\n", o.text);
      opener.manifests += 1;
      named = true;
    }
    add_entry(o, t);
  }
  for (int i = first, j = opener.stack_count - 1; i < j; ++i) {
    Pending swap = opener.stack[i];
    opener.stack[i] = opener.stack[j];
    opener.stack[j] = swap;
    --j;
  }
}

// As Java makes the URLs of the Class-Path, it looks for URL handlers, and may
// leave the archive out: the verdict, with the entry that decides it in `by`.
Verdict make_urls(const Opening& o, char* value, const char* end, const char*& by) {
  for (char* t = value; t < end && !opener.failed && !opener.stopped; t += std::strlen(t) + 1) {
    ResolvedEntry e;
    if (*t == '\0') continue;
    resolve_entry(t, o.full, e);
    bool look =
        e.use == USE_UNKNOWN || (e.use == USE_LOOKUP && !(opener.known_schemes >> e.scheme & 1));
    if (look && opener.url_lookup) {
      say(FAILS_IN_LOOKUP, t, o.text);
      opener.failed = true;
    }
    if (look && !opener.failed) look_up(true);
    if (e.use == USE_LOOKUP) opener.known_schemes |= 1u << e.scheme;
    by = t;
    if (e.use == USE_UNKNOWN) return UNKNOWN_SCHEME;
    if (e.use == USE_NO_BANG) return NO_BANG;
  }
  return KEPT;
}

// The archive's hold on the name looked for, its multi-release copies counted as Java reads them.
void note_wanted(ClassPathElement& element, const ArchiveFacts& facts) {
  element.release = facts.release;
  std::uint64_t upto = facts.release >= 9 ? (std::uint64_t{2} << facts.release) - 1 : 0;
  bool versioned = (facts.wanted_releases & upto) != 0;
  element.wanted = versioned ? WANTED_HELD : facts.wanted;
}

// Java's reading of the archive's manifest as it opens the archive: false
// when it leaves the archive out, or fails.
bool keep_archive(FileHandle file, ArchiveFacts& facts, void* context) {
  Opening& o = *static_cast<Opening*>(context);
  unsigned char* bytes = nullptr;
  Manifest m = {};
  int read = 1;
  if (facts.manifest && opener.through_manifests <= 10000) read = read_manifest(file, facts, bytes);
  if (read < 0 || (bytes != nullptr && !parse_manifest(bytes, facts.size, m))) stop(o.text);
  // Up to Java 17, Java neither parses nor follows an indexed archive's manifest,
  // and parses another's only when its bytes hold "class-path: " or "multi-release: true".
  bool indexed = facts.index && class_path.java.feature < 18;
  bool parsed = !indexed && (m.class_path_marked || m.multi_release_marked);
  bool refused = !indexed && ((m.multi_release_marked && m.broken == 1) ||
                              (m.class_path_marked && m.broken) || read == 0);
  bool follows = parsed && !refused && m.class_path_marked && m.has_class_path;
  Verdict verdict = KEPT;
  if (refused) verdict = UNREAD;
  if (!refused && (read == 0 || m.broken) && !follows) verdict = NO_CLASSES;
  const ReadingJava& java = class_path.java;
  if (java.multi_release && java.jar_version >= 9 && m.multi_release && m.broken != 1)
    facts.release = java.jar_version;
  facts.packages_unloadable = verdict == NO_CLASSES;
  char* end = m.value + m.class_path_len;
  const char* left_out_by = m.value;
  for (char* c = m.value; c < end; ++c) *c = std::strchr(" \t\n\r\f", *c) ? '\0' : *c;
  // Its warning of a name given twice sets up Java's logging; until that is
  // done, each such warning looks up the logging service.
  if (parsed && m.twice[0] != '\0' && !opener.logging_set_up && !opener.stopped) {
    look_up(false);
    opener.logging_set_up = !opener.failed;
  }
  if (follows && verdict == KEPT) verdict = make_urls(o, m.value, end, left_out_by);
  bool going = !opener.failed && !opener.stopped;
  bool kept = (verdict == KEPT || verdict == NO_CLASSES) && going;
  if (going) {
    if (indexed && m.has_class_path)
      say("***Warning - Java ignores the Class-Path of %s: it holds META-INF/INDEX.LIST\n", o.text);
    if (parsed && m.twice[0] != '\0')
      say("***Warning - the manifest of %s names %s twice\n", o.text, m.twice);
    if (parsed && m.lost_class_path && !refused)
      say("***Warning - Java ignores the last line of the manifest of %s: it has no line end\n",
          o.text);
    if (verdict != KEPT) say(VERDICTS[verdict], o.text, left_out_by);
    if (!kept) note_left_out(o.text, o.full, facts.wanted);
    if (!kept && class_path.left_out_count > 0)
      note_wanted(class_path.left_out[class_path.left_out_count - 1], facts);
    opener.left_out += !kept;
  }
  if (kept) {
    registry_add(o.key);
    o.element = begin_element(o.text, ELEMENT_ARCHIVE, READ_DONE);
  }
  if (kept && o.element >= 0) note_wanted(class_path.elements[o.element], facts);
  if (kept && follows && o.element >= 0) add_entries(o, m.value, end);
  mem_give(bytes);
  mem_give(m.value);
  return kept && o.element >= 0;
}

// Opens one element: a folder's files, or an archive and what its manifest names.
void open_item(const Pending& p) {
  char full[ENTRY_PATH_BYTES];
  char key[ENTRY_PATH_BYTES + 2];
  const char* text = p.text;
  std::size_t len = std::strlen(text);
  // Java compares the full path without a final '\' (one after ':' stays),
  // a-z folded, and its form: a folder's has '/' after it.
  unsigned long got = platform()->path_full(text, full, ENTRY_PATH_BYTES);
  if (got == 0 || got >= ENTRY_PATH_BYTES) {
    got = len < ENTRY_PATH_BYTES ? len : 0;
    std::memcpy(full, text, got);
    full[got] = '\0';
  }
  std::memcpy(key, full, got);
  got = without_final_backslash(key, got);
  key[got] = '/';
  key[got + p.folder] = '\0';
  if (registry_add(key, false) != 0) {  // Java opened it before
    if (p.line >= 0) out_mend(p.line + 12, "*DUP*");
    opener.duplicates += p.line >= 0;
    return;
  }
  if (p.line >= 0) opener.through_manifests += 1;
  if (p.line >= 0 && opener.through_manifests > 10000)
    return say("*****Class-Path entries stopped after 10000 elements\n");
  Opening o = {text, full, key, -1};
  ReadResult result = READ_DONE;
  if (p.folder) {
    registry_add(key);  // a folder counts as opened, whatever is there
    if (!p.found) return;
    o.element = begin_element(text, ELEMENT_DIRECTORY, result);
    if (o.element < 0) return;
    result = search_directory(text);
  } else {
    if (!p.found) return;
    result = read_archive(text, keep_archive, &o);
    if (result == READ_LEFT_OUT) return;
    if (o.element < 0) o.element = begin_element(text, ELEMENT_ARCHIVE, result);
    if (o.element < 0) return;
  }
  ClassPathElement& element = class_path.elements[o.element];
  element.result = result;
  element.adds_no_class = result == READ_DONE && names_all_hidden();
  ElementVersions versions = names_versions();
  element.version = versions.newest;
  element.preview = versions.preview;
  element.preview_low = versions.preview_low;
  element.preview_high = versions.preview_high;
  element.invalid = versions.invalid;
  if (p.from >= 0 && result != READ_REFUSED) class_path.elements[p.from].brings_in = true;
  if (result == READ_OUT_OF_MEMORY) stop(text);
}

// Opens what is on the stack, the top first; past the limit, no more entries.
void open_pending() {
  while (opener.stack_count > 0 && !opener.failed && !opener.stopped) {
    opener.stack_count -= 1;
    Pending p = opener.stack[opener.stack_count];
    if (p.line < 0 || opener.through_manifests <= 10000) open_item(p);
    mem_give(p.kept);
  }
}

void print_totals() {
  out_print(opener.manifests == 1 ? "Total entries = %d in %d manifest"
                                  : "Total entries = %d in %d manifests",
            opener.entries, opener.manifests);
  out_print(" (%d not found %d duplicates %d skipped)", opener.not_found, opener.duplicates,
            opener.skipped);
  if (opener.left_out == 0) return out_print("\n");
  out_print(opener.left_out == 1 ? ", %d archive left out\n" : ", %d archives left out\n",
            opener.left_out);
}

}  // namespace

void open_class_path() {
  opener = {};
  registry_reset();  // the walks are over: the registry is free for paths and names
  out_hold();
  out_print("\nClass-Path entries in manifests\n");
  for (int i = class_path.listed_count; i-- > 0;) {
    const ClassPathElement& listed = class_path.listed[i];
    push({listed.text, nullptr, listed.kind == ELEMENT_DIRECTORY, true, -1, -1}, listed.text);
  }
  open_pending();
  while (opener.stack_count > 0) {  // what Java never reached
    opener.stack_count -= 1;
    mem_give(opener.stack[opener.stack_count].kept);
  }
  mem_give(opener.stack);
  opener.stack = nullptr;
  registry_release();
  if (opener.said > 0) print_totals();
  out_release(opener.said > 0);
  collect_class_versions();
}
