// The DOSGAME.PIF template, field by field, and CreateGamePif. The image is a basic section
// followed by the "MICROSOFT PIFEX" extension chain with a Windows 386 and a Windows 286
// section.
#include "integration/game_pif.h"

#include <cstring>

#include "platform/files.h"
#include "services/file_writing.h"
#include "services/paths.h"
#include "services/rollback.h"
#include "services/setup_state.h"
#include "services/update_log.h"

namespace {

const uint32_t kChecksumAt = 0x001;
const uint32_t kChecksumFrom = 0x002;
const uint32_t kChecksumTo = 0x170;

struct PifWriter {
  uint8_t* bytes;
  uint32_t at;
};

void PutBytes(PifWriter* w, const void* data, uint32_t length) {
  memcpy(w->bytes + w->at, data, length);
  w->at += length;
}
void PutFill(PifWriter* w, uint8_t value, uint32_t count) {
  memset(w->bytes + w->at, value, count);
  w->at += count;
}
void PutByte(PifWriter* w, uint8_t value) {
  PutFill(w, value, 1);
}
void PutWord(PifWriter* w, uint16_t value) {
  PutByte(w, static_cast<uint8_t>(value & 0xFF));
  PutByte(w, static_cast<uint8_t>(value >> 8));
}
void PutLong(PifWriter* w, uint32_t value) {
  PutWord(w, static_cast<uint16_t>(value & 0xFFFF));
  PutWord(w, static_cast<uint16_t>(value >> 16));
}
// A text padded to width with fill bytes (no terminator unless the fill supplies one).
void PutPadded(PifWriter* w, const char* text, uint32_t width, uint8_t fill) {
  uint32_t length = static_cast<uint32_t>(strlen(text));
  PutBytes(w, text, length);
  PutFill(w, fill, width - length);
}
void PutSectionHeader(PifWriter* w, const char* name, uint16_t next, uint16_t data,
                      uint16_t length) {
  PutPadded(w, name, 16, 0x00);
  PutWord(w, next);
  PutWord(w, data);
  PutWord(w, length);
}

void PutBasicSection(PifWriter* w) {
  PutByte(w, 0x00);                   // reserved
  PutByte(w, 0x00);                   // checksum, computed last
  PutPadded(w, "DOS Game", 30, ' ');  // title
  PutWord(w, 128);                    // maximum memory, KB
  PutWord(w, 128);                    // minimum memory, KB
  PutBytes(w, "D.EXE", 6);            // program path with its NUL, filled at run time
  PutFill(w, ' ', 57);
  PutByte(w, 0x10);  // flags
  PutByte(w, 0x00);  // reserved
  PutByte(w, 0x00);  // start-up directory: empty
  PutFill(w, ' ', 63);
  PutFill(w, 0x00, 6);  // parameters: empty
  PutFill(w, ' ', 58);
  PutByte(w, 0x7F);      // screen mode
  PutByte(w, 0x01);      // text pages
  PutByte(w, 0x00);      // first interrupt vector
  PutByte(w, 0xFF);      // last interrupt vector
  PutByte(w, 25);        // screen rows
  PutByte(w, 80);        // screen columns
  PutByte(w, 0x00);      // window row
  PutByte(w, 0x00);      // window column
  PutWord(w, 7);         // system memory
  PutFill(w, 0x00, 64);  // shared program path
  PutFill(w, 0x00, 64);  // shared program data
  PutByte(w, 0xE0);      // flags
  PutByte(w, 0x60);      // flags
}

void PutWindows386Section(PifWriter* w) {
  PutWord(w, 0xFFFF);  // conventional memory limits
  PutWord(w, 0xFFFF);
  PutWord(w, 1000);  // foreground priority
  PutWord(w, 50);    // background priority
  PutWord(w, 1024);  // expanded memory limits
  PutWord(w, 0);
  PutWord(w, 1024);  // extended memory limits
  PutWord(w, 0);
  PutLong(w, 0x0002200C);  // flags
  PutLong(w, 0x000000C9);
  PutFill(w, 0x00, 18);
  PutFill(w, ' ', 62);
}

void PutTemplate(uint8_t* bytes) {
  PifWriter w{bytes, 0};
  PutBasicSection(&w);
  PutSectionHeader(&w, "MICROSOFT PIFEX", 0x0187, 0x0000, 0x0171);
  PutSectionHeader(&w, "WINDOWS 386 3.0", 0x0205, 0x019D, 0x0068);
  PutWindows386Section(&w);
  PutSectionHeader(&w, "WINDOWS 286 3.0", 0xFFFF, 0x021B, 0x0006);
  PutFill(&w, 0x00, 6);
}

}  // namespace

int BuildGamePif(const char* program_path, uint8_t out[kGamePifSize]) {
  size_t length = strlen(program_path);
  if (length > kGamePifPathLength) return 0;
  PutTemplate(out);
  memcpy(out + kGamePifPathField, program_path, length + 1);
  uint8_t sum = 0;
  for (uint32_t i = kChecksumFrom; i <= kChecksumTo; ++i) sum = static_cast<uint8_t>(sum + out[i]);
  out[kChecksumAt] = sum;
  return 1;
}

int CreateGamePif() {
  uint8_t image[kGamePifSize];
  char program[kPathBuffer];
  char file_name[kPathBuffer];
  if (MakeDestinationPath(program, "DOSGAME.EXE") == nullptr || !BuildGamePif(program, image) ||
      JoinPath(file_name, g_setup.windows_dir, "DOSGAME.PIF", nullptr) == nullptr) {
    LogLine("Couldn't create game PIF");
    return 0;
  }
  // An old PIF is copied aside, so that a failed run can put it back; it stays in place should
  // the new one not be made.
  PlatFile file = KeepCopyBeforeChange(file_name) ? PlatCreateFile(file_name) : kPlatNoFile;
  if (file == kPlatNoFile) {
    LogLine("Couldn't create game PIF");
    return 0;
  }
  int written = WriteBlock(file, image, kGamePifSize);
  int closed = PlatCloseFile(file);
  if (!written) return 0;
  if (!closed) {
    LogLine("Couldn't close game PIF");
    return 0;
  }
  LogLine("Created %s", file_name);
  return 1;
}
