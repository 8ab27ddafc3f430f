// The process's current directory during a run. Every probe comes back to
// the directory the run started in, so relative entries always mean what
// they mean to the programs that use the lists.
#pragma once

// Remembers the starting directory (and forgets the per-drive records of an
// earlier run). A name of more than 259 characters cannot be saved.
void save_start_directory();

// Enters `path` the way the tool always changes directory: the change, a
// read-back and, for a directory on a drive, that drive's record. Returns
// 1 only when every step worked.
int enter_directory(const char* path);

// Tells whether `path` is a directory that can be entered, then puts the
// current directory and the per-drive record it touched back as they were.
int probe_directory(const char* path);

// Goes back to the starting directory at the end of a run; does nothing
// when the start could not be saved, and says nothing when it fails.
void return_to_start_directory();
