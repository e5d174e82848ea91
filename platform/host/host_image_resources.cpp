// The resources of a Windows program file on the simulated machine, read as Windows' loader
// reads them: the PE headers, the resource directory (type, name, first language) and the
// section that holds the data. Only what PlatReadProgramMarker needs: RCDATA 100, the payload
// marker of a SETUP.EXE. Every offset read from the file is checked against what was read.
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/host/host_backend.h"
#include "platform/system.h"

namespace {

// The image lies at the start of the file; a payload attached to it may follow.
const long kMostRead = 64L << 20;
const uint32_t kRcData = 10;
const uint32_t kMarkerResource = 100;
const uint32_t kSubdirectory = 0x80000000u;

struct Image {
  std::vector<uint8_t> bytes;
  uint32_t sections = 0;  // file offset of the section table
  uint32_t section_count = 0;
};

int Read16(const Image& image, uint32_t at, uint32_t* value) {
  if (at > image.bytes.size() || image.bytes.size() - at < 2) return 0;
  *value = image.bytes[at] | image.bytes[at + 1] << 8;
  return 1;
}

int Read32(const Image& image, uint32_t at, uint32_t* value) {
  if (at > image.bytes.size() || image.bytes.size() - at < 4) return 0;
  *value = static_cast<uint32_t>(image.bytes[at]) |
           static_cast<uint32_t>(image.bytes[at + 1]) << 8 |
           static_cast<uint32_t>(image.bytes[at + 2]) << 16 |
           static_cast<uint32_t>(image.bytes[at + 3]) << 24;
  return 1;
}

// The file offset of an address of the loaded image, inside the section that holds it.
int FileOffsetOf(const Image& image, uint32_t address, uint32_t* offset) {
  for (uint32_t i = 0; i < image.section_count; ++i) {
    uint32_t header = image.sections + i * 40;
    uint32_t virtual_size;
    uint32_t start;
    uint32_t raw_size;
    uint32_t raw_start;
    if (!Read32(image, header + 8, &virtual_size) || !Read32(image, header + 12, &start) ||
        !Read32(image, header + 16, &raw_size) || !Read32(image, header + 20, &raw_start)) {
      return 0;
    }
    uint32_t size = virtual_size > raw_size ? virtual_size : raw_size;
    if (address >= start && address - start < size) {
      if (address - start >= raw_size) return 0;  // not in the file
      *offset = raw_start + (address - start);
      return *offset >= raw_start;
    }
  }
  return 0;
}

// The entry of a resource directory (at its file offset) whose id is id, or the first entry
// when id is 0; its data field (an offset from the resource root) in out.
int FindEntry(const Image& image, uint32_t directory, uint32_t id, uint32_t* out) {
  uint32_t named;
  uint32_t numbered;
  if (!Read16(image, directory + 12, &named) || !Read16(image, directory + 14, &numbered)) {
    return 0;
  }
  for (uint32_t i = 0; i < named + numbered; ++i) {
    uint32_t entry = directory + 16 + i * 8;
    uint32_t name;
    if (!Read32(image, entry, &name) || !Read32(image, entry + 4, out)) return 0;
    if (id == 0 || name == id) return 1;
  }
  return 0;
}

int ReadImage(const char* host_path, Image* image) {
  FILE* file = fopen(host_path, "rb");
  if (file == nullptr) return 0;
  long length = fseek(file, 0, SEEK_END) == 0 ? ftell(file) : -1;
  if (length < 0 || fseek(file, 0, SEEK_SET) != 0) {
    fclose(file);
    return 0;
  }
  image->bytes.resize(length < kMostRead ? static_cast<size_t>(length) : kMostRead);
  size_t read = fread(image->bytes.data(), 1, image->bytes.size(), file);
  fclose(file);
  image->bytes.resize(read);
  uint32_t pe;
  uint32_t signature;
  uint32_t count;
  uint32_t optional_size;
  if (read < 64 || image->bytes[0] != 'M' || image->bytes[1] != 'Z' || !Read32(*image, 60, &pe) ||
      !Read32(*image, pe, &signature) || signature != 0x00004550 ||
      !Read16(*image, pe + 6, &count) || !Read16(*image, pe + 20, &optional_size)) {
    return 0;
  }
  image->sections = pe + 24 + optional_size;
  image->section_count = count;
  return image->sections > pe;
}

// The file offset of the resource root, from the optional header's data directory 2.
int ResourceRoot(const Image& image, uint32_t* root) {
  uint32_t pe;
  uint32_t magic;
  if (!Read32(image, 60, &pe) || !Read16(image, pe + 24, &magic)) return 0;
  uint32_t directories = pe + 24 + (magic == 0x20B ? 112 : 96);
  uint32_t count_at = directories - 4;
  uint32_t count;
  uint32_t address;
  uint32_t size;
  if ((magic != 0x10B && magic != 0x20B) || !Read32(image, count_at, &count) || count < 3 ||
      !Read32(image, directories + 16, &address) || !Read32(image, directories + 20, &size) ||
      address == 0 || size == 0) {
    return 0;
  }
  return FileOffsetOf(image, address, root);
}

}  // namespace

int PlatReadProgramMarker(const char* program, uint8_t out[kPayloadMarkerSize]) {
  HostResolvedPath resolved;
  Image image;
  uint32_t root;
  if (program == nullptr || !HostResolvePath(program, &resolved) ||
      !ReadImage(resolved.host, &image) || !ResourceRoot(image, &root)) {
    return 0;
  }
  // Type, then name, then language: the first two must be subdirectories, the last a leaf.
  uint32_t next = root;
  const uint32_t ids[] = {kRcData, kMarkerResource, 0};
  for (uint32_t level = 0; level < 3; ++level) {
    uint32_t data;
    if (!FindEntry(image, next, ids[level], &data)) return 0;
    int is_directory = (data & kSubdirectory) != 0;
    if (is_directory != (level < 2) || (data & ~kSubdirectory) > image.bytes.size() - root) {
      return 0;
    }
    next = root + (data & ~kSubdirectory);
  }
  uint32_t address;
  uint32_t size;
  uint32_t offset;
  if (!Read32(image, next, &address) || !Read32(image, next + 4, &size) ||
      size < kPayloadMarkerSize || !FileOffsetOf(image, address, &offset) ||
      offset > image.bytes.size() || image.bytes.size() - offset < kPayloadMarkerSize) {
    return 0;
  }
  memcpy(out, image.bytes.data() + offset, kPayloadMarkerSize);
  return 1;
}
