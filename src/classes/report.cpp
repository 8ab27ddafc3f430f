#include "classes/classes.h"
#include "lists/class_path.h"
#include "platform/output.h"
#include "platform/platform.h"

void report_duplicate_classes() {
  out_print("\nClasses found more than once in CLASSPATH\n");
  if (class_path.start == START_IN_EMPTY_ENTRY)
    out_print(
        "***Warning - an empty entry of CLASSPATH puts the start directory on the class path\n");
  if (class_path.start == START_NOT_SET)
    out_print("CLASSPATH is not set: Java uses the start directory\n");
  int archives = 0, directories = 0;
  for (int e = 0; e < class_path.count; ++e) {
    const ClassPathElement& element = class_path.elements[e];
    if (element.result == READ_REFUSED) {
      out_print("*****%s is not a jar or zip archive\n", element.text);
      continue;
    }
    ++(element.kind == ELEMENT_ARCHIVE ? archives : directories);
    if (element.result == READ_STOPPED)
      out_print("*****%s: search stopped after 100000 files\n", element.text);
  }
  if (class_path.unkept != nullptr)
    out_print("*****Out of memory: the search stopped at %s\n", class_path.unkept);

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
