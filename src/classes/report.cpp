#include "classes/classes.h"
#include "lists/class_path.h"
#include "lists/registry.h"
#include "platform/output.h"
#include "platform/platform.h"

void report_duplicate_classes() {
  out_print("\nClasses found more than once in CLASSPATH\n");
  int archives = 0, directories = 0;
  const char* stopped_at = nullptr;
  registry_reset();  // the walks are over: the registry is free for the full paths
  for (int e = 0; e < class_path.count && stopped_at == nullptr; ++e) {
    ClassPathElement& element = class_path.elements[e];
    bool archive = element.kind == ELEMENT_ARCHIVE;
    // Java opens each path once: an element whose full path came before is skipped.
    char full[CLASS_PATH_ELEMENT_BYTES];
    unsigned long len = platform()->path_full(element.text, full, sizeof full);
    bool repeated = registry_add(len > 0 && len < sizeof full ? full : element.text) != 0;
    // Every element begins, a repeat too, so that the store knows each name's element.
    ReadResult result = !names_begin_element(e) ? READ_OUT_OF_MEMORY
                        : repeated              ? READ_REPEATED
                        : archive               ? read_archive(element.text)
                                                : search_directory(element.text);
    if (result == READ_REPEATED) continue;
    if (result == READ_REFUSED) {
      out_print("*****%s is not a jar or zip archive\n", element.text);
      continue;
    }
    ++(archive ? archives : directories);
    if (result == READ_STOPPED)
      out_print("*****%s: search stopped after 100000 files\n", element.text);
    if (result == READ_OUT_OF_MEMORY) stopped_at = element.text;
    element.adds_no_class = result == READ_DONE && names_all_hidden();
  }
  registry_release();
  if (stopped_at == nullptr) stopped_at = class_path.unkept;
  if (stopped_at != nullptr)
    out_print("*****Out of memory: the search stopped at %s\n", stopped_at);

  NameCounts names = names_counts();
  for (int i = 0; i < names.pairs; ++i) {
    const HiddenCopies& pair = names.hidden[i];
    if (i == 0 || pair.first != names.hidden[i - 1].first) {
      out_print("%s hides\n", class_path.elements[pair.first].text);
    }
    out_print(pair.count == 1 ? "    %d class of %s, " : "    %d classes of %s, ", pair.count,
              class_path.elements[pair.later].text);
    if (pair.different > 0) {
      out_print("%d different, first %s\n", pair.different, names_text(pair.smallest_different));
    } else {
      out_print(pair.count == 1 ? "identical\n" : "all identical\n");
    }
  }
  for (int e = 0; e < class_path.count; ++e) {
    if (class_path.elements[e].adds_no_class)
      out_print("%s adds no class\n", class_path.elements[e].text);
  }
  out_print(
      "Total classes = %d in %d archives and %d directories, %d found more than once, %d of them "
      "different\n",
      names.distinct, archives, directories, names.repeated, names.different);
  names_release();
  class_path_release();
}
