// Reading the payload manifest: sections of key = value lines (or plain items for lists),
// comments after ";" or "#" at the start of a line, values optionally in double quotes with the
// escapes \n \r \t \" and \\. Every text is checked against its capacity here.
#include "tools/vntpack/manifest.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "services/entry_names.h"

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

struct TextList {
  const char* name;
  std::vector<std::string> PayloadLayout::*list;
};

const TextList kTextLists[] = {{"dest_subdirs", &PayloadLayout::dest_subdirs},
                               {"windows_deletes", &PayloadLayout::windows_deletes},
                               {"dest_deletes", &PayloadLayout::dest_deletes},
                               {"db_pieces_a", &PayloadLayout::db_pieces_a},
                               {"db_pieces_b", &PayloadLayout::db_pieces_b},
                               {"ie_installers", &PayloadLayout::ie_installers}};

struct ValueList {
  const char* name;
  std::vector<uint16_t> PayloadLayout::*list;
};

const ValueList kValueLists[] = {{"accepted_builds", &PayloadLayout::accepted_builds},
                                 {"reserved_values_1", &PayloadLayout::reserved_values_1},
                                 {"reserved_values_2", &PayloadLayout::reserved_values_2}};

struct PairList {
  const char* name;
  TextPairs PayloadLayout::*list;
};

const PairList kPairLists[] = {{"reserved_pairs", &PayloadLayout::reserved_pairs},
                               {"carry_over", &PayloadLayout::carry_over}};

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

std::string CapacityMessage(const std::string& what, const std::string& text, size_t capacity) {
  return what + " is " + std::to_string(text.size()) + " characters long; at most " +
         std::to_string(capacity - 1) + " fit";
}

bool SetHeaderField(PayloadLayout* layout, const std::string& key, const std::string& value,
                    std::string* error) {
  for (const TextField& field : kTextFields) {
    if (key != field.key) continue;
    layout->*field.field = value;
    if (value.size() < field.capacity) return true;
    *error = CapacityMessage(key, value, field.capacity);
    return false;
  }
  for (const NumberField& field : kNumberFields) {
    if (key != field.key) continue;
    uint64_t number;
    if (!ParseNumber(value, 0xFFFF, &number)) {
      *error = key + " is no number from 0 to 65535";
      return false;
    }
    layout->*field.field = static_cast<uint16_t>(number);
    return true;
  }
  *error = "unknown field " + key;
  return false;
}

struct Reader {
  Manifest* manifest;
  std::string folder;  // the manifest's folder, with a trailing "/" (or empty)
  const std::map<std::string, std::string>* overrides;
  std::string section;
  int line = 0;
  std::string error;

  bool Fail(const std::string& message) {
    error = "line " + std::to_string(line) + (section.empty() ? "" : " [" + section + "]") + ": " +
            message;
    return false;
  }

  bool CheckText(const std::string& what, const std::string& text, size_t capacity) {
    return text.size() < capacity || Fail(CapacityMessage(what, text, capacity));
  }

  bool HeaderLine(const std::string& key, const std::string& value) {
    std::string message;
    return SetHeaderField(&manifest->header, key, value, &message) || Fail(message);
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
    if (name.find('/') != std::string::npos)
      return Fail("entry names use \"\\\", not \"/\": " + name);
    if (!IsPackableEntryName(name)) {
      return Fail("the entry name " + name +
                  " is one the setup refuses or reads as another (empty, absolute, a drive, "
                  "\"..\", a device, a name of the setup's own files, a character Windows "
                  "refuses, a trailing dot or blank)");
    }
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
    if (section.empty()) return Fail("a line before the first section");
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
    for (const TextList& list : kTextLists) {
      if (section == list.name) text_list = &(layout.*list.list);
    }
    for (const ValueList& list : kValueLists) {
      if (section == list.name) value_list = &(layout.*list.list);
    }
    for (const PairList& list : kPairLists) {
      if (section == list.name) pair_list = &(layout.*list.list);
    }
    if (pair_list != nullptr) {
      if (!has_equals) return Fail("expected first = second (the second may be empty)");
      return PairItem(pair_list, key, value);
    }
    if (has_equals) return Fail("a list takes one item a line, without \"=\"");
    if (text_list != nullptr) return ListItem(text_list, key);
    if (value_list != nullptr) return ValueItem(value_list, key);
    uint64_t number;
    if (!ParseNumber(key, 0xFFFFFFFFu, &number)) return Fail(key + " is no 32-bit number");
    layout.reserved_numbers.push_back(static_cast<uint32_t>(number));
    return true;
  }
};

