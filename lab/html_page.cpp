// The lab's pages: one style, escaped text, facts and figures, the same on every page.
#include "html_page.h"

#include <algorithm>

#include "svg_writer.h"

namespace vesko {

namespace {

// Printed or on screen alike; colours print as shown.
constexpr const char* kStyle = R"(@page { size: A4; margin: 12mm; }
* { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
body { font-family: "DejaVu Sans", Arial, sans-serif; font-size: 10pt; color: #111; margin: 0 auto; max-width: 186mm; }
header { display: flex; justify-content: space-between; align-items: center; border-bottom: 2px solid #333; }
h1 { font-size: 17pt; margin: 0 0 2mm 0; }
h2 { font-size: 12pt; margin: 4mm 0 1mm 0; }
dl { display: grid; grid-template-columns: max-content auto; gap: 0.5mm 4mm; margin: 0 0 2mm 0; }
dt { font-weight: bold; }
dd { margin: 0; }
.verdict { font-size: 34pt; font-weight: bold; padding: 1mm 6mm; border: 1mm solid; border-radius: 2mm; margin: 0; }
.verdict.pass { color: #0b6623; background: #dff3e4; }
.verdict.fail { color: #a4161a; background: #fbe3e4; }
table { border-collapse: collapse; width: 100%; font-size: 9pt; }
th, td { text-align: left; padding: 0.6mm 2mm; border-bottom: 0.3mm solid #ccc; }
th { border-bottom: 0.5mm solid #333; }
td.result { font-weight: bold; }
td.result.pass { color: #0b6623; background: #dff3e4; }
td.result.fail { color: #a4161a; background: #fbe3e4; }
td.result.skipped { color: #7a5a00; background: #fdf2cc; }
.note { font-size: 8pt; color: #444; }
figure { margin: 2mm 0; break-inside: avoid; page-break-inside: avoid; }
figcaption { font-weight: bold; margin-bottom: 1mm; }
figure svg { width: 100%; height: auto; display: block; }
pre { background: #f2f2f2; padding: 2mm; margin: 1mm 0; font-size: 9pt; white-space: pre-wrap; }
)";

}  // namespace

std::string pageStart(const std::string& title, const char* extraStyle) {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + htmlEscaped(title) +
           "</title>\n<style>\n" + kStyle + extraStyle + "</style>\n</head>\n<body>\n";
}

std::string pageEnd() { return "</body>\n</html>\n"; }

std::string htmlEscaped(const std::string& text) { return svgEscape(text); }

std::string htmlEscapedLines(const std::string& text) {
    std::string out;
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        out += htmlEscaped(text.substr(from, end - from)) + (end < text.size() ? "\n" : "");
        from = end + 1;
    }
    return out;
}

std::string pageFact(const char* term, const std::string& value) {
    return std::string("<dt>") + term + "</dt><dd>" + value + "</dd>\n";
}

std::string inlinedSvg(const std::string& svg) {
    const std::size_t start = svg.find("<svg");
    return start == std::string::npos ? svg : svg.substr(start);
}

std::string pageFigure(const char* id, const std::string& caption, const std::string& body) {
    return std::string("<figure id=\"") + id + "\">\n<figcaption>" + htmlEscaped(caption) + "</figcaption>\n" + body +
           "</figure>\n";
}

}  // namespace vesko
