// The emulated handset: one object owns all emulated state, and the platform's free functions
// (platform/windows.h, platform/mzfc.h) act on the current one. Tests build a fresh handset
// per test; nothing else is global. The layers above the kernel keep their state in the
// handset's or a process's local storage (locals(), ProcessLocals()).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "host/kernel/clock.h"
#include "host/kernel/kernel_object.h"
#include "host/kernel/local_storage.h"
#include "host/kernel/loop_inbox.h"
#include "host/kernel/trace.h"
#include "platform/windows.h"

namespace host {

class FileSystem;

// A window's message handler: the window procedure.
using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

struct WindowInfo {
  HWND hwnd = nullptr;
  std::u16string className;
  std::u16string title;
  RECT rect{};
  bool visible = false;
  DWORD pid = 0;  // the owning process; 0 for a window of no listed process
};

struct ProcessInfo {
  DWORD pid = 0;
  std::u16string exeName;  // as listed by the tool-help snapshot, e.g. u"MzMusic.exe"
  std::u16string path;     // handset path of its executable
};

// What runs in an emulated process. Start is handed the handset it runs on and creates its
// windows there (CreateWindow with its pid); the process lives until EndProcess.
class Handset;
class Program {
 public:
  virtual ~Program() = default;
  virtual void Start(Handset& handset, DWORD pid) = 0;
};
// Makes the program behind a launchable path; null means the launch fails.
using ProgramFactory = std::function<std::unique_ptr<Program>()>;

// A device driver reachable through CreateFileW with its name (e.g. u"ACC0:").
class DeviceDriver {
 public:
  virtual ~DeviceDriver() = default;
  // ERROR_SUCCESS, or the error CreateFileW reports.
  virtual DWORD Open(DWORD access, DWORD share) = 0;
  virtual BOOL IoControl(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned) = 0;
  virtual void Close() = 0;
};

// Called by the message loop when nothing is waiting: a script runner, the desktop window's
// event pump, or a test. It delivers input (posting messages or calling SendToWindow), moves a
// virtual clock on, or sleeps.
class InputSource {
 public:
  virtual ~InputSource() = default;
  // wakeAtMs: when the next timer falls due, or -1 when none is armed. Returns false when no
  // input will ever come again and no timer is armed; GetMessageW then returns as for
  // WM_QUIT with code 0 (an application that would wait for ever ends as at shutdown).
  virtual bool Idle(std::int64_t wakeAtMs) = 0;
  // Thread-safe, called from any thread: makes an Idle that waits return soon, or else the next
  // one (the wake is kept until a wait takes it), so that work posted with
  // Handset::PostFromThread runs. A source that waits only on the handset's clock needs nothing
  // here: the clock is woken as well.
  virtual void Wake() {}
};

// The handset's work area unless a run sets another: the handset's screen, 480 x 720.
inline constexpr RECT kDefaultWorkArea{0, 0, 480, 720};

class Handset {
 public:
  // The handset's "\" is the host folder root ("/" by default).
  // The new handset becomes the current one until it is destroyed.
  // REQUIRES: clock outlives the handset; no other handset is current.
  explicit Handset(Clock& clock, std::string root = "/");
  ~Handset();
  Handset(const Handset&) = delete;
  Handset& operator=(const Handset&) = delete;

  // REQUIRES: a handset exists.
  static Handset& Current();
  static Handset* CurrentOrNull();

  Clock& clock() { return m_clock; }

  // ---- Trace: what the system did, or nothing when nobody records it.
  Trace* trace() { return m_trace; }
  void set_trace(Trace* trace) { m_trace = trace; }
  // Whether an event named ev is recorded now: a trace is attached and wants it.
  bool Traces(std::string_view ev) const { return m_trace != nullptr && m_trace->Wants(ev); }
  // Whether an event named ev that repeats the one before is recorded now (Trace::WantsRepeats).
  bool TracesRepeats(std::string_view ev) const { return Traces(ev) && m_trace->WantsRepeats(ev); }
  // Records the event at the handset's time, with no fields.
  void Emit(std::string_view ev) {
    if (Traces(ev)) RecordEmpty(ev);
  }
  // Records the event with the fields makeFields() returns (a TraceFields object), called only
  // when the event is recorded: without a trace that wants it, nothing is built.
  template <class MakeFields>
  void Emit(std::string_view ev, MakeFields&& makeFields) {
    if (Traces(ev)) m_trace->Record(m_clock.NowMs(), ev, makeFields());
  }

