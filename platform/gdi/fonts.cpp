// Fonts: LOGFONTW requests resolved through fontconfig to the Liberation faces, loaded once
// and kept, and sized into cairo scaled fonts drawn without antialiasing.
#include "gdi/gdi_private.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <tuple>


namespace platform::detail {
namespace {

constexpr double kDefaultEm = 11.0;  // the system font: 11-pixel em, 13-pixel lines
constexpr double kLargestEm = 4096.0;

std::string Lower(const std::wstring& s) {
  std::string out;
  for (wchar_t c : s) out.push_back(c >= 0 && c < 128 ? static_cast<char>(std::towlower(static_cast<wint_t>(c))) : '?');
  return out;
}

bool SameName(const char* a, const std::string& b) {
  if (a == nullptr) return false;
  std::string x(a);
  std::transform(x.begin(), x.end(), x.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  std::string y(b);
  std::transform(y.begin(), y.end(), y.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return x == y;
}

// Faces that Windows programs ask for by name, mapped to the Liberation face with the same
// metrics (Tahoma, the Pocket PC's own face, is close enough to Arial's widths).
const char* MetricTwin(const std::string& face) {
  static const std::map<std::string, const char*> twins = {
      {"arial", "Liberation Sans"},           {"helvetica", "Liberation Sans"},
      {"tahoma", "Liberation Sans"},          {"ms sans serif", "Liberation Sans"},
      {"microsoft sans serif", "Liberation Sans"}, {"segoe ui", "Liberation Sans"},
      {"system", "Liberation Sans"},          {"times new roman", "Liberation Serif"},
      {"times", "Liberation Serif"},          {"courier new", "Liberation Mono"},
      {"courier", "Liberation Mono"},         {"liberation sans", "Liberation Sans"},
      {"liberation serif", "Liberation Serif"}, {"liberation mono", "Liberation Mono"}};
  const auto found = twins.find(face);
  return found == twins.end() ? nullptr : found->second;
}

// The font mapper's choice by pitch and family when no face name decides.
const char* FamilyFace(BYTE pitchAndFamily) {
  const BYTE family = pitchAndFamily & 0xF0;
  if (family == FF_ROMAN) return "Liberation Serif";
  if (family == FF_MODERN || (pitchAndFamily & 0x3) == FIXED_PITCH) return "Liberation Mono";
  return "Liberation Sans";
}

// fontconfig's best match for the family; *exact tells whether it is that family.
FcPattern* MatchFamily(const std::string& family, bool bold, bool italic, bool* exact) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  *exact = false;
  if (match == nullptr) return nullptr;
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (SameName(reinterpret_cast<const char*>(name), family)) *exact = true;
  }
  return match;
}

std::string FamilyOf(FcPattern* match) {
  FcChar8* name = nullptr;
  if (FcPatternGetString(match, FC_FAMILY, 0, &name) != FcResultMatch) return "?";
  return reinterpret_cast<const char*>(name);
}

// Crisp one-bit glyphs: the font's own hinting, no antialiasing, whatever the user's
// fontconfig settings say.
void MakeCrisp(FcPattern* match) {
  FcPatternDel(match, FC_ANTIALIAS);
  FcPatternAddBool(match, FC_ANTIALIAS, FcFalse);
  FcPatternDel(match, FC_HINTING);
  FcPatternAddBool(match, FC_HINTING, FcTrue);
  FcPatternDel(match, FC_HINT_STYLE);
  FcPatternAddInteger(match, FC_HINT_STYLE, FC_HINT_FULL);
  FcPatternDel(match, FC_AUTOHINT);
  FcPatternAddBool(match, FC_AUTOHINT, FcFalse);
}

// Loads a face once per (family, bold, italic) and keeps it for the life of the process.
cairo_font_face_t* FaceFor(const std::string& requested, BYTE pitchAndFamily, bool bold, bool italic) {
  using Key = std::tuple<std::string, BYTE, bool, bool>;
  static auto* faces = new std::map<Key, cairo_font_face_t*>;
  static auto* complained = new std::set<std::string>;
  const Key key{requested, pitchAndFamily, bold, italic};
  const auto found = faces->find(key);
  if (found != faces->end()) return found->second;

  bool exact = false;
  FcPattern* match = nullptr;
  if (!requested.empty()) {
    match = MatchFamily(requested, bold, italic, &exact);
    // An unknown face name is no error: the mapper goes by pitch and family, as on Windows.
    if (!exact && match != nullptr) {
      FcPatternDestroy(match);
      match = nullptr;
    }
  }
  if (match == nullptr) {
    const std::string family = FamilyFace(pitchAndFamily);
    match = MatchFamily(family, bold, italic, &exact);
    if (!exact && match != nullptr) {
      // Without the Liberation faces, fontconfig's own choice for the generic family.
      FcPatternDestroy(match);
      const char* generic = family == "Liberation Serif" ? "serif"
                            : family == "Liberation Mono" ? "monospace"
                                                          : "sans-serif";
      bool unused = false;
      match = MatchFamily(generic, bold, italic, &unused);
    }
    if (!exact && complained->insert(family).second) {
      std::fprintf(stderr, "kavro: font \"%s\" not found, drawing text in \"%s\" instead\n", family.c_str(),
                   match != nullptr ? FamilyOf(match).c_str() : "nothing");
    }
  }
  cairo_font_face_t* face = nullptr;
  if (match != nullptr) {
    MakeCrisp(match);
    face = cairo_ft_font_face_create_for_pattern(match);
    FcPatternDestroy(match);
    if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS) {
      cairo_font_face_destroy(face);
      face = nullptr;
    }
  }
  faces->emplace(key, face);
  return face;
}

cairo_font_options_t* CrispOptions() {
  static cairo_font_options_t* options = [] {
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_ON);
    return o;
  }();
  return options;
}

