/* rawcmd: starts the program CPVALID_RAW_EXE with the command line CPVALID_RAW_CMDLINE as it
   is, and exits with that program's exit status. Arguments given to Wine are re-quoted on
   the way, variables are not. No C runtime: nothing here parses a command line. */
#include <windows.h>

#define CMDLINE_BYTES 32768

static char exe[MAX_PATH + 1];
static char cmdline[CMDLINE_BYTES + 1];
/* Static, so that no zeroing code calls a memset that is not linked. */
static STARTUPINFOA startup;
static PROCESS_INFORMATION child;

static void fail(const char* message) {
  DWORD written;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), message, lstrlenA(message), &written, NULL);
  ExitProcess(255);
}

static void take_variable(const char* name, char* buffer, DWORD size) {
  DWORD length = GetEnvironmentVariableA(name, buffer, size);
  if (length == 0 || length >= size)
    fail("rawcmd: a variable is missing or too long\r\n");
  /* The program started sees only the case's own variables. */
  SetEnvironmentVariableA(name, NULL);
}

static HANDLE inherited(DWORD which) {
  HANDLE handle = GetStdHandle(which);
  if (handle != NULL && handle != INVALID_HANDLE_VALUE)
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  return handle;
}

/* The linker's default entry point for a console program, on both architectures. */
void mainCRTStartup(void) {
  DWORD status = 255;
  take_variable("CPVALID_RAW_EXE", exe, sizeof exe);
  take_variable("CPVALID_RAW_CMDLINE", cmdline, sizeof cmdline);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inherited(STD_INPUT_HANDLE);
  startup.hStdOutput = inherited(STD_OUTPUT_HANDLE);
  startup.hStdError = inherited(STD_ERROR_HANDLE);
  if (!CreateProcessA(exe, cmdline, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &child))
    fail("rawcmd: the program does not start\r\n");
  WaitForSingleObject(child.hProcess, INFINITE);
  GetExitCodeProcess(child.hProcess, &status);
  ExitProcess(status);
}
