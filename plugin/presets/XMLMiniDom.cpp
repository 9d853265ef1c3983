#include "plugin/presets/XMLMiniDom.h"

#include <strings.h>
#include <tinyxml.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "framework/XMLNesting.h"

namespace {

// Far beyond any document this tree is meant for, well inside the parser's stack needs.
constexpr int kMaxDepth = 4096;

XmlMiniAttr* ConvertAttributes(const TiXmlElement& element) {
  XmlMiniAttr* first = nullptr;
  XmlMiniAttr** link = &first;
  for (const TiXmlAttribute* source = element.FirstAttribute(); source; source = source->Next()) {
    auto* attr = new XmlMiniAttr;
    attr->name = source->Name();
    attr->value = source->Value();
    *link = attr;
    link = &attr->next;
  }
  return first;
}

XmlMiniNode* ConvertNode(const TiXmlNode& source) {
  auto* node = new XmlMiniNode;
  if (const TiXmlElement* element = source.ToElement()) {
    node->kind = kXmlMiniElement;
    node->name = element->Value();
    node->attrs = ConvertAttributes(*element);
  } else if (const TiXmlText* text = source.ToText()) {
    node->kind = kXmlMiniText;
    node->text = text->Value();
  }
  return node;
}

// Converts a sibling list and, through a work list instead of recursion, every child list below it, so
// that neither deep nesting nor long sibling lists grow the stack.
XmlMiniNode* ConvertTree(const TiXmlNode* first) {
  XmlMiniNode* result = nullptr;
  std::vector<std::pair<const TiXmlNode*, XmlMiniNode**>> pending{{first, &result}};
  while (!pending.empty()) {
    auto [source, link] = pending.back();
    pending.pop_back();
    for (; source; source = source->NextSibling()) {
      XmlMiniNode* node = ConvertNode(*source);
      *link = node;
      link = &node->nextSibling;
      if (source->FirstChild()) pending.emplace_back(source->FirstChild(), &node->firstChild);
    }
  }
  return result;
}

void FreeAttributes(XmlMiniAttr* attr) {
  while (attr) delete std::exchange(attr, attr->next);
}

void FreeTree(XmlMiniNode* root) {
  std::vector<XmlMiniNode*> pending;
  if (root) pending.push_back(root);
  while (!pending.empty()) {
    XmlMiniNode* node = pending.back();
    pending.pop_back();
    if (node->firstChild) pending.push_back(node->firstChild);
    if (node->nextSibling) pending.push_back(node->nextSibling);
    FreeAttributes(node->attrs);
    delete node;
  }
}

}  // namespace

XmlMiniDoc* XmlMiniParse(const char* text, size_t length, const char* documentName) {
  if (!text || text[length] != '\0' || std::memchr(text, '\0', length)) return nullptr;
  // The parser reads a document with a UTF-8 mark or declaration as UTF-8.
  if (!fx::XMLNestingWithin(text, kMaxDepth, fx::EXMLReading::kUTF8)) return nullptr;
  auto* document = new TiXmlDocument(documentName ? documentName : "");
  document->Parse(text);
  if (document->Error()) {
    delete document;
    return nullptr;
  }
  // From the C heap, as XmlMiniFree releases the handle once XmlMiniClose has emptied it.
  void* memory = std::malloc(sizeof(XmlMiniDoc));
  if (!memory) {
    delete document;
    return nullptr;
  }
  auto* doc = new (memory) XmlMiniDoc;
  doc->document = document;
  doc->root = ConvertTree(document->RootElement());
  return doc;
}

XmlMiniNode* XmlMiniRoot(const XmlMiniDoc* doc) {
  return doc ? doc->root : nullptr;
}

XmlMiniAttr* XmlMiniFindAttr(const XmlMiniNode* node, const char* name) {
  if (!node || !name || !*name) return nullptr;
  for (XmlMiniAttr* attr = node->attrs; attr; attr = attr->next) {
    if (attr->name && strcasecmp(attr->name, name) == 0) return attr;
  }
  return nullptr;
}

char* XmlMiniGetAttrValue(const XmlMiniNode* node, const char* name) {
  const XmlMiniAttr* attr = XmlMiniFindAttr(node, name);
  return attr && attr->value ? strdup(attr->value) : nullptr;
}

void XmlMiniFree(void* memory) {
  std::free(memory);
}

void XmlMiniClose(XmlMiniDoc* doc) {
  if (!doc) return;
  FreeTree(doc->root);
  delete doc->document;
  doc->root = nullptr;
  doc->document = nullptr;
}
