// The bounded wsprintfA-style formatter shared by both targets (see platform/format.h).
// It writes through a small cursor that silently stops at the end of the buffer, so no
// conversion can ever run past it.
#include "platform/format.h"

namespace {

struct Output {
  char* text;
  uint32_t size;  // bytes available, the NUL included
  uint32_t used;
};

void Put(Output* out, char c) {
  if (out->used + 1 < out->size) out->text[out->used++] = c;
}

void PutRepeated(Output* out, char c, int count) {
  for (int i = 0; i < count; ++i) Put(out, c);
}

struct Conversion {
  int left_align;
  int zero_pad;
  int alternate;
  int width;
  int precision;  // -1 when none
};

// Writes body (length chars) padded to the conversion's width, with an optional sign or prefix that
// stays in front of zero padding.
void PutField(Output* out, const Conversion& conversion, const char* prefix, const char* body,
              int length) {
  int prefix_length = 0;
  while (prefix[prefix_length] != '\0') ++prefix_length;
  int padding = conversion.width - length - prefix_length;
  if (padding < 0) padding = 0;
  if (!conversion.left_align && !conversion.zero_pad) PutRepeated(out, ' ', padding);
  for (int i = 0; i < prefix_length; ++i) Put(out, prefix[i]);
  if (!conversion.left_align && conversion.zero_pad) PutRepeated(out, '0', padding);
  for (int i = 0; i < length; ++i) Put(out, body[i]);
  if (conversion.left_align) PutRepeated(out, ' ', padding);
}

void PutNumber(Output* out, const Conversion& conversion, uint32_t magnitude, int negative,
               unsigned base, int upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  char reversed[16];
  int count = 0;
  do {
    reversed[count++] = digits[magnitude % base];
    magnitude /= base;
  } while (magnitude != 0);
  char body[48];
  int length = 0;
  for (int zeros = conversion.precision - count; zeros > 0 && length < 32; --zeros)
    body[length++] = '0';
  while (count > 0) body[length++] = reversed[--count];
  const char* prefix = "";
  if (negative) {
    prefix = "-";
  } else if (conversion.alternate && base == 16) {
    prefix = upper ? "0X" : "0x";
  }
  PutField(out, conversion, prefix, body, length);
}

// Reads the flags, width and precision that follow a '%'; returns the position after them.
const char* ReadConversion(const char* p, Conversion* conversion) {
  *conversion = Conversion{0, 0, 0, 0, -1};
  for (;; ++p) {
    if (*p == '-') {
      conversion->left_align = 1;
    } else if (*p == '0') {
      conversion->zero_pad = 1;
    } else if (*p == '#') {
      conversion->alternate = 1;
    } else {
      break;
    }
  }
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (conversion->width < 10000) conversion->width = conversion->width * 10 + (*p - '0');
  }
  if (*p == '.') {
    conversion->precision = 0;
    for (++p; *p >= '0' && *p <= '9'; ++p) {
      if (conversion->precision < 10000)
        conversion->precision = conversion->precision * 10 + (*p - '0');
    }
  }
  return p;
}

}  // namespace

int FormatTextV(char* out, uint32_t size, const char* format, va_list args) {
  if (size == 0) return -1;
  out[0] = '\0';
  if (format == nullptr) return -1;
  Output o{out, size, 0};
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      Put(&o, *p);
      continue;
    }
    Conversion conversion;
    p = ReadConversion(p + 1, &conversion);
    int half = 0;
    while (*p == 'l' || *p == 'h') half = (*p++ == 'h');
    if (*p == '\0') break;
    switch (*p) {
      case 'c':
      case 'C': {
        char c = static_cast<char>(va_arg(args, int));
        conversion.zero_pad = 0;
        PutField(&o, conversion, "", &c, 1);
        break;
      }
      case 's':
      case 'S': {
        const char* text = va_arg(args, const char*);
        if (text == nullptr) text = "(null)";
        conversion.zero_pad = 0;
        int length = 0;
        while (text[length] != '\0' && (conversion.precision < 0 || length < conversion.precision))
          ++length;
        PutField(&o, conversion, "", text, length);
        break;
      }
      case 'd':
      case 'i': {
        int value = va_arg(args, int);
        if (half) value = static_cast<int16_t>(value);
        uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : value;
        PutNumber(&o, conversion, magnitude, value < 0, 10, 0);
        break;
      }
      case 'u':
      case 'x':
      case 'X': {
        uint32_t value = va_arg(args, unsigned int);
        if (half) value &= 0xFFFFu;
        PutNumber(&o, conversion, value, 0, *p == 'u' ? 10 : 16, *p == 'X');
        break;
      }
      default:
        Put(&o, *p);
        break;
    }
  }
  out[o.used] = '\0';
  return static_cast<int>(o.used);
}

int FormatText(char* out, uint32_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int length = FormatTextV(out, size, format, args);
  va_end(args);
  return length;
}
