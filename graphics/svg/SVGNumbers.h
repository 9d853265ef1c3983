// Scanning of the numbers, flags and lengths that SVG attributes are made of. Every reader takes a
// [p, end) range, never looks past end, and ignores the process locale. Plain functions: any thread.
#pragma once

#include <initializer_list>
#include <string_view>
#include <vector>

namespace fx::gfx::svg {

enum ESVGUnit : int {
  kUnitUser = 0,
  kUnitPx,
  kUnitPt,
  kUnitPc,
  kUnitMm,
  kUnitCm,
  kUnitIn,
  kUnitPercent,
  kUnitEm,
  kUnitEx
};

struct SVGLength {
  double value = 0.0;
  ESVGUnit unit = kUnitUser;
};

// Skips blanks and at most one comma between them.
void SkipSeparators(const char*& p, const char* end);
// One number of the SVG grammar ("-1.5e3", ".5", "5."; a packed "1.5.5" reads 1.5 then .5) after optional
// separators. On success p moves past it; a finite value only. On failure p and value are unchanged.
bool ReadNumber(const char*& p, const char* end, double& value);
// An arc flag: one '0' or '1' after optional separators (flags may be packed without separators).
bool ReadFlag(const char*& p, const char* end, bool& flag);
// A number with an optional unit suffix; false for anything else (trailing blanks are allowed).
bool ParseLength(std::string_view text, SVGLength& length);
// The size of one unit in pixels at the given resolution; percentages and font units need their reference.
double UnitToPixels(ESVGUnit unit, double dpi, double percentReference, double fontSize);
// A unit name as the caller of the reader gives it ("px", "pt", "mm", ...); unknown names are pixels.
ESVGUnit UnitFromName(std::string_view name);
// Blanks as XML and SVG define them.
inline bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
std::string_view Trim(std::string_view text);

// The index of value among words, or -1.
int Keyword(std::string_view value, std::initializer_list<std::string_view> words);
// Splits "a, b c" into its items.
std::vector<std::string_view> SplitList(std::string_view text);

}  // namespace fx::gfx::svg
