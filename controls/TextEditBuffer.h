// The text a field edits (UTF-16) with the advance of each unit, and the interface through which the
// editing engine reaches the field that hosts it: measurement, the field's frame and text style, the
// clipboard. The engine knows nothing else of the field. Main thread only; nothing here blocks.
#pragma once

#include "framework/FwTypedBuf.h"

#include <string>
#include <string_view>

namespace fx::gfx {

enum class TextEditHAlign { kNear, kCenter, kFar };
enum class TextEditVAlign { kTop, kMiddle, kBottom };

// The field's rectangle in editor points and what the row layout needs of its text style.
struct TextEditField {
  float left = 0.f;
  float top = 0.f;
  float right = 0.f;
  float bottom = 0.f;
  float textSize = 14.f;
  TextEditHAlign hAlign = TextEditHAlign::kNear;
  TextEditVAlign vAlign = TextEditVAlign::kTop;
};

// Implemented by the field that hosts the engine. Main thread; none of these may block.
class ITextEditHost {
 public:
  virtual ~ITextEditHost() = default;
  // Width in editor points of UTF-8 text set in the field's text style.
  virtual float MeasureText(const char* utf8) = 0;
  virtual TextEditField GetField() const = 0;
  virtual void SetClipboardText(const char* utf8) = 0;
  // Answers the clipboard's text as UTF-8, empty when it holds none.
  virtual std::string GetClipboardText() = 0;
};

class TextEditBuffer {
 public:
  // Width cache growth granularity, in bytes.
  static constexpr int kWidthCacheGranularity = 4096;

  explicit TextEditBuffer(ITextEditHost& host) : mHost(host) {}
  TextEditBuffer(const TextEditBuffer&) = delete;
  TextEditBuffer& operator=(const TextEditBuffer&) = delete;

  ITextEditHost& GetHost() const { return mHost; }
  const std::u16string& GetText() const { return mText; }
  int GetLength() const { return static_cast<int>(mText.size()); }
  char16_t GetChar(int idx) const { return mText[static_cast<size_t>(idx)]; }
  // The advance of unit idx; the cache is rebuilt first when it does not match the text.
  float GetCharWidth(int idx);
  // Sum of the advances of units [start, end).
  float GetWidth(int start, int end);

  // Each clamps the span to the text and rebuilds the cache once afterwards (two measurements per unit).
  void DeleteChars(int pos, int count) { ReplaceChars(pos, count, nullptr, 0); }
  void InsertChars(int pos, const char16_t* units, int count) { ReplaceChars(pos, 0, units, count); }
  void ReplaceChars(int pos, int deleteCount, const char16_t* units, int count);
  // Loads UTF-8 text (null for none); malformed bytes become U+FFFD. Empties the width cache.
  void SetStr(const char* utf8);
  std::string GetUTF8(int start, int end) const;

  void RebuildCharWidths();
  // The advance of c after `previous` (the pair's width less previous alone, so kerning is counted),
  // or of c alone when previous < 0.
  float MeasureCharWidth(char16_t c, int previous);

 private:
  ITextEditHost& mHost;
  std::u16string mText;
  FwTypedBuf<float> mCharWidths{kWidthCacheGranularity};
};

}  // namespace fx::gfx
