// Parsing of vntdb's record specifications and description files.
#include "tools/vntdb/description.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "tools/common/whole_files.h"

namespace {

std::vector<std::string> SplitOn(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream stream(text);
  while (std::getline(stream, part, separator)) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.push_back("");
  return parts;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The text with \\, \n, \r, \t and \xHH replaced by the bytes they stand for.
bool Unescape(const std::string& text, std::string* out, std::string* error) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      *out += text[i];
      continue;
    }
    char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (next == '\\' || next == 'n' || next == 'r' || next == 't') {
      *out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : '\\';
      ++i;
    } else if (next == 'x' && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 &&
               HexDigit(text[i + 3]) >= 0) {
      *out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
      i += 3;
    } else {
      *error = "unknown escape in \"" + text + "\" (\\\\, \\n, \\r, \\t and \\xHH are known)";
      return false;
    }
  }
  return true;
}

}  // namespace

bool ParseNumber(const std::string& text, uint32_t* value) {
  if (text.empty() || !isdigit(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long number = strtoull(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || number > 0xFFFFFFFFull) return false;
  *value = static_cast<uint32_t>(number);
  return true;
}

bool AddRecord(const std::string& record_text, const std::string& base, DatabaseLayout* layout,
               std::string* error) {
  size_t equals = record_text.find('=');
  if (equals == std::string::npos) {
    *error = "\"" + record_text + "\" is no record (GID[,TYPE[,FLAGS]]=TEXT or =@PATH)";
    return false;
  }
  std::vector<std::string> key = SplitOn(record_text.substr(0, equals), ',');
  DatabaseRecord record;
  uint32_t flags = 0;
  if (key.empty() || key.size() > 3 || !ParseNumber(key[0], &record.gid)) {
    *error = "\"" + record_text + "\": the GID must be a number";
    return false;
  }
  if (key.size() >= 2) {
    if (key[1].size() != 1) {
      *error = "\"" + record_text + "\": the type is one character";
      return false;
    }
    record.type = key[1][0];
  }
  if (key.size() == 3 && (!ParseNumber(key[2], &flags) || flags > 0xFF)) {
    *error = "\"" + record_text + "\": the flags are a number from 0 to 0xFF";
    return false;
  }
  record.flags = static_cast<uint8_t>(flags);
  std::string value = record_text.substr(equals + 1);
  if (!value.empty() && value[0] == '@') {
    std::filesystem::path path(value.substr(1));
    if (path.is_relative()) path = std::filesystem::path(base) / path;
    if (!ReadWholeFile(path.string(), &record.data)) {
      *error = path.string() + ": cannot be read";
      return false;
    }
  } else if (!Unescape(value, &record.data, error)) {
    return false;
  }
  layout->records.push_back(record);
  return true;
}

bool ReadDescription(const std::string& path, DatabaseLayout* layout, std::string* error) {
  std::ifstream file(path);
  if (!file) {
    *error = path + ": cannot be read";
    return false;
  }
  std::string base = std::filesystem::path(path).parent_path().string();
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    size_t blank = line.find_first_of(" \t", start);
    std::string word = line.substr(start, blank - start);
    std::string rest;
    if (blank != std::string::npos) {
      size_t value = line.find_first_not_of(" \t", blank);
      if (value != std::string::npos) rest = line.substr(value);
    }
    std::string where = path + ":" + std::to_string(number) + ": ";
    std::vector<std::string> values = SplitOn(rest, ' ');
    bool good = true;
    std::string message;
    if (word == "kind") {
      good = ParseNumber(rest, &layout->kind);
      message = "the kind is a number";
    } else if (word == "form") {
      good = rest == "current" || rest == "older";
      layout->form = rest == "older" ? kDbOlderForm : kDbCurrentForm;
      message = "the form is \"current\" or \"older\"";
    } else if (word == "reserved") {
      good = values.size() == 3;
      for (size_t i = 0; good && i < 3; ++i) good = ParseNumber(values[i], &layout->reserved[i]);
      message = "reserved takes three numbers";
    } else if (word == "record") {
      good = AddRecord(rest, base, layout, &message);
    } else {
      good = false;
      message = "unknown line \"" + word + "\" (kind, form, reserved or record)";
    }
    if (!good) {
      *error = where + message;
      return false;
    }
  }
  return true;
}
