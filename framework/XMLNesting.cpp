#include "framework/XMLNesting.h"

#include <cctype>
#include <cstddef>
#include <cstring>

namespace fx {

namespace {

// The parser's character classes: every byte from 127 up counts as a letter.
bool IsSpace(char c) {
  return std::isspace(static_cast<unsigned char>(c)) || c == '\n' || c == '\r';
}

bool IsNameStart(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 127 || std::isalpha(b) || c == '_';
}

bool IsNameChar(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 127 || std::isalnum(b) || c == '_' || c == '-' || c == '.' || c == ':';
}

bool StartsWith(const char* p, const char* tag) {
  return std::strncmp(p, tag, std::strlen(tag)) == 0;
}

bool StartsWithNoCase(const char* p, const char* tag) {
  for (; *tag; ++p, ++tag)
    if (!*p || std::tolower(static_cast<unsigned char>(*p)) != std::tolower(static_cast<unsigned char>(*tag)))
      return false;
  return true;
}

// "&#x" hex digits ";" or "&#" decimal digits ";": the only numeric references the scan can follow.
bool NumericReferencesWellFormed(const char* p) {
  for (p = std::strstr(p, "&#"); p; p = std::strstr(p, "&#")) {
    p += 2;
    const bool hex = *p == 'x';
    if (hex) ++p;
    while (hex ? std::isxdigit(static_cast<unsigned char>(*p)) : std::isdigit(static_cast<unsigned char>(*p))) ++p;
    if (*p != ';') return false;
  }
  return true;
}

// Every lead byte's character stays within bytes from 0x80 up, which the parser copies as they are. A lead
// byte from 0xF0 up is taken as four bytes long, the longest UTF-8 character.
bool MultiByteCharactersWellFormed(const char* p) {
  for (; *p; ++p) {
    const auto lead = static_cast<unsigned char>(*p);
    const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    for (int i = 1; i < length; ++i)
      if (static_cast<unsigned char>(p[i]) < 0x80) return false;
  }
  return true;
}

class NestingScan {
 public:
  explicit NestingScan(const char* text) : mP(text) {}

  // False when the nesting passes maxDepth or the parser would stop with an error here.
  bool Within(int maxDepth) {
    int depth = 0;
    while (*mP) {
      if (*mP != '<')
        ++mP;
      else if (StartsWithNoCase(mP, "<?xml")) {
        if (!SkipDeclaration()) return false;
      } else if (StartsWith(mP, "<!--"))
        SkipPast(4, "-->");
      else if (StartsWith(mP, "<![CDATA["))
        SkipPast(9, "]]>");
      else if (StartsWith(mP, "</")) {
        // An end tag; at the top level the parser reads it as an unknown node, which is harmless here.
        depth = depth > 0 ? depth - 1 : 0;
        SkipPast(2, ">");
      } else if (StartsWith(mP, "<!") || !IsNameStart(mP[1]))
        SkipPast(1, ">");
      else {
        bool opens = false;
        if (!SkipStartTag(opens) || (opens && ++depth > maxDepth)) return false;
      }
    }
    return true;
  }

 private:
  void SkipSpace() {
    while (*mP && IsSpace(*mP)) ++mP;
  }

  // Just past the first `end` after the opening of `openLength` characters, or at the end of the text.
  void SkipPast(std::size_t openLength, const char* end) {
    const char* found = std::strstr(mP + openLength, end);
    mP = found ? found + std::strlen(end) : mP + std::strlen(mP);
  }

  bool SkipName() {
    if (!IsNameStart(*mP)) return false;
    while (IsNameChar(*mP)) ++mP;
    return true;
  }

  // name = 'value', "value" or a bare value.
  bool SkipAttribute() {
    SkipSpace();
    if (!SkipName() || !*mP) return false;
    SkipSpace();
    if (*mP != '=') return false;
    ++mP;
    SkipSpace();
    if (*mP == '\'' || *mP == '"') {
      const char* close = std::strchr(mP + 1, *mP);
      if (!close) return false;
      mP = close + 1;
      return true;
    }
    for (; *mP && !IsSpace(*mP) && *mP != '/' && *mP != '>'; ++mP)
      if (*mP == '\'' || *mP == '"') return false;
    return *mP != '\0';
  }

  // The parser reads version, encoding and standalone as attributes (a quoted '>' does not end the
  // declaration) and steps over anything else a word at a time up to the first '>'.
  bool SkipDeclaration() {
    mP += 5;
    while (*mP) {
      if (*mP == '>') {
        ++mP;
        return true;
      }
      SkipSpace();
      if (StartsWithNoCase(mP, "version") || StartsWithNoCase(mP, "encoding") || StartsWithNoCase(mP, "standalone")) {
        if (!SkipAttribute()) return false;
      } else {
        while (*mP && *mP != '>' && !IsSpace(*mP)) ++mP;
      }
    }
    return true;
  }

  // At '<' and a name: opens is true for a start tag, false for an empty-element tag.
  bool SkipStartTag(bool& opens) {
    ++mP;
    SkipName();
    for (;;) {
      SkipSpace();
      if (*mP == '/') {
        if (mP[1] != '>') return false;
        mP += 2;
        opens = false;
        return true;
      }
      if (*mP == '>') {
        ++mP;
        opens = true;
        return true;
      }
      if (!SkipAttribute()) return false;
    }
  }

  const char* mP;
};

}  // namespace

bool XMLNestingWithin(const char* text, int maxDepth, EXMLReading reading) {
  if (!text || !NumericReferencesWellFormed(text)) return false;
  if (reading == EXMLReading::kUTF8 && !MultiByteCharactersWellFormed(text)) return false;
  return NestingScan(text).Within(maxDepth);
}

}  // namespace fx
