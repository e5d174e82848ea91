// Reading the payload manifest: sections of key = value lines (or plain items for lists),
// comments after ";" or "#" at the start of a line, values optionally in double quotes with the
// escapes \n \r \t \" and \\. Every text is checked against its capacity here.
#include "tools/vntpack/manifest.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

const size_t kListTextMax = 127;
const size_t kValueListMax = 64;

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// A value as written, or the text of a quoted value with its escapes applied.
bool Unquote(const std::string& raw, std::string* out, std::string* error) {
  if (raw.size() < 2 || raw.front() != '"' || raw.back() != '"') {
    *out = raw;
    return true;
  }
  out->clear();
  for (size_t i = 1; i + 1 < raw.size(); ++i) {
    char c = raw[i];
    if (c != '\\') {
      *out += c;
      continue;
    }
    if (i + 2 >= raw.size()) {
      *error = "a quoted value ends in a lone backslash";
      return false;
    }
    switch (raw[++i]) {
      case 'n':
        *out += '\n';
        break;
      case 'r':
        *out += '\r';
        break;
      case 't':
        *out += '\t';
        break;
      case '"':
        *out += '"';
        break;
      case '\\':
        *out += '\\';
        break;
      default:
        *error = std::string("unknown escape \\") + raw[i];
        return false;
    }
  }
  return true;
}

bool ParseNumber(const std::string& text, uint64_t limit, uint64_t* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  unsigned long long value = strtoull(text.c_str(), &end, 0);
  if (*end != '\0' || text[0] == '-' || value > limit) return false;
  *out = value;
  return true;
}

struct TextField {
  const char* key;
  std::string PayloadLayout::*field;
  size_t capacity;
};

const TextField kTextFields[] = {
    {"reserved_text_1", &PayloadLayout::reserved_text_1, 257},
    {"group_name", &PayloadLayout::group_name, 64},
    {"item_title", &PayloadLayout::item_title, 128},
    {"reserved_text_2", &PayloadLayout::reserved_text_2, 128},
    {"item_program", &PayloadLayout::item_program, 64},
    {"frame_title", &PayloadLayout::frame_title, 64},
    {"version_text", &PayloadLayout::version_text, 32},
    {"welcome_text", &PayloadLayout::welcome_text, 512},
    {"not_found_text", &PayloadLayout::not_found_text, 256},
    {"follow_on_program", &PayloadLayout::follow_on_program, 32},
    {"later_disk_marker", &PayloadLayout::later_disk_marker, 32},
    {"reserved_text_3", &PayloadLayout::reserved_text_3, 64},
    {"reserved_text_4", &PayloadLayout::reserved_text_4, 64},
    {"disk_full_program", &PayloadLayout::disk_full_program, 64},
    {"guide_entry", &PayloadLayout::guide_entry, 32},
};

struct NumberField {
  const char* key;
  uint16_t PayloadLayout::*field;
};

const NumberField kNumberFields[] = {
    {"skip_modem", &PayloadLayout::skip_modem},
    {"suppress_finish", &PayloadLayout::suppress_finish},
    {"check_hardware", &PayloadLayout::check_hardware},
    {"write_version_file", &PayloadLayout::write_version_file},
    {"db_version_stamp", &PayloadLayout::db_version_stamp},
    {"extra_space_kb", &PayloadLayout::extra_space_kb},
    {"ie_build_required", &PayloadLayout::ie_build_required},
};

struct Reader {
  Manifest* manifest;
  std::string folder;  // the manifest's folder, with a trailing "/" (or empty)
  const std::map<std::string, std::string>* overrides;
  std::string section;
  int line = 0;
  std::string error;

  bool Fail(const std::string& message) {
    error = "line " + std::to_string(line) + " [" + section + "]: " + message;
    return false;
  }

  bool CheckText(const std::string& what, const std::string& text, size_t capacity) {
    if (text.size() < capacity) return true;
    return Fail(what + " is " + std::to_string(text.size()) + " characters long; at most " +
                std::to_string(capacity - 1) + " fit");
  }

  bool HeaderLine(const std::string& key, const std::string& value) {
    PayloadLayout& layout = manifest->header;
    for (const TextField& field : kTextFields) {
      if (key != field.key) continue;
      layout.*field.field = value;
      return CheckText(key, value, field.capacity);
    }
    for (const NumberField& field : kNumberFields) {
      if (key != field.key) continue;
      uint64_t number;
      if (!ParseNumber(value, 0xFFFF, &number)) return Fail(key + " is no number from 0 to 65535");
      layout.*field.field = static_cast<uint16_t>(number);
      return true;
    }
    return Fail("unknown field " + key);
  }

  bool PayloadLine(const std::string& key, const std::string& value) {
    if (key != "library") return Fail("unknown setting " + key);
    if (value != "yes" && value != "no") return Fail("library is yes or no");
    manifest->library = value == "yes";
    return true;
  }

  bool ListItem(std::vector<std::string>* list, const std::string& value) {
    list->push_back(value);
    return CheckText("an item", value, kListTextMax + 1);
  }

  bool PairItem(TextPairs* pairs, const std::string& first, const std::string& second) {
    pairs->push_back({first, second});
    return CheckText("a first text", first, kListTextMax + 1) &&
           CheckText("a second text", second, kListTextMax + 1);
  }

  bool ValueItem(std::vector<uint16_t>* values, const std::string& value) {
    uint64_t number;
    if (!ParseNumber(value, 0xFFFF, &number)) return Fail(value + " is no number from 0 to 65535");
    if (values->size() == kValueListMax) return Fail("more than 64 values");
    values->push_back(static_cast<uint16_t>(number));
    return true;
  }

