// DDE over USER32 and KERNEL32: global atoms, the shared memory of an execute command, and the
// packed parameters of acknowledgements and data, unpacked and freed as Win32 requires.
#include <windows.h>
// windows.h first: dde.h needs its types.
#include <dde.h>

#include "platform/dde.h"

uint16_t PlatGlobalAddAtom(const char* name) {
  return GlobalAddAtomA(name);
}

void PlatGlobalDeleteAtom(uint16_t atom) {
  GlobalDeleteAtom(atom);
}

PlatDdeMemory PlatDdeAllocText(const char* text) {
  SIZE_T size = static_cast<SIZE_T>(lstrlenA(text)) + 1;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size);
  if (memory == nullptr) return 0;
  void* bytes = GlobalLock(memory);
  if (bytes == nullptr) {
    GlobalFree(memory);
    return 0;
  }
  CopyMemory(bytes, text, size);
  GlobalUnlock(memory);
  return reinterpret_cast<PlatDdeMemory>(memory);
}

void PlatDdeFreeText(PlatDdeMemory memory) {
  GlobalFree(reinterpret_cast<HGLOBAL>(memory));
}

uint16_t PlatDdeAckStatus(intptr_t lparam) {
  UINT_PTR status = 0;
  UINT_PTR commands = 0;
  if (!UnpackDDElParam(WM_DDE_ACK, lparam, &status, &commands)) return 0;
  FreeDDElParam(WM_DDE_ACK, lparam);
  return LOWORD(status);
}

void PlatDdeRefuseData(PlatWindow client, PlatWindow sender, intptr_t lparam) {
  UINT_PTR data = 0;
  UINT_PTR item = 0;
  if (!UnpackDDElParam(WM_DDE_DATA, lparam, &data, &item)) return;
  FreeDDElParam(WM_DDE_DATA, lparam);
  int acknowledge = 0;
  int release = 0;
  DDEDATA* header =
      data != 0 ? static_cast<DDEDATA*>(GlobalLock(reinterpret_cast<HGLOBAL>(data))) : nullptr;
  if (header != nullptr) {
    acknowledge = header->fAckReq;
    release = header->fRelease;
    GlobalUnlock(reinterpret_cast<HGLOBAL>(data));
  }
  if (acknowledge) {
    // A negative acknowledgement: the sender keeps its data, and the item atom goes back.
    LPARAM answer = PackDDElParam(WM_DDE_ACK, 0, item);
    if (!PostMessageA(static_cast<HWND>(sender), WM_DDE_ACK, reinterpret_cast<WPARAM>(client),
                      answer)) {
      FreeDDElParam(WM_DDE_ACK, answer);
      GlobalDeleteAtom(static_cast<ATOM>(item));
    }
    return;
  }
  if (release && data != 0) GlobalFree(reinterpret_cast<HGLOBAL>(data));
  if (item != 0) GlobalDeleteAtom(static_cast<ATOM>(item));
}
