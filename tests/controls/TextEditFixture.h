// A field for the editing engine's tests: a fixed rectangle and a font whose advances are known by hand
// ('i' 4 points, every other character 10, and the pair "AV" kerned 2 points tighter).
#pragma once

#include "controls/TextEditBuffer.h"
#include "controls/TextEditEngine.h"
#include "controls/Utf16Text.h"

#include <string>

namespace fx::gfx::test {

class FakeTextHost : public ITextEditHost {
 public:
  float MeasureText(const char* utf8) override {
    ++measurements;
    const std::u16string text = UTF8ToUTF16(utf8);
    float width = 0.f;
    for (size_t i = 0; i < text.size(); ++i) {
      width += text[i] == u'i' ? 4.f : 10.f;
      if (i > 0 && text[i - 1] == u'A' && text[i] == u'V') width -= 2.f;
    }
    return width;
  }
  TextEditField GetField() const override { return field; }
  void SetClipboardText(const char* utf8) override { clipboard = utf8; }
  std::string GetClipboardText() override { return clipboard; }

  TextEditField field{100.f, 50.f, 300.f, 80.f, 20.f, TextEditHAlign::kNear, TextEditVAlign::kTop};
  std::string clipboard;
  int measurements = 0;
};

struct TextEditFixture {
  explicit TextEditFixture(const char* str, int cursor = 0, int selectStart = 0, int selectEnd = 0) {
    InitTextEditState(state, true);
    text.SetStr(str);
    state.cursor = cursor;
    state.selectStart = selectStart;
    state.selectEnd = selectEnd;
  }
  std::string Text() const { return text.GetUTF8(0, text.GetLength()); }
  bool Key(int key) { return HandleEditKey(text, state, key); }

  FakeTextHost host;
  TextEditBuffer text{host};
  TextEditState state;
};

}  // namespace fx::gfx::test
