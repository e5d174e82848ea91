// Block copies of entry data out of the payload, each block written through WriteBlock.
#include "payload/entry_copy.h"

#include "services/errors.h"
#include "services/file_writing.h"
#include "services/setup_state.h"
#include "ui/dialog_manager.h"
#include "ui/gauge.h"

int CopyEntryDataWithProgress(PlatFile file, const PayloadEntry& entry, PlatWindow dialog,
                              uint32_t base, uint32_t divisor) {
  if (divisor == 0) divisor = 1;
  // kPlatFileError is no position, even for an entry that claims it as its offset.
  uint32_t position = PlatSeekFile(g_reader.file, entry.data_offset, kSeekBegin);
  if (position == kPlatFileError || position != entry.data_offset) {
    return FailWith(kErrorMemberSeek);
  }
  uint32_t copied = 0;
  while (copied < entry.packed_size) {
    uint32_t left = entry.packed_size - copied;
    uint16_t block = static_cast<uint16_t>(left < kCopyBufferSize ? left : kCopyBufferSize);
    if (PlatReadFile(g_reader.file, g_reader.copy_buffer, block) != block) {
      return FailWith(kErrorMemberRead);
    }
    if (!WriteBlock(file, g_reader.copy_buffer, block)) return FailWith(kErrorMemberWrite);
    SendGaugePosition(dialog, (base + copied) / divisor);
    copied += block;
    // A large entry takes many seconds: the dialog answers after every block (one peek a block),
    // and a confirmed Cancel stops the copy there.
    if (dialog != nullptr) {
      PumpMessages();
      if (g_setup.install_stopped) return 0;
    }
  }
  return 1;
}

int CopyEntryData(PlatFile file, const PayloadEntry& entry) {
  return CopyEntryDataWithProgress(file, entry, nullptr, 0, 1);
}
