// Dynamic data exchange, with Win32 semantics: the DDE message numbers, global atoms
// (GlobalAddAtomA, GlobalDeleteAtom), the shared memory that carries an execute command
// (GlobalAlloc with GMEM_MOVEABLE | GMEM_DDESHARE) and the packed parameters of the messages a
// client receives (UnpackDDElParam, FreeDDElParam). The messages themselves travel through the
// window calls of platform/windows.h.
//
// Contract: an atom of 0 and memory of 0 mean failure. The host backend simulates Program
// Manager as the DDE server of "PROGMAN" and records the commands it receives
// (docs/host-machine.md).
#pragma once

#include <cstdint>

#include "platform/types.h"

const uint32_t kWmDdeInitiate = 0x03E0;
const uint32_t kWmDdeTerminate = 0x03E1;
const uint32_t kWmDdeAck = 0x03E4;
const uint32_t kWmDdeData = 0x03E5;
const uint32_t kWmDdeExecute = 0x03E8;
const uint16_t kDdeAccepted = 0x8000;       // fAck of an acknowledgement's status word
const uintptr_t kBroadcastWindow = 0xFFFF;  // HWND_BROADCAST: every top-level window

uint16_t PlatGlobalAddAtom(const char* name);
void PlatGlobalDeleteAtom(uint16_t atom);

// The text and its NUL in new shared memory, unlocked; its handle, or 0.
typedef intptr_t PlatDdeMemory;
PlatDdeMemory PlatDdeAllocText(const char* text);
void PlatDdeFreeText(PlatDdeMemory memory);

// The status word of a WM_DDE_ACK that answers WM_DDE_EXECUTE; the packed parameter is freed.
uint16_t PlatDdeAckStatus(intptr_t lparam);
// A WM_DDE_DATA that the client never asked for: a negative acknowledgement to the sender when
// it wants one (the sender keeps its data and item), else the data and the item atom released.
void PlatDdeRefuseData(PlatWindow client, PlatWindow sender, intptr_t lparam);
