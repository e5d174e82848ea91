// Dialogs over USER32. Every dialog runs one DLGPROC that keeps the portable procedure (given
// as the initialisation value) in DWLP_USER from WM_INITDIALOG on, and passes it each message
// with the initialisation value 0 that the program's procedures expect.
#include <windows.h>

#include "platform/dialogs.h"

namespace {

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lparam);
    lparam = 0;
  }
  PlatDialogProc procedure = reinterpret_cast<PlatDialogProc>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (procedure == nullptr) return FALSE;
  return procedure(dialog, message, wparam, lparam);
}

}  // namespace

intptr_t PlatDialogBox(int template_id, PlatWindow owner, PlatDialogProc procedure) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(template_id),
                         static_cast<HWND>(owner), DialogProc, reinterpret_cast<LPARAM>(procedure));
}

PlatWindow PlatCreateDialog(int template_id, PlatWindow owner, PlatDialogProc procedure) {
  return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(template_id),
                            static_cast<HWND>(owner), DialogProc,
                            reinterpret_cast<LPARAM>(procedure));
}

PlatWindow PlatCreateHiddenDialog(int template_id, PlatWindow owner, PlatDialogProc procedure) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(template_id), RT_DIALOG);
  if (found == nullptr) return nullptr;
  DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const BYTE* bytes = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  const DWORD kExtendedStyleAt = 12;  // DLGTEMPLATEEX: version, signature, help id, ex-style
  if (bytes == nullptr || size < kExtendedStyleAt + sizeof(DWORD)) return nullptr;
  // A copy of the template with WS_VISIBLE cleared; the fixed block keeps it DWORD-aligned.
  BYTE* copy = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, size));
  if (copy == nullptr) return nullptr;
  CopyMemory(copy, bytes, size);
  int extended = copy[0] == 1 && copy[1] == 0 && copy[2] == 0xFF && copy[3] == 0xFF;
  DWORD* style = reinterpret_cast<DWORD*>(copy + (extended ? kExtendedStyleAt : 0));
  *style &= ~static_cast<DWORD>(WS_VISIBLE);
  HWND dialog = CreateDialogIndirectParamA(module, reinterpret_cast<LPCDLGTEMPLATEA>(copy),
                                           static_cast<HWND>(owner), DialogProc,
                                           reinterpret_cast<LPARAM>(procedure));
  GlobalFree(copy);
  return dialog;
}

PlatWindow PlatCreateNamedDialog(const char* template_name, PlatWindow owner,
                                 PlatDialogProc procedure) {
  return CreateDialogParamA(GetModuleHandleA(nullptr), template_name, static_cast<HWND>(owner),
                            DialogProc, reinterpret_cast<LPARAM>(procedure));
}

int PlatEndDialog(PlatWindow dialog, intptr_t result) {
  return dialog != nullptr && EndDialog(static_cast<HWND>(dialog), result);
}

int PlatSetItemText(PlatWindow dialog, int item, const char* text) {
  return dialog != nullptr && SetDlgItemTextA(static_cast<HWND>(dialog), item, text);
}

uint32_t PlatGetItemText(PlatWindow dialog, int item, char* out, uint32_t size) {
  if (size == 0) return 0;
  out[0] = '\0';
  if (dialog == nullptr) return 0;
  return GetDlgItemTextA(static_cast<HWND>(dialog), item, out, static_cast<int>(size));
}

int PlatPreloadDialogTemplate(int template_id) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(template_id), RT_DIALOG);
  if (found == nullptr) return 0;
  HGLOBAL loaded = LoadResource(nullptr, found);
  return loaded != nullptr && LockResource(loaded) != nullptr;
}