cairo_scaled_font_t* ScaledFont(cairo_font_face_t* face, double em, bool hintedMetrics) {
  cairo_matrix_t size;
  cairo_matrix_t identity;
  cairo_matrix_init_scale(&size, em, em);
  cairo_matrix_init_identity(&identity);
  cairo_font_options_t* options = cairo_font_options_copy(CrispOptions());
  if (!hintedMetrics) cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_scaled_font_t* scaled = cairo_scaled_font_create(face, &size, &identity, options);
  cairo_font_options_destroy(options);
  if (cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS) {
    cairo_scaled_font_destroy(scaled);
    return nullptr;
  }
  return scaled;
}

// Negative heights ask for the em, positive ones for the cell (ascent plus descent).
double EmOf(const LOGFONTW& lf, cairo_font_face_t* face) {
  const long long height = lf.lfHeight;
  if (height == 0) return kDefaultEm;
  if (height < 0) return std::min<double>(static_cast<double>(-height), kLargestEm);
  double cellPerEm = 1.0;
  if (cairo_scaled_font_t* unit = ScaledFont(face, 256.0, false)) {
    cairo_font_extents_t extents;
    cairo_scaled_font_extents(unit, &extents);
    if (extents.ascent + extents.descent > 0.0) cellPerEm = (extents.ascent + extents.descent) / 256.0;
    cairo_scaled_font_destroy(unit);
  }
  return std::clamp(static_cast<double>(height) / cellPerEm, 1.0, kLargestEm);
}

}  // namespace

bool PrepareFont(Font& font) {
  if (font.scaled != nullptr) return true;
  const LOGFONTW& lf = font.logFont;
  const std::string requested = Lower(font.face);
  const char* twin = MetricTwin(requested);
  cairo_font_face_t* face = FaceFor(twin != nullptr ? twin : requested, lf.lfPitchAndFamily,
                                    lf.lfWeight >= 600, lf.lfItalic != 0);
  if (face == nullptr) return false;
  font.scaled = ScaledFont(face, EmOf(lf, face), true);
  if (font.scaled == nullptr) return false;
  cairo_font_extents_t extents;
  cairo_scaled_font_extents(font.scaled, &extents);
  font.ascent = static_cast<int>(std::lround(extents.ascent));
  font.lineHeight = font.ascent + static_cast<int>(std::lround(extents.descent));
  return true;
}

}  // namespace platform::detail

// fontconfig leaks a block while it parses its configuration files, in every program that
// uses it; LeakSanitizer would fail each sanitizer run that draws text. This is the
// platform's one suppression list (a program can define it only once): add lines here.
#if defined(__SANITIZE_ADDRESS__)
#define KAVRO_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KAVRO_ASAN 1
#endif
#endif
#ifdef KAVRO_ASAN
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
