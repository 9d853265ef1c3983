#include "graphics/svg/SVGNumbers.h"

#include <charconv>
#include <cmath>
#include <string>

namespace fx::gfx::svg {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

const char* SkipDigits(const char* p, const char* end) {
  while (p < end && IsDigit(*p)) ++p;
  return p;
}

// The end of the number that starts at p, or p itself when none does.
const char* ScanNumber(const char* p, const char* end) {
  const char* start = p;
  if (p < end && (*p == '+' || *p == '-')) ++p;
  const char* intEnd = SkipDigits(p, end);
  const bool hasInt = intEnd > p;
  p = intEnd;
  bool hasFrac = false;
  if (p < end && *p == '.') {
    const char* fracEnd = SkipDigits(p + 1, end);
    hasFrac = fracEnd > p + 1;
    if (hasFrac || hasInt) p = fracEnd;
  }
  if (!hasInt && !hasFrac) return start;
  // An exponent only counts when digits follow, so "2em" keeps its unit.
  if (p < end && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    if (q < end && (*q == '+' || *q == '-')) ++q;
    const char* expEnd = SkipDigits(q, end);
    if (expEnd > q) p = expEnd;
  }
  return p;
}

}  // namespace

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

void SkipSeparators(const char*& p, const char* end) {
  while (p < end && IsSpace(*p)) ++p;
  if (p < end && *p == ',') ++p;
  while (p < end && IsSpace(*p)) ++p;
}

bool ReadNumber(const char*& p, const char* end, double& value) {
  const char* q = p;
  SkipSeparators(q, end);
  const char* numEnd = ScanNumber(q, end);
  if (numEnd == q) return false;
  // from_chars takes no leading '+'.
  const char* first = (*q == '+') ? q + 1 : q;
  double v = 0.0;
  const auto result = std::from_chars(first, numEnd, v, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != numEnd || !std::isfinite(v)) return false;
  value = v;
  p = numEnd;
  return true;
}

bool ReadFlag(const char*& p, const char* end, bool& flag) {
  const char* q = p;
  SkipSeparators(q, end);
  if (q >= end || (*q != '0' && *q != '1')) return false;
  flag = *q == '1';
  p = q + 1;
  return true;
}

ESVGUnit UnitFromName(std::string_view name) {
  static constexpr struct {
    std::string_view name;
    ESVGUnit unit;
  } kUnits[] = {{"px", kUnitPx}, {"pt", kUnitPt},     {"pc", kUnitPc}, {"mm", kUnitMm}, {"cm", kUnitCm},
                {"in", kUnitIn}, {"%", kUnitPercent}, {"em", kUnitEm}, {"ex", kUnitEx}};
  for (const auto& u : kUnits)
    if (u.name == name) return u.unit;
  return kUnitUser;
}

bool ParseLength(std::string_view text, SVGLength& length) {
  text = Trim(text);
  const char* p = text.data();
  const char* end = p + text.size();
  double v = 0.0;
  if (!ReadNumber(p, end, v)) return false;
  const std::string_view suffix(p, static_cast<size_t>(end - p));
  const ESVGUnit unit = UnitFromName(suffix);
  if (unit == kUnitUser && !suffix.empty()) return false;
  length.value = v;
  length.unit = unit;
  return true;
}

double UnitToPixels(ESVGUnit unit, double dpi, double percentReference, double fontSize) {
  switch (unit) {
    case kUnitPt:
      return dpi / 72.0;
    case kUnitPc:
      return dpi / 6.0;
    case kUnitMm:
      return dpi / 25.4;
    case kUnitCm:
      return dpi / 2.54;
    case kUnitIn:
      return dpi;
    case kUnitPercent:
      return percentReference / 100.0;
    case kUnitEm:
      return fontSize;
    case kUnitEx:
      return fontSize * 0.52;  // the usual x-height of a font without metrics
    default:
      return 1.0;
  }
}

int Keyword(std::string_view value, std::initializer_list<std::string_view> words) {
  int i = 0;
  for (std::string_view w : words) {
    if (w == value) return i;
    ++i;
  }
  return -1;
}

std::vector<std::string_view> SplitList(std::string_view text) {
  std::vector<std::string_view> items;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (IsSpace(text[i]) || text[i] == ',')) ++i;
    const size_t start = i;
    while (i < text.size() && !IsSpace(text[i]) && text[i] != ',') ++i;
    if (i > start) items.push_back(text.substr(start, i - start));
  }
  return items;
}

}  // namespace fx::gfx::svg
