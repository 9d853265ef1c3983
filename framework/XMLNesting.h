// A bound on how deep a document's elements nest, found without parsing it, so a hostile document cannot
// drive the XML parser's recursion (one level of the parser's stack per level of elements) past the stack.
//
// The scan reads the text the way the XML parser does in its byte-wise (legacy) encoding: text up to '<',
// comments up to "-->", CDATA up to "]]>", declarations with their quoted version, encoding and standalone
// values, other "<!" and "<?" nodes up to '>', start tags with quoted or bare attribute values, end tags.
// Wherever the parser would stop with an error the scan refuses, so it never counts an element closed that
// the parser keeps open. Numeric character references must be well formed: the parser's reading of a
// malformed one can jump over markup, so such a document is refused too.
//
// A parser that may read the text as UTF-8 steps over a multi-byte character at once; with
// EXMLReading::kUTF8 the scan also refuses a lead byte whose character would take in a plain ASCII byte,
// so that both readings see the same markup.
//
// Thread: any; no state, never allocates.
#pragma once

namespace fx {

// How the XML parser steps through the text: one byte at a time (TinyXML's legacy encoding), or one UTF-8
// character at a time where a document may be read as UTF-8 (its default encoding).
enum class EXMLReading { kByteWise, kUTF8 };

// True when the zero-terminated text nests its elements at most maxDepth deep and the scan could follow it.
bool XMLNestingWithin(const char* text, int maxDepth, EXMLReading reading = EXMLReading::kByteWise);

}  // namespace fx