  // ---- Files: the handset's "\" maps to this host folder.
  const std::string& root() const { return m_root; }
  void set_root(std::string root) { m_root = std::move(root); }
  // "\a\b.ini" -> root + "/a/b.ini" (UTF-8). Only "\" separates; the path is taken as absolute.
  std::string HostPath(std::u16string_view handsetPath) const;
  // The seam every file call goes through; a POSIX one unless a test sets another.
  FileSystem& files() { return *m_files; }
  // REQUIRES: fs outlives its use; null restores the POSIX one.
  void set_files(FileSystem* fs);

  DWORD last_error() const { return m_lastError; }
  void set_last_error(DWORD error) { m_lastError = error; }

  // ---- Handles. AddHandle returns a new handle (never null or INVALID_HANDLE_VALUE).
  HANDLE AddHandle(std::unique_ptr<KernelObject> object);
  KernelObject* LookupHandle(HANDLE handle);
  template <class T>
  T* LookupHandleAs(HANDLE handle) {
    return dynamic_cast<T*>(LookupHandle(handle));
  }
  // Closes and forgets the object; FALSE with ERROR_INVALID_HANDLE when there is none.
  BOOL CloseHandle(HANDLE handle);

  // ---- Devices.
  // REQUIRES: driver outlives its registration.
  void RegisterDevice(std::u16string name, DeviceDriver* driver);
  // Opens the driver registered under name, or sets the last error and returns
  // INVALID_HANDLE_VALUE. The handle's object forwards DeviceIoControl and CloseHandle.
  HANDLE OpenDevice(std::u16string_view name, DWORD access, DWORD share);

  // ---- Windows (top-level, in creation order). A new window is hidden.
  HWND CreateWindow(std::u16string className, std::u16string title, RECT rect, DWORD pid,
                    WindowProc proc);
  // Forgets the window: its timers and waiting messages go with it.
  void DestroyWindow(HWND hwnd);
  // The window's record, or null for a null or dead handle.
  WindowInfo* FindWindowInfo(HWND hwnd);
  std::vector<WindowInfo> Windows() const;
  // Calls visit(const WindowInfo&) for each window in creation order, without copying the list
  // (a painter's check at every refresh). REQUIRES: visit makes or destroys no window.
  template <class Visit>
  void VisitWindows(Visit&& visit) const {
    using V = std::remove_reference_t<Visit>;
    VisitWindowsWith(const_cast<void*>(static_cast<const void*>(&visit)),
                     [](void* v, const WindowInfo& info) { (*static_cast<V*>(v))(info); });
  }
  void VisitWindowsWith(void* visit, void (*call)(void*, const WindowInfo&)) const;
  // Calls the window's procedure at once (input, modal loops); 0 for a dead handle.
  LRESULT SendToWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  // ---- Message loop (GetMessageW, DispatchMessageW, PostMessageW and timers use these).
  // The loop belongs to the current process: messages and timers of windows of other listed
  // processes are handed to their window procedures inside GetMessage, as if those processes
  // ran loops of their own; GetMessage returns only what is the current process's (windows of
  // the current pid or of pid 0, and window-less timers).
  // REQUIRES: an input source is replaced (or set to null) before it is destroyed.
  void set_input(InputSource* input);
  InputSource* input() { return m_input; }
  // Ends the loop as PostQuitMessage does, without a "quit" trace event (the host's shutdown).
  void RequestQuit(int code);
  // PostQuitMessage: RequestQuit with a "quit" event.
  void PostQuit(int code);
  // PostMessageW: queues the message behind those waiting. A null or dead window gets nothing:
  // FALSE with ERROR_INVALID_WINDOW_HANDLE. Every call is traced as "post".
  BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // PostMessage without the trace event: the host's own wake-ups, which the system did not make.
  BOOL PostMessageUntraced(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // GetMessageW without filters. In this order: the posted messages, first in first out; the
  // quit request (FALSE, wParam = exit code; the request is then cleared); a due timer as
  // WM_TIMER (never queued, so never twice). With nothing ready it asks the input source to
  // wait (Idle false: FALSE as for a quit with code 0); without one it lets the clock run to
  // the next due timer, and with no timer armed it returns FALSE (quit 0).
  // Returns -1 with ERROR_INVALID_PARAMETER when msg is null.
  BOOL GetMessage(MSG* msg);
  // DispatchMessageW: the window's procedure, or 0 when the window is gone. A WM_TIMER that
  // GetMessage made is dropped when its timer was killed meanwhile, and traced as "fire" when
  // delivered; a posted WM_TIMER is an ordinary message.
  LRESULT DispatchMessage(const MSG& msg);
  // SetTimer without a callback: arms (or re-arms, from now) the window's timer id and returns
  // it. For a null window an id is chosen unless id names a running window-less timer.
  // Periods below 10 ms are 10 ms. A dead window: 0 with ERROR_INVALID_WINDOW_HANDLE.
  UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs);
  // Stops the timer; nothing of it arrives afterwards. FALSE with ERROR_INVALID_PARAMETER when
  // it does not run.
  BOOL KillTimer(HWND hwnd, UINT_PTR id);
  // The same name (ASCII case ignored) gives the same id, from 0xC000 up; an empty name gives 0
  // with ERROR_INVALID_PARAMETER.
  UINT RegisterWindowMessage(std::u16string_view name);
  struct TimerInfo {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    std::int64_t periodMs = 0;
    std::int64_t dueMs = 0;
  };
  // The running timers, in the order they were armed.
  std::vector<TimerInfo> Timers() const;

