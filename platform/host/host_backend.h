// Internals shared by the files of the host backend: the machine description, the path mapping,
// the fault plan, the answer script, the open-file table and small text helpers. Only files in
// platform/host include this header.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <ctime>

#include "platform/host/host_machine.h"
#include "platform/system.h"
#include "platform/windows.h"

// Longest host path the backend builds, NUL included (Linux PATH_MAX).
const size_t kHostPathMax = 4096;
const int kHostDriveCount = 26;   // A: .. Z:
const int kHostListMax = 32;      // window classes, and modules, that machine.ini can list
const size_t kHostNameMax = 128;  // one window class or module name, NUL included
const uint32_t kHostDefaultCluster = 32768;  // 64 sectors of 512 bytes

// ---- The machine description (host_machine_ini.cpp reads it, host_machine.cpp keeps it).
const int kHostCommandListMax = 8;      // Program Manager commands machine.ini can name
const size_t kHostCommandNameMax = 32;  // one command name, NUL included
// The simulated Program Manager ([progman] of machine.ini).
struct HostProgmanInfo {
  int servers;  // DDE servers that answer "PROGMAN"; -1: one when [windows] lists Progman
  int minimized;
  uint32_t terminate_after;  // the server ends the conversation after so many answers; 0 never
  char refuse[kHostCommandListMax][kHostCommandNameMax];  // commands answered "refused"
  int refuse_count;
  char ignore[kHostCommandListMax][kHostCommandNameMax];  // commands never answered
  int ignore_count;
};
struct HostDrive {
  PlatDriveType type;  // kDriveUnknown: remote when mounted, fixed when the drive folder
                       // exists, else no root dir
  int mounted;         // 1: the drive is the host directory in mount
  char mount[kHostPathMax];
  int has_free;  // 1: free_bytes overrides the host file system's figure
  uint64_t free_bytes;
  int has_total;  // 1: total_bytes overrides the host file system's figure
  uint64_t total_bytes;
  uint32_t cluster_bytes;
  int track_free;  // 1: free_bytes is what is free when the machine opens, and files' clusters
                   // are counted against it from then on (host_free_space.cpp)
};
struct HostMachineInfo {
  uint32_t platform_id;
  uint32_t processor;
  uint32_t memory;
  char windows_dir[kPathBuffer];
  char system_dir[kPathBuffer];
  char current_dir[kPathBuffer];
  HostDrive drives[kHostDriveCount];
  char classes[kHostListMax][kHostNameMax];
  int class_count;
  char modules[kHostListMax][kHostNameMax];
  int module_count;
  uint32_t display_bits;    // GetDeviceCaps BITSPIXEL
  int32_t display_colours;  // NUMCOLORS, -1 for more than 256
  uint32_t display_planes;  // PLANES
  uint32_t screen_width;    // the size a top-level window gets, in pixels
  uint32_t screen_height;
  uint32_t ole_build;  // OleBuildVersion
  int end_session;     // 1: Windows asks the frame to end the session
  HostProgmanInfo progman;
};
void HostMachineDefaults(HostMachineInfo* info);
// Reads machine.ini over the defaults already in info; a missing file leaves them as they are.
void HostReadMachineIni(const char* ini_path, HostMachineInfo* info);
// The open machine's description, or the defaults when no machine is open.
const HostMachineInfo& HostInfo();
// The machine's record (host_machine.cpp), filled by HostMachineOpen and emptied by
// HostMachineClose (host_machine_session.cpp).
struct HostMachineRecord {
  int open;
  char root[kHostPathMax];  // the real path of the machine directory
  int info_ready;
  HostMachineInfo info;
};
extern HostMachineRecord g_machine;
// Whether standard input, output or error (0, 1, 2) is a terminal: asked of the host once a run.
int HostIsTerminal(int descriptor);
// root + "/" + name into out; 0 when no machine is open or the path does not fit.
int HostMachineFile(const char* name, char* out, size_t size);

// ---- Paths (host_paths.cpp).
struct HostResolvedPath {
  char windows[kPathBuffer];  // full Windows path: "C:\" or "C:\DIR\FILE", as written
  char host[kHostPathMax];    // the host file it stands for, on-disk names where they exist
};
// Lexical full path: drive and current directory applied, "." and ".." resolved, "\" only.
int HostFullPath(const char* windows_path, const char* current_dir, char* out, size_t size);
// Full path against the machine's current directory, then the host file (see HostMapPath).
int HostResolvePath(const char* windows_path, HostResolvedPath* out);
// A host path back to a Windows path: under the drive folder or mount that contains it.
int HostUnmapPath(const char* host_path, char* out, size_t size);
// The drive's type and its host folder; drive 0 is A:.
PlatDriveType HostDriveType(int drive);
int HostDriveFolder(int drive, char* out, size_t size);
// The drive of a root such as "C:\", "c:" or "C:/"; null means the current drive. -1 if none.
int HostRootDrive(const char* root);

