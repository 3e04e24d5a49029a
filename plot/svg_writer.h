// A small SVG writer: the few shapes the lab's pictures are drawn with, as well-formed text.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace vesko {

struct SvgPoint {
    double x = 0.0;
    double y = 0.0;
};

struct SvgStroke {
    SvgStroke(std::string_view c = "black", double w = 1.0, std::string_view d = {}) : colour(c), width(w), dash(d) {}
    std::string_view colour;
    double width;           // px
    std::string_view dash;  // e.g. "6 4"; empty for a solid line
};

enum class SvgAnchor { start, middle, end };

struct SvgText {
    SvgText(double s = 14.0, SvgAnchor a = SvgAnchor::start, std::string_view c = "black", double r = 0.0)
        : size(s), anchor(a), colour(c), rotate(r) {}
    double size;  // px
    SvgAnchor anchor;
    std::string_view colour;
    double rotate;  // degrees, about the text's anchor point
};

// Elements are appended in drawing order; `cssClass` (may be empty) names
// what an element shows, so that a reader of the file can find it.
class SvgWriter {
public:
    SvgWriter(double width, double height);

    void line(SvgPoint from, SvgPoint to, const SvgStroke& stroke, std::string_view cssClass = {});
    void polyline(std::span<const SvgPoint> points, const SvgStroke& stroke, std::string_view cssClass = {},
                  std::string_view title = {});
    void rect(SvgPoint corner, double width, double height, std::string_view fill, const SvgStroke& stroke);
    void circle(SvgPoint centre, double radius, std::string_view fill);
    void text(SvgPoint at, std::string_view content, const SvgText& style = {}, std::string_view cssClass = {});
    void beginGroup(std::string_view cssClass, std::string_view title = {});
    void endGroup();

    // The document, closing any group still open.
    std::string finish();

private:
    void strokeAttributes(const SvgStroke& stroke);
    void classAttribute(std::string_view cssClass);

    std::string out_;
    int openGroups_ = 0;
};

// Text with &, <, >, " and ' escaped, and control characters dropped.
std::string svgEscape(std::string_view text);

}  // namespace vesko
