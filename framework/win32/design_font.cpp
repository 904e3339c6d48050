#include "framework/win32/design_font.h"

#include <iterator>
#include <variant>
#include <vector>

namespace talvex::win32 {

int CharsetFromName(const std::string& name) {
  static const struct {
    const char* name;
    int value;
  } kCharsets[] = {
      {"ANSI_CHARSET", 0},      {"DEFAULT_CHARSET", 1},    {"SYMBOL_CHARSET", 2},
      {"MAC_CHARSET", 77},      {"SHIFTJIS_CHARSET", 128}, {"HANGEUL_CHARSET", 129},
      {"JOHAB_CHARSET", 130},   {"GB2312_CHARSET", 134},   {"CHINESEBIG5_CHARSET", 136},
      {"GREEK_CHARSET", 161},   {"TURKISH_CHARSET", 162},  {"VIETNAMESE_CHARSET", 163},
      {"HEBREW_CHARSET", 177},  {"ARABIC_CHARSET", 178},   {"BALTIC_CHARSET", 186},
      {"RUSSIAN_CHARSET", 204}, {"THAI_CHARSET", 222},     {"EASTEUROPE_CHARSET", 238},
      {"OEM_CHARSET", 255},
  };
  for (const auto& entry : kCharsets)
    if (name == entry.name)
      return entry.value;
  return -1;
}

FontSpec ResolveFont(const TControl& control) {
  FontSpec spec = control.Parent() != nullptr ? ResolveFont(*control.Parent()) : FontSpec{};
  if (const DesignValue* name = control.StoredProperty("Font.Name")) {
    if (const auto* text = std::get_if<std::string>(name))
      spec.name = *text;
  }
  if (const DesignValue* height = control.StoredProperty("Font.Height")) {
    if (const auto* number = std::get_if<long long>(height))
      spec.height = static_cast<int>(*number);
  }
  if (const DesignValue* style = control.StoredProperty("Font.Style")) {
    if (const auto* set = std::get_if<DesignSet>(style)) {
      spec.bold = spec.italic = spec.underline = spec.strikeOut = false;
      for (const std::string& item : set->items) {
        if (item == "fsBold")
          spec.bold = true;
        if (item == "fsItalic")
          spec.italic = true;
        if (item == "fsUnderline")
          spec.underline = true;
        if (item == "fsStrikeOut")
          spec.strikeOut = true;
      }
    }
  }
  if (const DesignValue* charset = control.StoredProperty("Font.Charset")) {
    if (const auto* number = std::get_if<long long>(charset)) {
      if (*number >= 0 && *number <= 255)
        spec.charset = static_cast<int>(*number);
    } else if (const auto* identifier = std::get_if<DesignIdentifier>(charset)) {
      int value = CharsetFromName(identifier->name);
      if (value >= 0)
        spec.charset = value;
    }
  }
  return spec;
}

}  // namespace talvex::win32