// ---- Folder listings (host_listing.cpp).
// The name in the host folder dir that matches name without regard to case, the first in byte
// order when several do, from the folder's listing (read again when the folder changed). 1 when
// found.
int HostFindOnDisk(const char* dir, const char* name, char* found, size_t size);
// Around a change the backend makes to the host path's name in its folder: Before gives a token
// for the folder's listing while it is current (-1 when none is held or it was stale, which is
// then dropped); After, once the change is done, makes the name present or absent in it.
int HostListingBefore(const char* path);
void HostListingAfter(int listing, const char* path, int present);

// ---- The fault plan (host_faults.cpp).
// Counts one call that a kind of fault applies to and says whether a rule fires for it (and then
// records it in the transcript). windows_path may be null for calls without a path.
// A power cut that fires ends the process there, with status 66.
int HostFaultFires(HostFaultKind kind, const char* windows_path);
// HostFaultAdd, with the filter matching only at the end of a path when path_at_end is 1.
int HostFaultAddRule(const HostFault& fault, int path_at_end);
// The kind of a machine.ini name (disk_full, cannot_open, ..., power_cut); 0 for no kind.
int HostFaultKindNamed(const char* name, HostFaultKind* kind);

// ---- The answer script (host_script.cpp): one ordered stream of lines, a kind word first.
enum HostScriptResult {
  kScriptEnd,       // no line left
  kScriptLine,      // the next line had the kind asked for: consumed, its words in args
  kScriptMismatch,  // the next line has another kind: left in place, recorded in the transcript
};
const size_t kHostScriptLineMax = 512;  // one script line, newline and NUL included
HostScriptResult HostScriptNext(const char* kind, char* args, size_t size, uint32_t* line_number);
void HostScriptRewind();

// HostScriptNext's look ahead: the kind word and arguments of the next line that is not blank
// or a comment, without consuming it or recording anything. kScriptEnd when there is none.
HostScriptResult HostScriptPeek(char* kind, size_t kind_size, char* args, size_t args_size);

// ---- Windows, dialogs and the message queue (host_windows.cpp, host_dialogs.cpp).
const int kHostWindowMax = 64;
const size_t kHostWindowTextMax = 512;  // a window or control text, NUL included
enum HostWindowKind { kHostNoWindow, kHostTopWindow, kHostDialog, kHostControl };
struct HostDialogTemplate;
// A multi-line edit field's whole text and its lines (host_edit.cpp).
struct HostEditText {
  char* text;
  uint32_t* starts;  // where each line begins
  uint32_t* lengths;
  uint32_t line_count;
};
struct HostWindow {
  HostWindowKind kind;
  char class_name[64];
  char text[kHostWindowTextMax];
  PlatWindowProc procedure;  // top windows and controls of a registered class
  int visible;
  uint32_t style;  // a control's style from its template
  int width;       // client size in pixels
  int height;
  uint32_t longs[4];
  int parent;  // the dialog of a control, as a window index; -1 for none
  int id;      // control id, or template id of a dialog
  // Dialogs only.
  const HostDialogTemplate* dialog_template;
  intptr_t (*dialog_procedure)(PlatWindow, uint32_t, uintptr_t, intptr_t);
  int modal;
  int ended;
  intptr_t result;
  HostEditText edit;  // multi-line edit fields only
  int unseen;         // a dialog made hidden for a silent run: never shown, never recorded
};
// The table, the classes and the queue (host_window_table.cpp).
const int kHostClassMax = 8;
const int kHostQueueMax = 16;
struct HostClass {
  char name[64];
  PlatWindowProc procedure;
  int window_extra;
};

struct HostWindows {
  HostWindow table[kHostWindowMax];
  HostClass classes[kHostClassMax];
  PlatMessage queue[kHostQueueMax];
  int queued;
  int session_asked;
  int clicked;  // a script click was delivered since the queue was last found empty
  int wait_cursor;
};
extern HostWindows g_windows;
// The registered class of that name (any case), or null.
HostClass* HostFindClass(const char* name);
HostWindow* HostWindowOf(PlatWindow window);  // null for anything but a live window
PlatWindow HostWindowToken(const HostWindow* window);
int HostWindowIndex(const HostWindow* window);
// A fresh window of that kind, or null when the table is full.
HostWindow* HostNewWindow(HostWindowKind kind);
// Removes a window and its controls.
void HostRemoveWindow(HostWindow* window);
// The control of a dialog with that id, or null.
HostWindow* HostDialogItem(PlatWindow dialog, int item);
// The procedure and window bytes of a registered class; null when the class is not registered.
PlatWindowProc HostClassProcedure(const char* class_name);
// Delivers a message to the window's procedure (a dialog's procedure gets it as DLGPROC does).
intptr_t HostDeliver(HostWindow* window, uint32_t message, uintptr_t wparam, intptr_t lparam);
// The first open dialog, after start (an index, -1 to start at the beginning), that is modeless.
HostWindow* HostNextModeless(int* at);
// Forgets every window, class and queued message (the machine closed).
void HostResetWindows();
// How the transcript names a dialog: its template's number, or its template's string name.
void HostDialogLabel(const HostWindow* dialog, char* out, size_t size);
// The modeless dialog's line of the transcript when it closes, and its progress line on a
// terminal after a control changed (host_dialogs.cpp).
void HostRecordDialogClose(HostWindow* dialog);
void HostShowProgress(HostWindow* dialog);

