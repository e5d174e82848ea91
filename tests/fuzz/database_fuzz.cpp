// Fuzz target: a database file of any bytes opened as the main database, every live record
// read and two records written. Nothing may be read or written out of bounds, and every block
// must come back, whatever the input.
#include <cstdlib>

#include "database/database.h"
#include "services/memory.h"
#include "services/setup_state.h"
#include "services/update_log.h"
#include "tests/fuzz/fuzz_machine.h"

namespace {

int ReadRecord(Database* db, uint32_t gid, uint32_t, void*) {
  FreeBlock(DbRead(db, gid, nullptr, 0, nullptr));
  return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzPutFile("MAIN.IDX", data, size);
  ResetSetupState();
  Database* db = nullptr;
  if (DbOpen("C:\\MAIN.IDX", &db) == 0) {
    DbForEach(db, ReadRecord, nullptr);
    DbWrite(db, kGidVersion, "\x00\x85\x02\x00", 4, 0);
    DbWriteText(db, kGidVersionText, "2.5");
    DbForEach(db, ReadRecord, nullptr);
    DbClose(db);
  }
  FlushLog();
  if (g_setup.live_blocks != 0) abort();
  return 0;
}
