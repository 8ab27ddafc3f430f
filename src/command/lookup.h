// Finding a class file on the class path Java opened, as java finds it.
#pragma once

#include "command/command.h"
#include "loading/loading.h"

constexpr int MAX_OTHER_CASES = 4;
struct OtherCase {
  int element;  // an archive that holds the name in other letters
  char name[512];
};

struct ClassFound {
  int element;                      // the first element that holds it; -1 when none does
  bool wrong_name;                  // a folder opened it under another name
  char listed[COMMAND_TEXT_BYTES];  // that name, '/' between components, without ".class"
  int major, minor;                 // its class file version; 0 when it is not known
  OtherCase other_case[MAX_OTHER_CASES];
  int other_case_count;
  int stopped_at;  // the element memory ran out at; -1 when none
};

// The file java opens for the class `name` ("com.acme.Main": "com/acme/Main.class"; only
// '.' becomes '/'), and the name java asks for ("com/acme/Main").
void class_file_name(const char* name, char* file, char* internal);
// `asked_before`: the archives were asked for its file as the class path was opened.
void find_class(const char* name, ClassFound& found, bool asked_before);
// Whether the start directory holds the class while no element of the class path names it.
bool start_directory_holds(const char* name);

// What java's checks of the main class look classes up with.
struct LoadingContext {
  const char* main_internal;  // the main class as java asks for it
  int main_element;           // where it was found
  unsigned char* bytes;       // the bytes of the class handed over last, given back at the next
  bool out_of_memory;
};
// The LookupClass of java's checks: the first element that holds `name`, its bytes read whole.
bool lookup_for_loading(const char* name, ClassLookup& found, void* context);
