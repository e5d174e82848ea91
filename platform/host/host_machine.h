// The simulated Windows machine of the host backend, as tests and the host entry point control
// it. Nothing in the core includes this header; SETUP.EXE has no such thing.
//
// A machine is a directory (docs/host-machine.md): machine.ini describes it, C\, D\, ... are its
// drives, answers.txt scripts the user's answers and transcript.txt records what a real system
// would have shown or done.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/drawing.h"
#include "platform/types.h"

// Environment variable that names the machine directory for the host `setup` program.
#define HOST_MACHINE_VARIABLE "VNT_MACHINE"

// Loads the machine at root (machine.ini may be absent: defaults apply), resets the answer
// cursor and the fault plan. Returns 1, or 0 when root is not a directory. Opening a machine
// closes the one open before.
int HostMachineOpen(const char* root);
// Closes the files the run left open (each recorded as file-left-open in the transcript).
void HostMachineClose();
// The real path of the open machine's directory, or null when no machine is open.
const char* HostMachineRoot();

// Maps a Windows path to the host file it stands for (case-insensitive lookup of every
// component that exists; the rest kept as written). 0 when the path is not a drive path, names
// a drive that has no root directory, or does not fit.
int HostMapPath(const char* windows_path, char* out, size_t size);

// Drops the folder listings behind the case-insensitive lookup (host_listing.cpp). A folder
// changed from outside is read again once its modification time differs; a caller that changes
// the machine's folders itself between two lookups within one clock tick calls this (the
// machine's closing does too).
void HostForgetListings();

// Appends one line to transcript.txt (the backend's own records use it too).
void HostTranscript(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The fault plan: named kinds of failure, each firing at the Nth matching call (1-based) and,
// when persistent, at every later one too. A path filter, when set, limits the rule to calls on
// paths that contain it (case-insensitively; machine.ini's rules: that end with it). machine.ini's
// [faults] section adds rules when the machine opens.
enum HostFaultKind {
  kFaultDiskFull,    // a write moves fewer bytes than asked (half, rounded down)
  kFaultCannotOpen,  // an open or create of a file fails
  kFaultReadOnly,    // a create, write-open, delete or move of a file fails as on a read-only file
  kFaultInUse,       // the exclusive open fails, as for a file that another program holds open
  kFaultAllocFails,  // PlatAllocMemory returns null
  kFaultModuleLoad,  // a library cannot be loaded
  kFaultRegistryDenied,  // opening or creating a key, or setting a value, is denied
  kFaultPowerCut,        // the process ends at once, before a call that would change a file
  kFaultKindCount
};
struct HostFault {
  HostFaultKind kind;
  uint32_t nth;      // fires at this matching call, 1 = the first
  int persistent;    // 1: also at every later matching call
  const char* path;  // filter, or null for every call
};
void HostFaultClear();  // removes every rule and sets every kind's call count back to 0
// 0 when the plan is full (16 rules) or the rule is malformed (nth 0, a filter of 260 or more
// characters); the filter is copied.
int HostFaultAdd(const HostFault& fault);
uint32_t HostFaultCalls(HostFaultKind kind);  // matching calls seen so far, fired or not

// 1 while the program shows the hourglass cursor (PlatShowWaitCursor).
int HostWaitCursorShown();

// Queues a message for PlatPeekMessage, after those already queued (16 at most).
void HostPostMessage(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam);

// What the program drew since the machine opened (or the last clear): pens, bitmaps, frames
// and texts in order, the first kHostDrawCallMax of them, and a count of lines.
enum HostDrawKind { kHostDrawPen, kHostDrawBitmap, kHostDrawFrame, kHostDrawText };
const int kHostDrawCallMax = 1024;
struct HostDrawCall {
  HostDrawKind kind;
  PlatWindow window;
  PlatRect rect;        // bitmap, frame and text clip
  int32_t x, y;         // text origin
  uint32_t colour;      // pen or text colour
  uint32_t background;  // text background
  uint32_t rop;         // bitmap raster operation
  const void* bits;     // bitmap rows drawn
  char text[8];
};
int HostDrawCallCount();
const HostDrawCall* HostDrawCallAt(int index);
uint32_t HostDrawnLines();
void HostClearDrawCalls();
