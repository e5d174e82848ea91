// Reading and writing whole host files.
#include "tools/common/whole_files.h"

#include <fstream>
#include <sstream>

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream data;
  data << file.rdbuf();
  *bytes = data.str();
  return !file.bad();
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
  file.close();
  return file.good();
}
