// A small read-only tree over a parsed XML text: element and text nodes linked as first-child and
// next-sibling lists, attribute lists, and case-insensitive attribute look-up, as plain records and free
// functions. The parsed document stays alive as long as the tree, because names, texts and values point
// into it; nothing is copied.
//
// Threads: any thread, one document at a time per thread; the functions allocate and never block.
#pragma once

#include <cstddef>
#include <cstdint>

class TiXmlDocument;

enum EXmlMiniKind : int32_t { kXmlMiniOther = 0, kXmlMiniElement = 1, kXmlMiniText = 2 };

struct XmlMiniAttr {
  const char* name = nullptr;
  const char* value = nullptr;
  XmlMiniAttr* next = nullptr;
};

struct XmlMiniNode {
  int32_t kind = kXmlMiniOther;  // comments, declarations and unclassified nodes are kXmlMiniOther
  const char* name = nullptr;    // elements: the tag
  XmlMiniAttr* attrs = nullptr;  // elements: the attributes in document order
  const char* text = nullptr;    // text nodes: the text
  XmlMiniNode* firstChild = nullptr;
  XmlMiniNode* nextSibling = nullptr;
};

struct XmlMiniDoc {
  TiXmlDocument* document = nullptr;
  XmlMiniNode* root = nullptr;  // the root element, followed by its siblings
};

// The tree of text, whose length must be exactly length (text[length] is the terminating zero and no zero
// byte comes earlier). Null for a text that breaks that rule, does not parse, or nests more than 4096
// elements. documentName names the document ("" when null).
XmlMiniDoc* XmlMiniParse(const char* text, size_t length, const char* documentName);

// The root node; null for a null handle.
XmlMiniNode* XmlMiniRoot(const XmlMiniDoc* doc);

// The node's first attribute whose name equals name ignoring case; null when node or name is null, name
// is empty or nothing matches.
XmlMiniAttr* XmlMiniFindAttr(const XmlMiniNode* node, const char* name);

// A copy of the value of the attribute XmlMiniFindAttr finds, to be released with XmlMiniFree; null when
// there is none or memory runs out.
char* XmlMiniGetAttrValue(const XmlMiniNode* node, const char* name);

// Releases memory handed out by XmlMiniGetAttrValue, and a handle of XmlMiniParse once XmlMiniClose has
// emptied it. Null is ignored.
void XmlMiniFree(void* memory);

// Releases the tree and the parsed document and empties the handle (document and root null, so
// XmlMiniRoot answers null); the handle itself stays until the caller releases it with XmlMiniFree. Null is
// ignored.
void XmlMiniClose(XmlMiniDoc* doc);
