// Runs zip and python3 in a scratch directory to make the archives of the extraction tests.
#include "tests/support/archive_tools.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

const time_t kMemberTime = 981173106;  // 2001-02-03 04:05:06 UTC

std::string ScratchDirectory() {
  const char* temp = getenv("TMPDIR");
  std::string name =
      std::string(temp != nullptr && temp[0] != '\0' ? temp : "/tmp") + "/vnt-zip-XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  return mkdtemp(buffer.data()) != nullptr ? std::string(buffer.data()) : std::string();
}

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
}

// A Python literal of bytes: every byte as \xHH.
std::string PythonBytes(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "b'";
  for (unsigned char c : bytes) {
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out + "'";
}

std::string RunInScratch(const std::string& name, const std::string& data,
                         const std::string& command) {
  std::string dir = ScratchDirectory();
  EXPECT_FALSE(dir.empty());
  if (!name.empty()) {
    WriteAll(dir + "/" + name, data);
    struct timespec times[2] = {{kMemberTime, 0}, {kMemberTime, 0}};
    utimensat(AT_FDCWD, (dir + "/" + name).c_str(), times, 0);
  }
  std::string full = "cd '" + dir + "' && (TZ=UTC " + command + ") >/dev/null 2>&1";
  EXPECT_EQ(system(full.c_str()), 0) << full;
  std::string archive = ReadAll(dir + "/out.zip");
  system(("rm -rf '" + dir + "'").c_str());
  EXPECT_FALSE(archive.empty()) << command;
  return archive;
}

std::string PythonScript(const std::string& body) {
  return "python3 -c \"import io, zipfile\n" + body + "\"";
}

}  // namespace

std::string MakeArchive(ZipMaker maker, const std::string& name, const std::string& data) {
  switch (maker) {
    case kInfoZipStored:
      return RunInScratch(name, data, "zip -q -X -0 out.zip '" + name + "'");
    case kInfoZipDeflated:
      return RunInScratch(name, data, "zip -q -X -9 out.zip '" + name + "'");
    case kInfoZipDescriptor:
      return RunInScratch(name, data, "zip -q -X - '" + name + "' | cat > out.zip");
    default:
      break;
  }
  std::string method = maker == kPythonStored ? "zipfile.ZIP_STORED" : "zipfile.ZIP_DEFLATED";
  std::string member = "info = zipfile.ZipInfo('" + name + "', (2001, 2, 3, 4, 5, 6))\n" +
                       "info.compress_type = " + method + "\n";
  if (maker == kPythonDescriptor) {
    // A stream that cannot seek makes zipfile write a data descriptor after the data.
    return RunInScratch("data.bin", data,
                        PythonScript("class Pipe(io.RawIOBase):\n"
                                     "  def __init__(self, f): self.f = f\n"
                                     "  def writable(self): return True\n"
                                     "  def write(self, b): return self.f.write(b)\n"
                                     "out = open('out.zip', 'wb')\n" +
                                     member +
                                     "with zipfile.ZipFile(Pipe(out), 'w') as z:\n"
                                     "  z.writestr(info, open('data.bin', 'rb').read())\n"));
  }
  return RunInScratch("data.bin", data,
                      PythonScript(member + "with zipfile.ZipFile('out.zip', 'w') as z:\n"
                                            "  z.writestr(info, open('data.bin', 'rb').read())\n"));
}

std::string MakePythonArchive(const std::initializer_list<std::string>& names_and_data) {
  std::string body = "with zipfile.ZipFile('out.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n  pass\n";
  for (auto it = names_and_data.begin(); it != names_and_data.end(); it += 2) {
    body += "  z.writestr(zipfile.ZipInfo(" + PythonBytes(*it) + ".decode('latin-1'), " +
            "(2001, 2, 3, 4, 5, 6)), " + PythonBytes(*(it + 1)) + ")\n";
  }
  return RunInScratch("", "", PythonScript(body));
}

size_t CentralEntryOffset(const std::string& archive) {
  size_t end = archive.size() - 22;
  const unsigned char* at = reinterpret_cast<const unsigned char*>(archive.data()) + end + 16;
  return static_cast<size_t>(at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24);
}

void PatchU16(std::string* archive, size_t offset, uint16_t value) {
  (*archive)[offset] = static_cast<char>(value & 0xFF);
  (*archive)[offset + 1] = static_cast<char>(value >> 8);
}

void PatchU32(std::string* archive, size_t offset, uint32_t value) {
  PatchU16(archive, offset, static_cast<uint16_t>(value & 0xFFFF));
  PatchU16(archive, offset + 2, static_cast<uint16_t>(value >> 16));
}

std::string MixedData(size_t size, uint32_t seed) {
  static const char kWords[] = "Velnet client script data, line after line of text. ";
  std::string out;
  out.reserve(size);
  uint32_t state = seed * 2654435761u + 1;
  while (out.size() < size) {
    state = state * 1664525u + 1013904223u;
    size_t run = 512 + (state >> 20) % 8192;
    int kind = static_cast<int>((state >> 8) % 3);
    for (size_t i = 0; i < run && out.size() < size; ++i) {
      if (kind == 0) {
        out.push_back(kWords[i % (sizeof kWords - 1)]);
      } else if (kind == 1) {
        out.push_back('\0');
      } else {
        state = state * 1664525u + 1013904223u;
        out.push_back(static_cast<char>(state >> 24));
      }
    }
  }
  return out;
}

std::string ReadHostFile(const std::string& path) {
  return ReadAll(path);
}

const std::string& ExtractionLibraryBytes() {
  static const std::string bytes = ReadAll(DUNZIP_HOST_LIBRARY);
  return bytes;
}
