// The run's one payload header and reader record, and the file table lookup.
#include "services/payload_header.h"

#include "services/paths.h"

PayloadHeader g_payload = {};
PayloadReader g_reader = {kPlatNoFile, 0, {}, nullptr};

PayloadEntry* FindPayloadEntry(const char* name) {
  for (uint16_t i = 0; g_payload.entries != nullptr && i < g_payload.entry_count; ++i) {
    if (g_payload.entries[i] != nullptr && NamesEqual(g_payload.entries[i]->name, name)) {
      return g_payload.entries[i];
    }
  }
  return nullptr;
}