bool IsKnownSection(const std::string& name) {
  for (const char* known : {"payload", "header", "files", "reserved_numbers"}) {
    if (name == known) return true;
  }
  for (const TextList& list : kTextLists) {
    if (name == list.name) return true;
  }
  for (const ValueList& list : kValueLists) {
    if (name == list.name) return true;
  }
  for (const PairList& list : kPairLists) {
    if (name == list.name) return true;
  }
  return false;
}

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

bool IsPackableEntryName(const std::string& name) {
  if (name.find('\0') != std::string::npos || !IsEntryNameAccepted(name.c_str())) return false;
  std::string kept = name;
  NormaliseEntryName(&kept[0]);
  return kept.c_str() == name;
}

bool ApplyManifestText(std::istream& text, const std::string& folder,
                       const std::map<std::string, std::string>& overrides, Manifest* out,
                       std::string* error) {
  Reader reader;
  reader.manifest = out;
  reader.folder = folder;
  reader.overrides = &overrides;
  for (std::string raw; std::getline(text, raw);) {
    ++reader.line;
    std::string line = Trim(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.back() != ']') {
        reader.Fail("a section name ends with \"]\"");
        *error = reader.error;
        return false;
      }
      std::string section = Trim(line.substr(1, line.size() - 2));
      if (!IsKnownSection(section)) {
        reader.section.clear();
        reader.Fail("unknown section [" + section + "]");
        *error = reader.error;
        return false;
      }
      reader.section = section;
      continue;
    }
    if (!reader.Line(line)) {
      *error = reader.error;
      return false;
    }
  }
  return true;
}

bool SetHeaderSetting(const std::string& setting, PayloadLayout* layout, std::string* error) {
  size_t equals = setting.find('=');
  if (equals == std::string::npos) {
    *error = "expected FIELD=VALUE, not " + setting;
    return false;
  }
  std::string value;
  return Unquote(Trim(setting.substr(equals + 1)), &value, error) &&
         SetHeaderField(layout, Trim(setting.substr(0, equals)), value, error);
}

bool ReadManifest(const std::string& path, const std::map<std::string, std::string>& overrides,
                  Manifest* out, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = "cannot read the manifest " + path;
    return false;
  }
  *out = Manifest();
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  if (!ApplyManifestText(file, folder, overrides, out, error)) return false;
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

namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string ManifestText(const Manifest& manifest, const std::string& comment) {
  std::ostringstream out;
  std::istringstream comment_lines(comment);
  for (std::string line; std::getline(comment_lines, line);) out << "; " << line << "\n";
  const PayloadLayout& layout = manifest.header;
  out << "\n[payload]\nlibrary = " << (manifest.library ? "yes" : "no") << "\n\n[header]\n";
  for (const TextField& field : kTextFields) {
    const std::string& text = layout.*field.field;
    if (!text.empty()) out << field.key << " = " << Quoted(text) << "\n";
  }
  for (const NumberField& field : kNumberFields) {
    uint16_t number = layout.*field.field;
    if (number == 0) continue;
    out << field.key << " = ";
    if (field.field == &PayloadLayout::db_version_stamp) {
      out << "0x" << std::hex << number << std::dec << "\n";
    } else {
      out << number << "\n";
    }
  }
  if (!layout.reserved_numbers.empty()) out << "\n[reserved_numbers]\n";
  for (uint32_t number : layout.reserved_numbers) out << number << "\n";
  for (const PairList& list : kPairLists) {
    if (!(layout.*list.list).empty()) out << "\n[" << list.name << "]\n";
    for (const auto& pair : layout.*list.list) {
      out << pair.first << " = " << Quoted(pair.second) << "\n";
    }
  }
  for (const TextList& list : kTextLists) {
    if (!(layout.*list.list).empty()) out << "\n[" << list.name << "]\n";
    for (const std::string& item : layout.*list.list) out << Quoted(item) << "\n";
  }
  for (const ValueList& list : kValueLists) {
    if (!(layout.*list.list).empty()) out << "\n[" << list.name << "]\n";
    for (uint16_t value : layout.*list.list) {
      out << "0x" << std::hex << value << std::dec << "\n";
    }
  }
  out << "\n[files]\n";
  for (const ManifestFile& file : manifest.files) out << file.name << " = " << file.source << "\n";
  return out.str();
}
