// ReadCompiledDialogs: the PE headers, the resource directory (type 5, RT_DIALOG, then name or
// number, then language) and each DLGTEMPLATE with its DLGITEMTEMPLATEs, every read checked
// against the file's bounds.
#include "tests/support/compiled_dialogs.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

const uint32_t kRtDialog = 5;
const uint32_t kDsSetFont = 0x40;

// The file's bytes with bounded little-endian reads; a read past the end sets failed.
struct Image {
  std::string bytes;
  bool failed = false;

  uint32_t Read(size_t at, size_t width) {
    if (at + width > bytes.size() || at + width < at) {
      failed = true;
      return 0;
    }
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) {
      value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
    }
    return value;
  }
  uint32_t U16(size_t at) { return Read(at, 2); }
  uint32_t U32(size_t at) { return Read(at, 4); }
};

// A UTF-16 text ended by 0 at *at, as ASCII ("?" for anything else); *at moves past it.
std::string ReadText(Image* image, size_t* at) {
  std::string text;
  for (uint32_t unit = image->U16(*at); !image->failed && unit != 0; unit = image->U16(*at)) {
    text += unit < 0x80 ? static_cast<char>(unit) : '?';
    *at += 2;
  }
  *at += 2;
  return text;
}

// A name-or-ordinal field: 0xFFFF and a number (returned in *ordinal), or a text.
std::string ReadNameOrOrdinal(Image* image, size_t* at, uint32_t* ordinal) {
  *ordinal = 0;
  if (image->U16(*at) == 0xFFFF) {
    *ordinal = image->U16(*at + 2);
    *at += 4;
    return "";
  }
  return ReadText(image, at);
}

void CopyText(char* out, size_t size, const std::string& text) {
  snprintf(out, size, "%s", text.c_str());
}

// The predefined window classes of a control's ordinal class.
std::string ClassOfOrdinal(uint32_t ordinal) {
  switch (ordinal) {
    case 0x80:
      return "BUTTON";
    case 0x81:
      return "EDIT";
    case 0x82:
      return "STATIC";
    case 0x83:
      return "LISTBOX";
    case 0x84:
      return "SCROLLBAR";
    case 0x85:
      return "COMBOBOX";
    default:
      return "#" + std::to_string(ordinal);
  }
}

// Reads the DLGTEMPLATE at file offset at into out; false when it is malformed.
bool ReadTemplate(Image* image, size_t at, HostDialogTemplate* out) {
  out->style = image->U32(at);
  uint32_t item_count = image->U16(at + 8);
  out->x = static_cast<int16_t>(image->U16(at + 10));
  out->y = static_cast<int16_t>(image->U16(at + 12));
  out->cx = static_cast<int16_t>(image->U16(at + 14));
  out->cy = static_cast<int16_t>(image->U16(at + 16));
  size_t cursor = at + 18;
  uint32_t ordinal;
  ReadNameOrOrdinal(image, &cursor, &ordinal);  // menu
  ReadNameOrOrdinal(image, &cursor, &ordinal);  // window class
  CopyText(out->caption, sizeof out->caption, ReadText(image, &cursor));
  if ((out->style & kDsSetFont) != 0) {
    out->font_size = static_cast<int>(image->U16(cursor));
    cursor += 2;
    CopyText(out->font, sizeof out->font, ReadText(image, &cursor));
  }
  if (item_count > static_cast<uint32_t>(kHostControlMax)) return false;
  out->control_count = static_cast<int>(item_count);
  for (uint32_t i = 0; i < item_count && !image->failed; ++i) {
    HostControlTemplate& control = out->controls[i];
    cursor = at + ((cursor - at + 3) & ~static_cast<size_t>(3));  // items are DWORD-aligned
    control.style = image->U32(cursor);
    control.x = static_cast<int16_t>(image->U16(cursor + 8));
    control.y = static_cast<int16_t>(image->U16(cursor + 10));
    control.cx = static_cast<int16_t>(image->U16(cursor + 12));
    control.cy = static_cast<int16_t>(image->U16(cursor + 14));
    control.id = static_cast<int16_t>(image->U16(cursor + 16));
    cursor += 18;
    std::string class_name = ReadNameOrOrdinal(image, &cursor, &ordinal);
    CopyText(control.class_name, sizeof control.class_name,
             ordinal != 0 ? ClassOfOrdinal(ordinal) : class_name);
    CopyText(control.text, sizeof control.text, ReadNameOrOrdinal(image, &cursor, &ordinal));
    control.icon = static_cast<int>(ordinal);
    cursor += 2 + image->U16(cursor);  // creation data
  }
  return !image->failed;
}

}  // namespace

