#include "lists/current_dir.h"

#include <cstring>

#include "base/ascii.h"
#include "platform/platform.h"

namespace {

// The save reads into a MAX_PATH area; the read-back after a change takes
// one byte more.
constexpr unsigned long SAVE_AREA_BYTES = 260;
constexpr unsigned long READ_BACK_BYTES = 261;
constexpr int SAVED_DIR_BYTES = 2048;
constexpr int DRIVE_RECORD_BYTES = 2048;

char saved_dir[SAVED_DIR_BYTES];
bool saved = false;

enum RecordState { RECORD_UNKNOWN, RECORD_UNDEFINED, RECORD_DEFINED, RECORD_UNRESTORABLE };

// What each drive's "=X:" record held before this run touched it. The probes
// put every record back, so what was read the first time stays true.
struct DriveRecord {
  RecordState state;
  char value[DRIVE_RECORD_BYTES];
};
DriveRecord drive_records[26];

void record_name(char drive, char name[4]) {
  name[0] = '=';
  name[1] = drive;
  name[2] = ':';
  name[3] = '\0';
}

DriveRecord* drive_record(char drive) {
  if (drive < 'A' || drive > 'Z') return nullptr;
  return &drive_records[drive - 'A'];
}

void remember_drive_record(char drive) {
  DriveRecord* record = drive_record(drive);
  if (record == nullptr || record->state != RECORD_UNKNOWN) return;
  char name[4];
  record_name(drive, name);
  int len = platform()->env_copy(name, record->value, DRIVE_RECORD_BYTES);
  if (len >= 0 && len < DRIVE_RECORD_BYTES) {
    record->value[len] = '\0';
    record->state = RECORD_DEFINED;
  } else if (len == -1) {
    record->state = RECORD_UNDEFINED;
  } else {
    record->state = RECORD_UNRESTORABLE;
  }
}

void restore_drive_record(char drive) {
  DriveRecord* record = drive_record(drive);
  if (record == nullptr) return;
  char name[4];
  record_name(drive, name);
  if (record->state == RECORD_DEFINED) {
    platform()->env_set(name, record->value);
  } else if (record->state == RECORD_UNDEFINED) {
    platform()->env_set(name, nullptr);
  }
}

// The change of directory. `moved` tells whether the process left where it
// was; `drive` names the per-drive record that was written, or is 0.
int change_directory(const char* path, bool& moved, char& drive) {
  moved = false;
  drive = '\0';
  if (!platform()->dir_set(path)) return 0;
  moved = true;
  char now[READ_BACK_BYTES];
  unsigned long len = platform()->dir_get(now, READ_BACK_BYTES);
  if (len == 0 || len >= READ_BACK_BYTES) return 0;
  now[len] = '\0';
  // A UNC directory belongs to no drive, so there is no record to keep.
  if (len >= 2 && ((now[0] == '\\' && now[1] == '\\') || (now[0] == '/' && now[1] == '/'))) {
    return 1;
  }
  char name[4];
  drive = ascii_upper(now[0]);
  remember_drive_record(drive);
  record_name(drive, name);
  return platform()->env_set(name, now) ? 1 : 0;
}

}  // namespace

void save_start_directory() {
  for (DriveRecord& record : drive_records) record.state = RECORD_UNKNOWN;
  saved = false;
  char area[SAVE_AREA_BYTES];
  unsigned long len = platform()->dir_get(area, SAVE_AREA_BYTES);
  if (len == 0 || len >= SAVE_AREA_BYTES || len > SAVED_DIR_BYTES - 1) return;
  std::memcpy(saved_dir, area, len);
  saved_dir[len] = '\0';
  saved = true;
}

int enter_directory(const char* path) {
  bool moved;
  char drive;
  return change_directory(path, moved, drive);
}

int probe_directory(const char* path) {
  bool moved;
  char drive;
  int entered = change_directory(path, moved, drive);
  if (moved && saved) platform()->dir_set(saved_dir);
  if (drive != '\0') restore_drive_record(drive);
  return entered;
}

void return_to_start_directory() {
  if (saved) enter_directory(saved_dir);
}