  bool FileLine(const std::string& name, const std::string& value) {
    if (!IsSafeEntryName(name)) {
      return Fail("the entry name " + name + " is empty, absolute, has a drive or a \"..\"");
    }
    if (name.find('/') != std::string::npos)
      return Fail("entry names use \"\\\", not \"/\": " + name);
    if (SameNameNoCase(name, "dunzipnt.dll")) {
      return Fail("dunzipnt.dll comes from \"library = yes\" in [payload], not from [files]");
    }
    for (const ManifestFile& file : manifest->files) {
      if (SameNameNoCase(file.name, name)) return Fail("the entry " + name + " is listed twice");
    }
    std::string source = value;
    auto found = overrides->find(name);
    if (found != overrides->end()) {
      source = found->second;
    } else if (!source.empty() && source[0] != '/') {
      source = folder + source;
    }
    manifest->files.push_back({name, source});
    return true;
  }

  bool Line(const std::string& text) {
    std::string key = text;
    std::string value;
    size_t equals = text.find('=');
    bool has_equals = equals != std::string::npos;
    if (has_equals) {
      key = Trim(text.substr(0, equals));
      if (!Unquote(Trim(text.substr(equals + 1)), &value, &error)) return Fail(error);
    } else if (!Unquote(Trim(text), &key, &error)) {
      return Fail(error);
    }
    PayloadLayout& layout = manifest->header;
    std::vector<std::string>* text_list = nullptr;
    std::vector<uint16_t>* value_list = nullptr;
    TextPairs* pair_list = nullptr;
    if (section == "payload" || section == "header" || section == "files") {
      if (!has_equals) return Fail("expected key = value");
      if (section == "payload") return PayloadLine(key, value);
      if (section == "header") return HeaderLine(key, value);
      return FileLine(key, value);
    }
    const std::map<std::string, std::vector<std::string>*> texts = {
        {"dest_subdirs", &layout.dest_subdirs}, {"windows_deletes", &layout.windows_deletes},
        {"dest_deletes", &layout.dest_deletes}, {"db_pieces_a", &layout.db_pieces_a},
        {"db_pieces_b", &layout.db_pieces_b},   {"ie_installers", &layout.ie_installers}};
    const std::map<std::string, std::vector<uint16_t>*> values = {
        {"accepted_builds", &layout.accepted_builds},
        {"reserved_values_1", &layout.reserved_values_1},
        {"reserved_values_2", &layout.reserved_values_2}};
    if (texts.count(section)) text_list = texts.at(section);
    if (values.count(section)) value_list = values.at(section);
    if (section == "carry_over") pair_list = &layout.carry_over;
    if (section == "reserved_pairs") pair_list = &layout.reserved_pairs;
    if (pair_list != nullptr) {
      if (!has_equals) return Fail("expected first = second (the second may be empty)");
      return PairItem(pair_list, key, value);
    }
    if (has_equals) return Fail("a list takes one item a line, without \"=\"");
    if (text_list != nullptr) return ListItem(text_list, key);
    if (value_list != nullptr) return ValueItem(value_list, key);
    if (section == "reserved_numbers") {
      uint64_t number;
      if (!ParseNumber(key, 0xFFFFFFFFu, &number)) return Fail(key + " is no 32-bit number");
      layout.reserved_numbers.push_back(static_cast<uint32_t>(number));
      return true;
    }
    return Fail("unknown section");
  }
};

}  // namespace

bool SameNameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (toupper(static_cast<unsigned char>(a[i])) != toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool IsSafeEntryName(const std::string& name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/' || name.find(':') != std::string::npos ||
      name.find('\0') != std::string::npos) {
    return false;
  }
  std::istringstream parts(name);
  for (std::string part; std::getline(parts, part, '\\');) {
    if (part.empty() || part == "." || part == "..") return false;
  }
  return name.back() != '\\';
}

bool ReadManifest(const std::string& path, const std::map<std::string, std::string>& overrides,
                  Manifest* out, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = "cannot read the manifest " + path;
    return false;
  }
  *out = Manifest();
  Reader reader;
  reader.manifest = out;
  size_t slash = path.rfind('/');
  reader.folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  reader.overrides = &overrides;
  for (std::string raw; std::getline(file, raw);) {
    ++reader.line;
    std::string text = Trim(raw);
    if (text.empty() || text[0] == ';' || text[0] == '#') continue;
    if (text[0] == '[') {
      if (text.back() != ']') {
        reader.Fail("a section name ends with \"]\"");
        *error = reader.error;
        return false;
      }
      reader.section = Trim(text.substr(1, text.size() - 2));
      continue;
    }
    if (!reader.Line(text)) {
      *error = reader.error;
      return false;
    }
  }
  for (const auto& item : overrides) {
    bool listed = false;
    for (const ManifestFile& f : out->files) listed = listed || SameNameNoCase(f.name, item.first);
    if (!listed) {
      *error = "--file " + item.first + ": the manifest lists no such entry";
      return false;
    }
  }
  const std::string& guide = out->header.guide_entry;
  bool guide_listed = guide.empty();
  for (const ManifestFile& f : out->files)
    guide_listed = guide_listed || SameNameNoCase(f.name, guide);
  if (!guide_listed) {
    *error = "[header] guide_entry " + guide + " names no entry of [files]";
    return false;
  }
  return true;
}