  // ---- Work from other threads (a D-Bus bridge's thread, a signal watcher).
  // The only Handset call that is thread-safe: queues task to run on the thread that runs the
  // message loop and wakes the loop (Clock::Wake and InputSource::Wake). GetMessage runs the
  // queued tasks, in order, first thing in each of its turns and after each wait, before it
  // looks at posted messages; there a task may do what window procedures do (post, start and
  // end processes, make windows). Tasks still queued when the handset is destroyed are dropped.
  // REQUIRES: the handset outlives the call (stop posting threads before destroying it).
  void PostFromThread(std::function<void()> task);
  // Runs the tasks queued now (GetMessage does this itself); for loops of one's own.
  bool RunPostedTasks();

  // ---- Processes and programs.
  // REQUIRES: the path is a handset path such as u"\\Windows\\MzMusic.exe".
  void RegisterProgram(std::u16string path, ProgramFactory factory);
  // The handset paths of the registered (installed) programs, sorted.
  std::vector<std::u16string> ProgramPaths() const;
  // Starts a process: listed at once, then program->Start(pid) (if given). Returns its pid.
  DWORD StartProcess(std::u16string path, std::unique_ptr<Program> program);
  // Ends a process: its windows are destroyed and it leaves the list. Its program object and
  // storage live on while code of that process runs (its Start, or a procedure of one of its
  // windows), so a program may end itself from its own code; then they go at once.
  void EndProcess(DWORD pid);
  // CreateProcessW: starts the program registered under path (ASCII case ignored). FALSE with
  // ERROR_FILE_NOT_FOUND when none is registered or its factory gives none. Traced as "launch".
  BOOL Launch(std::u16string_view path);
  std::vector<ProcessInfo> Processes() const;
  // The process whose code runs now (GetModuleFileNameW answers with its path); 0 for none.
  DWORD current_pid() const { return m_currentPid; }
  void set_current_pid(DWORD pid) { m_currentPid = pid; }

  // ---- State of the layers above the kernel (host/kernel/local_storage.h).
  // The handset's own: destroyed with the handset, after its processes and windows.
  LocalStorage& locals() { return *m_locals; }
  // The process's (pid 0: code that runs as no process): made on first use, destroyed when the
  // process ends (once none of its code runs any more), or with the handset. A process started
  // later has a storage of its own.
  LocalStorage& ProcessLocals(DWORD pid);
  // The process's storage, or null when it has made none.
  LocalStorage* FindProcessLocals(DWORD pid);

  // ---- Debug output (NKDbgPrintfW), in order.
  const std::vector<std::u16string>& debug_output() const { return m_debug; }
  void AddDebugOutput(std::u16string text);

  // ---- The work area (MzGetWorkArea); kDefaultWorkArea unless set.
  RECT work_area() const { return m_workArea; }
  void set_work_area(RECT area) { m_workArea = area; }

 private:
  struct Impl;  // message queue, timers, windows, processes, devices

  // Calls the window's procedure as its process (see the message loop above).
  LRESULT CallWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  bool IsForeign(HWND hwnd);
  void RecordEmpty(std::string_view ev);

  Clock& m_clock;
  Trace* m_trace = nullptr;
  std::string m_root;
  std::unique_ptr<FileSystem> m_posixFiles;
  FileSystem* m_files;
  DWORD m_lastError = ERROR_SUCCESS;
  std::map<std::uintptr_t, std::unique_ptr<KernelObject>> m_handles;
  std::uintptr_t m_nextHandle = 0x100;
  InputSource* m_input = nullptr;
  DWORD m_currentPid = 0;
  std::vector<std::u16string> m_debug;
  RECT m_workArea = kDefaultWorkArea;
  std::unique_ptr<LocalStorage> m_locals;
  std::unique_ptr<Impl> m_impl;
  LoopInbox m_inbox{m_clock};
};

}  // namespace host
