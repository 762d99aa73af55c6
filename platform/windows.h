// The handset's core OS services (Windows CE 6.0 kernel, tool help, COM start-up): the types,
// constants and calls that Quorvane's code uses. Implemented for Linux in host/.
//
// Text is UTF-16: WCHAR is char16_t on this host (wchar_t is 32-bit here and is never used).
// Every call acts on the current handset (host/kernel/handset.h); failures set the last error, which
// GetLastError returns, as on the handset.
#pragma once

#include <cstddef>
#include <cstdint>

using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using UINT_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using HRESULT = std::int32_t;
using LPVOID = void*;

using HANDLE = void*;
struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
struct HDC__;
using HDC = HDC__*;

#define TRUE 1
#define FALSE 0
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define WINAPI
#define LOWORD(w) (static_cast<WORD>(static_cast<std::uintptr_t>(w) & 0xFFFF))
#define HIWORD(w) (static_cast<WORD>((static_cast<std::uintptr_t>(w) >> 16) & 0xFFFF))

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

struct POINT {
  LONG x;
  LONG y;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
};

struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;
struct STARTUPINFOW;
struct PROCESS_INFORMATION;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

constexpr int MAX_PATH = 260;

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwOID;
  WCHAR cFileName[MAX_PATH];
};

// The tool-help process record in its Windows CE layout: dwSize is 564.
struct PROCESSENTRY32 {
  DWORD dwSize;
  DWORD cntUsage;
  DWORD th32ProcessID;
  DWORD th32DefaultHeapID;
  DWORD th32ModuleID;
  DWORD cntThreads;
  DWORD th32ParentProcessID;
  LONG pcPriClassBase;
  DWORD dwFlags;
  WCHAR szExeFile[MAX_PATH];
  DWORD th32MemoryBase;
  DWORD th32AccessKey;
};
static_assert(sizeof(PROCESSENTRY32) == 564);

// Messages.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_SHOWWINDOW = 0x0018;  // wParam TRUE shown, FALSE hidden; lParam 0
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_USER = 0x0400;

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

// Window styles.
constexpr DWORD WS_POPUP = 0x80000000;

// DrawText flags.
constexpr DWORD DT_LEFT = 0x0;
constexpr DWORD DT_CENTER = 0x1;
constexpr DWORD DT_RIGHT = 0x2;
constexpr DWORD DT_VCENTER = 0x4;
constexpr DWORD DT_SINGLELINE = 0x20;

// COM.
constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr HRESULT S_OK = 0;

// Files and devices.
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;
constexpr DWORD REPLACEFILE_WRITE_THROUGH = 0x1;

// Tool help.
constexpr DWORD TH32CS_SNAPPROCESS = 0x2;

// Error codes (GetLastError).
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_READ_FAULT = 30;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_HANDLE_EOF = 38;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_DEV_NOT_EXIST = 55;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

// Window timers, windows and messages.
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);
BOOL ShowWindow(HWND hWnd, int nCmdShow);
BOOL IsWindowVisible(HWND hWnd);
BOOL IsWindow(HWND hWnd);
BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString);
BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int nExitCode);
HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName);
UINT RegisterWindowMessageW(LPCWSTR lpString);
BOOL GetMessageW(MSG* lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
BOOL TranslateMessage(const MSG* lpMsg);
LRESULT DispatchMessageW(const MSG* lpMsg);
DWORD GetTickCount();

// Errors and diagnostics.
DWORD GetLastError();
void SetLastError(DWORD dwErrCode);
// printf-style formatting (%d %u %x %s with a UTF-16 argument, %c, %%) into the debug output.
void NKDbgPrintfW(LPCWSTR lpszFmt, ...);

// COM start-up: accepted, no effect.
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);

// Modules and processes.
DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
BOOL CreateProcessW(LPCWSTR pszImageName, LPWSTR pszCmdLine, SECURITY_ATTRIBUTES* psaProcess,
                    SECURITY_ATTRIBUTES* psaThread, BOOL fInheritHandles, DWORD fdwCreate,
                    LPVOID pvEnvironment, LPCWSTR pszCurDir, STARTUPINFOW* psiStartInfo,
                    PROCESS_INFORMATION* pProcInfo);
HANDLE CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID);
BOOL Process32First(HANDLE hSnapshot, PROCESSENTRY32* lppe);
BOOL Process32Next(HANDLE hSnapshot, PROCESSENTRY32* lppe);
BOOL CloseToolhelp32Snapshot(HANDLE hSnapshot);

// Files and devices. A name ending in ":" (such as "ACC0:") opens a device driver.
// Handset paths use "\" and are rooted at the handset's "\", a folder of the host (--root;
// host/files/handset_path.h maps the names).
HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   SECURITY_ATTRIBUTES* lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
              DWORD* lpNumberOfBytesRead, OVERLAPPED* lpOverlapped);
BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* lpNumberOfBytesWritten, OVERLAPPED* lpOverlapped);
DWORD GetFileSize(HANDLE hFile, DWORD* lpFileSizeHigh);
BOOL SetEndOfFile(HANDLE hFile);
// Flushes the file's data to the disk (fsync).
BOOL FlushFileBuffers(HANDLE hFile);
BOOL DeleteFileW(LPCWSTR lpFileName);
// Replaces lpReplacedFileName by lpReplacementFileName in one step (the replaced file's
// attributes and permissions are kept); lpBackupFileName must be null.
BOOL ReplaceFileW(LPCWSTR lpReplacedFileName, LPCWSTR lpReplacementFileName,
                  LPCWSTR lpBackupFileName, DWORD dwReplaceFlags, LPVOID lpExclude,
                  LPVOID lpReserved);
BOOL CloseHandle(HANDLE hObject);
HANDLE FindFirstFileW(LPCWSTR lpFileName, WIN32_FIND_DATAW* lpFindFileData);
BOOL FindClose(HANDLE hFindFile);
DWORD GetFileAttributesW(LPCWSTR lpFileName);
BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes);
BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuf, DWORD nInBufSize,
                     LPVOID lpOutBuf, DWORD nOutBufSize, DWORD* lpBytesReturned,
                     OVERLAPPED* lpOverlapped);
