// The pieces every page of the lab is made of: its head and style, facts, figures, escaped text.
#pragma once

#include <string>

namespace vesko {

// From the doctype to the opening body: the title escaped, the shared style
// inline (printed on A4, colours as shown) with the page's own rules after
// it, nothing fetched.
std::string pageStart(const std::string& title, const char* extraStyle = "");
std::string pageEnd();

std::string htmlEscaped(const std::string& text);

// Escaped line by line, keeping the line breaks (for a <pre>).
std::string htmlEscapedLines(const std::string& text);

// One term and its value of a <dl>; the value is HTML already.
std::string pageFact(const char* term, const std::string& value);

// An SVG document as an element of the page: without its XML declaration.
std::string inlinedSvg(const std::string& svg);

// A <figure> with its id and caption; the body is HTML already.
std::string pageFigure(const char* id, const std::string& caption, const std::string& body);

}  // namespace vesko
