// The XML mini-DOM: parsing rules, the tree's shape, attribute look-up and release of everything.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin/presets/XMLMiniDom.h"

namespace {

XmlMiniDoc* Parse(const std::string& text) {
  return XmlMiniParse(text.c_str(), text.size(), "test");
}

// What a caller does when done: close the document, then release the handle.
void Release(XmlMiniDoc* doc) {
  XmlMiniClose(doc);
  XmlMiniFree(doc);
}

TEST(XmlMiniDomTest, RefusesTextsWhoseLengthDisagrees) {
  const char text[] = "<a/>\0<b/>";
  EXPECT_EQ(XmlMiniParse(text, sizeof(text) - 1, nullptr), nullptr);  // a zero byte before the end
  EXPECT_EQ(XmlMiniParse("<a/>", 3, nullptr), nullptr);               // not terminated at length
  EXPECT_EQ(XmlMiniParse(nullptr, 0, nullptr), nullptr);
}

TEST(XmlMiniDomTest, RefusesWhatDoesNotParse) {
  for (const char* text : {"", "<a>", "<a></b>", "not xml", "<a x=\"1></a>"}) EXPECT_EQ(Parse(text), nullptr) << text;
}

TEST(XmlMiniDomTest, BuildsChildAndSiblingLists) {
  XmlMiniDoc* doc = Parse("<root k=\"v\"><a/>text<!-- note --><b x=\"1\" y=\"2\"/></root>");
  ASSERT_NE(doc, nullptr);
  const XmlMiniNode* root = XmlMiniRoot(doc);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->kind, kXmlMiniElement);
  EXPECT_STREQ(root->name, "root");
  EXPECT_EQ(root->nextSibling, nullptr);

  const XmlMiniNode* a = root->firstChild;
  ASSERT_NE(a, nullptr);
  EXPECT_STREQ(a->name, "a");
  const XmlMiniNode* text = a->nextSibling;
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->kind, kXmlMiniText);
  EXPECT_STREQ(text->text, "text");
  const XmlMiniNode* comment = text->nextSibling;
  ASSERT_NE(comment, nullptr);
  EXPECT_EQ(comment->kind, kXmlMiniOther);
  const XmlMiniNode* b = comment->nextSibling;
  ASSERT_NE(b, nullptr);
  ASSERT_NE(b->attrs, nullptr);
  EXPECT_STREQ(b->attrs->name, "x");
  ASSERT_NE(b->attrs->next, nullptr);
  EXPECT_STREQ(b->attrs->next->value, "2");
  EXPECT_EQ(b->nextSibling, nullptr);
  Release(doc);
}

TEST(XmlMiniDomTest, FindsAttributesIgnoringCase) {
  XmlMiniDoc* doc = Parse("<p Name=\"first\" name=\"second\" other=\"x\"/>");
  ASSERT_NE(doc, nullptr);
  const XmlMiniNode* p = XmlMiniRoot(doc);
  const XmlMiniAttr* found = XmlMiniFindAttr(p, "name");
  ASSERT_NE(found, nullptr);
  EXPECT_STREQ(found->value, "first");
  EXPECT_EQ(XmlMiniFindAttr(p, "missing"), nullptr);
  EXPECT_EQ(XmlMiniFindAttr(p, ""), nullptr);
  EXPECT_EQ(XmlMiniFindAttr(p, nullptr), nullptr);
  EXPECT_EQ(XmlMiniFindAttr(nullptr, "name"), nullptr);

  char* copy = XmlMiniGetAttrValue(p, "OTHER");
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy, "x");
  EXPECT_NE(copy, XmlMiniFindAttr(p, "other")->value);
  XmlMiniFree(copy);
  EXPECT_EQ(XmlMiniGetAttrValue(p, "missing"), nullptr);
  Release(doc);
}

// Closing empties the handle but leaves it to the caller, who may still ask it for its root (null), close
// it again, and then release it with XmlMiniFree (the sanitizer catches a double release or a leak).
TEST(XmlMiniDomTest, ClosingEmptiesTheHandleAndFreeingReleasesIt) {
  for (const char* text : {"<a/>", "<r x=\"1\"><c>t</c><!-- n --></r>"}) {
    XmlMiniDoc* doc = Parse(text);
    ASSERT_NE(doc, nullptr) << text;
    ASSERT_NE(XmlMiniRoot(doc), nullptr) << text;
    XmlMiniClose(doc);
    EXPECT_EQ(XmlMiniRoot(doc), nullptr) << text;
    EXPECT_EQ(doc->document, nullptr) << text;
    XmlMiniClose(doc);
    EXPECT_EQ(XmlMiniRoot(doc), nullptr) << text;
    XmlMiniFree(doc);
  }
}

TEST(XmlMiniDomTest, NullHandlesAreIgnored) {
  EXPECT_EQ(XmlMiniRoot(nullptr), nullptr);
  XmlMiniClose(nullptr);
  XmlMiniFree(nullptr);
}

// Long sibling lists and deep nesting (up to the depth limit) convert without growing the stack; the
// sanitizer's leak check proves that closing releases every record.
TEST(XmlMiniDomTest, ConvertsLongAndDeepTreesAndReleasesThem) {
  std::string wide = "<r>";
  for (int i = 0; i < 4000; ++i) wide += "<c/>";
  wide += "</r>";
  XmlMiniDoc* doc = Parse(wide);
  ASSERT_NE(doc, nullptr);
  int count = 0;
  for (const XmlMiniNode* c = XmlMiniRoot(doc)->firstChild; c; c = c->nextSibling) ++count;
  EXPECT_EQ(count, 4000);
  Release(doc);

  std::string deep;
  for (int i = 0; i < 1000; ++i) deep += "<d>";
  for (int i = 0; i < 1000; ++i) deep += "</d>";
  doc = Parse(deep);
  ASSERT_NE(doc, nullptr);
  int depth = 0;
  for (const XmlMiniNode* d = XmlMiniRoot(doc); d; d = d->firstChild) ++depth;
  EXPECT_EQ(depth, 1000);
  Release(doc);
}

TEST(XmlMiniDomTest, RefusesNestingDeeperThanTheLimit) {
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<d>";
  for (int i = 0; i < 5000; ++i) deep += "</d>";
  EXPECT_EQ(Parse(deep), nullptr);
}

}  // namespace