std::vector<HostDialogTemplate> ReadCompiledDialogs(const std::string& path, std::string* error) {
  std::vector<HostDialogTemplate> dialogs;
  std::ifstream file(path, std::ios::binary);
  Image image;
  image.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  uint32_t pe = image.U32(0x3C);
  if (image.bytes.compare(0, 2, "MZ") != 0 || image.U32(pe) != 0x4550) {
    *error = path + " is no PE image";
    return dialogs;
  }
  uint32_t section_count = image.U16(pe + 6);
  size_t optional = pe + 24;
  size_t sections = optional + image.U16(pe + 20);
  uint32_t resource_rva = image.U32(optional + 96 + 2 * 8);  // data directory 2: resources
  size_t resource_base = 0;
  uint32_t section_rva = 0;
  for (uint32_t i = 0; i < section_count; ++i) {
    size_t header = sections + i * 40;
    uint32_t rva = image.U32(header + 12);
    uint32_t size = image.U32(header + 16);
    if (resource_rva >= rva && resource_rva < rva + size) {
      section_rva = rva;
      resource_base = image.U32(header + 20) + (resource_rva - rva);
    }
  }
  if (resource_base == 0 || image.failed) {
    *error = path + " has no resources";
    return dialogs;
  }
  // Entries of a directory: 16-byte header, then 8-byte entries (name or id, offset).
  auto entries = [&image](size_t directory, std::vector<std::pair<uint32_t, uint32_t>>* out) {
    uint32_t count = image.U16(directory + 12) + image.U16(directory + 14);
    for (uint32_t i = 0; i < count && !image.failed; ++i) {
      out->push_back({image.U32(directory + 16 + i * 8), image.U32(directory + 20 + i * 8)});
    }
  };
  std::vector<std::pair<uint32_t, uint32_t>> types;
  entries(resource_base, &types);
  for (const auto& [type, type_offset] : types) {
    if (type != kRtDialog || (type_offset & 0x80000000u) == 0) continue;
    std::vector<std::pair<uint32_t, uint32_t>> names;
    entries(resource_base + (type_offset & 0x7FFFFFFFu), &names);
    for (const auto& [name, name_offset] : names) {
      std::vector<std::pair<uint32_t, uint32_t>> languages;
      entries(resource_base + (name_offset & 0x7FFFFFFFu), &languages);
      for (const auto& [language, data_offset] : languages) {
        HostDialogTemplate dialog = {};
        if ((name & 0x80000000u) != 0) {
          size_t at = resource_base + (name & 0x7FFFFFFFu);
          std::string text;
          for (uint32_t i = 0, length = image.U16(at); i < length && !image.failed; ++i) {
            text += static_cast<char>(image.U16(at + 2 + 2 * i) & 0x7F);
          }
          CopyText(dialog.name, sizeof dialog.name, text);
        } else {
          dialog.id = static_cast<int>(name);
        }
        dialog.language = static_cast<int>(language);
        size_t data = resource_base + data_offset;
        size_t at = image.U32(data) - section_rva + (resource_base - (resource_rva - section_rva));
        if (!ReadTemplate(&image, at, &dialog)) {
          *error = "dialog " + std::to_string(dialog.id) + " of " + path + " is malformed";
          return {};
        }
        dialogs.push_back(dialog);
      }
    }
  }
  if (image.failed) {
    *error = path + " is cut short";
    return {};
  }
  return dialogs;
}
