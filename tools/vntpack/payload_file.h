// A payload as the setup program reads it, for vntpack's attach, list, extract and verify: the
// file (a stand-alone payload, or a program whose marker points at its payload) opened by the
// program's own reader through the host platform layer, on a scratch simulated machine whose Z:
// drive is the host's "/"; and the host extraction library loaded as the host setup loads it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/modules.h"
#include "unzip/dunzip.h"

struct OpenedPayload {
  std::string bytes;     // the whole file
  uint32_t offset = 0;   // where the payload begins in it
  bool program = false;  // a program that carries the payload, not a stand-alone payload
};

// Opens the file's payload and reads its header and file table into g_payload (a scratch
// machine must be open); false with a message naming the file. ClosePayloadFile when done.
bool OpenPayloadFile(const std::string& path, OpenedPayload* opened, std::string* error);
void ClosePayloadFile();

// Whether file-table entry index is stored as it is: the library first, the guide.
bool IsStoredEntry(uint16_t index);
// The stored dunzipnt.dll of the open payload into *bytes; false when its first entry is none.
bool StoredLibrary(const OpenedPayload& opened, std::string* bytes);

// The host dunzipnt.dll, loaded through the platform layer from a host path.
struct LoadedLibrary {
  PlatModule module = nullptr;
  UnzipEntryPoint entry = nullptr;
  ~LoadedLibrary() { PlatFreeLibrary(module); }
};
bool LoadHostLibrary(const std::string& path, LoadedLibrary* library, std::string* error);
