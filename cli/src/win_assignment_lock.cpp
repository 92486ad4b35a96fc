// The assignment lock on Windows: a named mutex. The system lets go of it
// when its holder ends, however it ends; the next one then takes it as
// abandoned, which is as good. A user without the right to make objects in
// the Global namespace (one that is not elevated, and so may not set either)
// falls back on the session's own.
#include "assignment_lock.h"
#include "console.h"
#include "platform/win_system.h"

namespace vornctl {

namespace {

constexpr wchar_t kGlobalName[] = L"Global\\vornctl-assignment";
constexpr wchar_t kLocalName[] = L"Local\\vornctl-assignment";

}  // namespace

std::string assignment_lock_name() { return "the mutex Global\\vornctl-assignment"; }

AssignmentLock::AssignmentLock() {
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kGlobalName);
  if (mutex == nullptr && ::GetLastError() == ERROR_ACCESS_DENIED)
    mutex = ::CreateMutexW(nullptr, FALSE, kLocalName);
  if (mutex == nullptr) {
    error_ = "cannot make " + assignment_lock_name() + ": " +
             system_error_text(static_cast<int>(::GetLastError()));
    return;
  }
  const DWORD waited = ::WaitForSingleObject(mutex, kLockWaitMs);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
    return;
  }
  error_ = waited == WAIT_TIMEOUT ? "another vornctl has held " + assignment_lock_name() + " for " +
                                        std::to_string(kLockWaitMs / 1000) +
                                        " s; it checks and writes one neighbour entry at a time"
                                  : "cannot take " + assignment_lock_name() + ": " +
                                        system_error_text(static_cast<int>(::GetLastError()));
  ::CloseHandle(mutex);
}

// A mutex is let go by the thread that holds it: the one that made the
// lock, which is also the one whose neighbour write lets go of it.
void AssignmentLock::release() {
  if (handle_ == kNoHandle) return;
  const auto mutex = reinterpret_cast<HANDLE>(handle_);
  ::ReleaseMutex(mutex);
  ::CloseHandle(mutex);
  handle_ = kNoHandle;
}

}  // namespace vornctl
