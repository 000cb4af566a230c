// process_sample: what Windows itself counts for a running program, for the soak: its GDI and
// USER objects (GetGuiResources), its kernel handles and the memory the system charges it.
//
// Usage: process_sample.exe EXE_NAME
// Reports one line for the first process whose executable is EXE_NAME (case ignored):
//   "pid=N gdi=N user=N handles=N private_kb=N working_set_kb=N"
// A count the system cannot give is reported as -1 (Wine, for one, counts no GDI or USER objects
// and reports no handles and no private bytes). "missing" when no such process runs.
#include <windows.h>
// After windows.h, which the process and snapshot headers need.
#include <psapi.h>
#include <tlhelp32.h>

#include <string>

#include "tests/wine/helper_text.h"

namespace {

DWORD FindProcess(const std::wstring& exe) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  DWORD found = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && found == 0;
       more = Process32NextW(snapshot, &entry)) {
    if (lstrcmpiW(entry.szExeFile, exe.c_str()) == 0) found = entry.th32ProcessID;
  }
  CloseHandle(snapshot);
  return found;
}

std::string Count(bool ok, unsigned long long n) {
  return ok ? std::to_string(n) : "-1";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    Print("usage: process_sample.exe EXE_NAME");
    return 2;
  }
  const DWORD pid = FindProcess(argv[1]);
  if (pid == 0) {
    Print("missing");
    return 1;
  }
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (process == nullptr) process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) {
    Print("error cannot open process " + std::to_string(pid));
    return 1;
  }
  // GetGuiResources gives 0 both for "none" and for failure; a running window owner always has
  // some USER objects, some handles and some private bytes, so 0 there means "not counted".
  SetLastError(0);
  const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
  const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
  DWORD handles = 0;
  const BOOL haveHandles = GetProcessHandleCount(process, &handles);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  const BOOL haveMemory = GetProcessMemoryInfo(
      process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  CloseHandle(process);
  Print("pid=" + std::to_string(pid) + " gdi=" + Count(gdi != 0 || user != 0, gdi) + " user=" +
        Count(user != 0, user) + " handles=" + Count(haveHandles && handles != 0, handles) +
        " private_kb=" + Count(haveMemory && memory.PrivateUsage != 0, memory.PrivateUsage / 1024) +
        " working_set_kb=" + Count(haveMemory, memory.WorkingSetSize / 1024));
  return 0;
}