// ---- Multi-line edit fields (host_edit.cpp): the whole text and its lines.
int HostIsMultiLineEdit(const HostWindow* control);
// Keeps text and breaks it into lines at the control's width: 0 (nothing kept) when it is
// longer than 65,535 characters or memory is short.
int HostEditSetText(HostWindow* control, const char* text);
// EM_GETLINECOUNT and EM_GETLINE; 0 for other messages.
intptr_t HostEditMessage(HostWindow* control, uint32_t message, uintptr_t wparam, intptr_t lparam);
void HostEditForget(HostWindow* window);

// ---- Printing (host_printing.cpp): forgets the printer, recording one the run left open.
void HostClosePrinter();

// ---- Other programs' windows, DDE and the simulated Program Manager (host_progman.cpp).
// The index in machine.ini's [windows] list of a window PlatFindWindow gave, or -1
// (host_system.cpp).
int HostListedWindow(PlatWindow window);
// A message posted to a simulated DDE server, which acts on it at once; 0 when the window is
// none of them.
int HostDdePost(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam);
// A message sent to every top-level window: the servers answer WM_DDE_INITIATE.
void HostDdeBroadcast(uint32_t message, uintptr_t wparam, intptr_t lparam);
// ShowWindow on another program's window; 1 when it was visible before.
int HostShowOtherWindow(PlatWindow window, int command);
// Records the atoms and the DDE memory the program did not give back, then forgets them and
// the servers' conversations.
void HostCloseDde();

// ---- The registry (host_registry.cpp).
// Reads <root>/registry.reg into the registry (an empty one when there is no file).
void HostLoadRegistry();
// Records every key handle still open in the transcript, then forgets the registry.
void HostCloseRegistry();

// ---- Open files (host_files.cpp).
// How many handles of this machine hold the host file open, and whether one holds it alone.
int HostFileOpenCount(dev_t device, ino_t inode, int* exclusive);
// Closes every handle still open, recording each in the transcript.
void HostCloseAllFiles();
// A UTC time as DOS date (high 16 bits) and time (low 16 bits), 2-second steps; 0 outside the
// years 1980 to 2107.
uint32_t HostDosTime(time_t utc);
// File attributes from a host file's status: directory, or archive plus read-only when the
// owner write bit is clear.
uint32_t HostAttributes(const struct stat& info);

// ---- Tracked free space (host_free_space.cpp): the drives whose [free] figure has track=1.
// Windows paths are full ("C:\..."); on a drive that is not tracked the calls change nothing.
// Forgets every change the files made: each tracked drive has its figure again.
void HostFreeReset();
// 1 when the path's drive is tracked.
int HostFreeTracked(const char* windows_path);
// A tracked drive's free bytes now (whole clusters); 0 and bytes unchanged for another drive.
int HostFreeBytes(int drive, uint64_t* bytes);
// How far a file on the path's drive may grow from size before toward after: after itself when
// the free clusters hold it, else the end of the last cluster free, and then the full disk is
// recorded in the transcript ("disk-full").
uint64_t HostFreeRoom(const char* windows_path, uint64_t before, uint64_t after);
// A file on the path's drive went from size before to after (0 for no file): its clusters are
// taken or given back.
void HostFreeResize(const char* windows_path, uint64_t before, uint64_t after);
// HostFreeResize to the size the host file has now (0 when it is not there).
void HostFreeSettle(const char* windows_path, const char* host_path, uint64_t before);

// ---- Text helpers (host_text.cpp).
char HostUpper(char c);
// Cuts blanks and tabs at both ends, and the line end; returns the first character kept.
char* HostTrim(char* text);
int HostSameNoCase(const char* a, const char* b);
int HostContainsNoCase(const char* text, const char* piece);
// Decimal, or hexadecimal after "0x"; the whole text must be the number. 1 or 0.
int HostParseNumber(const char* text, uint64_t* out);
// Copies text when it fits (NUL included); 0 and an empty out otherwise.
int HostCopyText(char* out, size_t size, const char* text);
// Appends text at out's end when it fits; 0 and out unchanged otherwise.
int HostAppendText(char* out, size_t size, const char* text);
// The text for one transcript field: CR, LF, tab and other control bytes escaped (\r \n \t \xHH).
// Allocated with malloc (the caller frees it); null when out of memory.
char* HostEscapeText(const char* text);
