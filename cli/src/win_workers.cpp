// The workers on Windows, which has no fork: each is vornctl.exe started
// again with the words of its task, in a process group of its own (the
// console's Ctrl+C reaches the caller alone) and in a job object that kills
// it when the caller ends, however it ends. It prints the task's result on
// its standard output, a pipe the caller reads once it has ended.
//
// A console's Ctrl+C, Ctrl+Break or closing, and logoff or shutdown, are
// held as the request to stop: the caller ends the workers and reports.
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/win_system.h"
#include "task_results.h"
#include "win_text.h"
#include "workers.h"

namespace vornctl {

namespace {

// What stopped the run: 0 for nothing, else the console event plus one (a
// Ctrl+C is event 0).
std::atomic<int> g_stop{0};

BOOL WINAPI take_stop(DWORD event) {
  int expected = 0;
  g_stop.compare_exchange_strong(expected, static_cast<int>(event) + 1);
  // Held: the report still comes. Windows ends the process anyway a few
  // seconds after a console's closing, logoff or shutdown.
  return TRUE;
}

// A pipe whose reader went away fails the next write; the C runtime keeps
// that in the stream's error mark.
bool output_closed() { return std::ferror(stdout) != 0; }

class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { reset(); }
  Handle(Handle&& other) noexcept : h_(other.h_) { other.h_ = nullptr; }
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      reset();
      h_ = other.h_;
      other.h_ = nullptr;
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  void reset() {
    if (h_ != nullptr && h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
    h_ = nullptr;
  }

 private:
  HANDLE h_ = nullptr;
};

struct Running {
  Handle process;
  Handle output;  // read end of the worker's standard output
  int index;
};

// One word of a command line as the C runtime of the started program splits
// it again: quoted, with the backslashes before a quote doubled.
std::wstring quoted(const std::wstring& word) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : word) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

std::wstring own_path() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
}

// The job whose closing, when the caller ends, ends every worker.
Handle make_job() {
  Handle job(::CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (job.get() != nullptr)
    ::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
  return job;
}

// Starts a worker with `words`; its standard error is the caller's.
bool start_worker(const std::wstring& program, const std::vector<std::string>& words, HANDLE job,
                  int index, std::vector<Running>* running) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!::CreatePipe(&read_end, &write_end, &inherit, 0)) return false;
  Handle output(read_end), child_output(write_end);
  ::SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  // Only these two handles reach the worker, whatever else the caller has
  // open (the library's sockets among them).
  HANDLE error = nullptr;
  ::DuplicateHandle(::GetCurrentProcess(), ::GetStdHandle(STD_ERROR_HANDLE), ::GetCurrentProcess(),
                    &error, 0, TRUE, DUPLICATE_SAME_ACCESS);
  Handle child_error(error);
  HANDLE inherited[2] = {write_end, error};
  const DWORD inherited_count = error != nullptr ? 2 : 1;
  SIZE_T size = 0;
  ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<unsigned char> storage(size);
  auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
  if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return false;
  ::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                              inherited_count * sizeof(HANDLE), nullptr, nullptr);
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = nullptr;
  startup.StartupInfo.hStdOutput = write_end;
  startup.StartupInfo.hStdError = error;
  startup.lpAttributeList = attributes;
  std::wstring line = quoted(program);
  for (const std::string& word : words) line += L" " + quoted(wide_text(word));
  PROCESS_INFORMATION process{};
  const BOOL started =
      ::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                       CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT,
                       nullptr, nullptr, &startup.StartupInfo, &process);
  ::DeleteProcThreadAttributeList(attributes);
  if (!started) return false;
  Handle thread(process.hThread);
  ::AssignProcessToJobObject(job, process.hProcess);
  ::ResumeThread(process.hThread);
  running->push_back({Handle(process.hProcess), std::move(output), index});
  return true;
}

// The result a worker printed, or `without`.
int read_result(HANDLE output, int without) {
  char text[32];
  DWORD length = 0, n = 0;
  while (length < sizeof text - 1 &&
         ::ReadFile(output, text + length, sizeof text - 1 - length, &n, nullptr) && n > 0)
    length += n;
  text[length] = '\0';
  char* end = nullptr;
  const long result = std::strtol(text, &end, 10);
  return length > 0 && *end == '\n' ? static_cast<int>(result) : without;
}

bool ended(const Running& r) { return ::WaitForSingleObject(r.process.get(), 0) == WAIT_OBJECT_0; }

int run_here(int count, const std::function<int(int)>& task,
             const std::function<void(int, int)>& done) {
  int stop = 0;
  for (int i = 0; i < count; ++i) {
    if (stop == 0) stop = g_stop.load();
    if (stop == 0 && output_closed()) stop = kStopOutputClosed;
    done(i, stop != 0 ? kWorkerNotRun : task(i));
  }
  return stop;
}

}  // namespace

const int kStopOutputClosed = 100;

void hold_stop_requests() { ::SetConsoleCtrlHandler(take_stop, TRUE); }

std::string stop_name(int stop) {
  switch (stop - 1) {
    case CTRL_C_EVENT:
      return "Ctrl+C";
    case CTRL_BREAK_EVENT:
      return "Ctrl+Break";
    case CTRL_CLOSE_EVENT:
      return "the console closing";
    case CTRL_LOGOFF_EVENT:
      return "logoff";
    case CTRL_SHUTDOWN_EVENT:
      return "shutdown";
    default:
      return stop == kStopOutputClosed ? "a closed standard output"
                                       : "stop " + std::to_string(stop);
  }
}

int run_in_workers(int count, int jobs, const std::function<int(int)>& task,
                   const std::function<void(int, int)>& done,
                   const std::function<std::vector<std::string>(int)>& worker_words) {
  const std::wstring program = own_path();
  const Handle job = make_job();
  if (!worker_words || program.empty() || job.get() == nullptr) return run_here(count, task, done);
  TaskResults results(count, done);
  std::vector<Running> running;
  int next = 0, stop = 0;

  auto finish = [&](Running& r, int without) {
    results.ended(r.index, read_result(r.output.get(), without));
  };
  while (!results.all_handed()) {
    while (stop == 0 && next < count && static_cast<int>(running.size()) < jobs &&
           start_worker(program, worker_words(next), job.get(), next, &running))
      ++next;
    if (running.empty()) {
      // No worker could be started, or the run is stopped.
      results.hand_rest(stop != 0 ? kWorkerNotRun : kWorkerLost);
      break;
    }
    if (stop == 0) {
      // The console's requests come on a thread of the system's: looked at
      // between short waits for the workers.
      std::vector<HANDLE> processes;
      for (const Running& r : running) processes.push_back(r.process.get());
      ::WaitForMultipleObjects(static_cast<DWORD>(processes.size()), processes.data(), FALSE, 50);
      stop = g_stop.load();
      if (stop == 0 && output_closed()) stop = kStopOutputClosed;
      std::vector<Running> still;
      for (Running& r : running) {
        if (ended(r))
          finish(r, kWorkerLost);
        else
          still.push_back(std::move(r));
      }
      running.swap(still);
    }
    if (stop != 0) {
      // A worker that handed its result back in time keeps it.
      for (Running& r : running) {
        ::TerminateProcess(r.process.get(), 1);
        ::WaitForSingleObject(r.process.get(), INFINITE);
        finish(r, kWorkerStopped);
      }
      running.clear();
    }
    results.hand_ready();
  }
  return stop;
}

}  // namespace vornctl
