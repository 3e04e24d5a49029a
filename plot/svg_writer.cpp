// Writes SVG elements as text, escaping whatever the caller puts in.
#include "svg_writer.h"

#include <cmath>
#include <cstdio>

namespace vesko {

namespace {

// Two decimals are a hundredth of a pixel; non-finite values would make the
// file invalid, so they are drawn at 0.
void appendNumber(std::string& out, double value) {
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, "%.2f", std::isfinite(value) ? value : 0.0);
    out.append(buffer, static_cast<std::size_t>(n > 0 ? n : 0));
}

void appendAttribute(std::string& out, std::string_view name, double value) {
    out += ' ';
    out += name;
    out += "=\"";
    appendNumber(out, value);
    out += '"';
}

void appendAttribute(std::string& out, std::string_view name, std::string_view value) {
    out += ' ';
    out += name;
    out += "=\"";
    out += svgEscape(value);
    out += '"';
}

const char* anchorName(SvgAnchor anchor) {
    switch (anchor) {
        case SvgAnchor::middle: return "middle";
        case SvgAnchor::end: return "end";
        case SvgAnchor::start: break;
    }
    return "start";
}

void appendTitle(std::string& out, std::string_view title) {
    if (title.empty()) return;
    out += "<title>";
    out += svgEscape(title);
    out += "</title>";
}

}  // namespace

std::string svgEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
        }
    }
    return out;
}

SvgWriter::SvgWriter(double width, double height) {
    out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"";
    appendAttribute(out_, "width", width);
    appendAttribute(out_, "height", height);
    out_ += " viewBox=\"0 0 ";
    appendNumber(out_, width);
    out_ += ' ';
    appendNumber(out_, height);
    out_ += "\" font-family=\"sans-serif\">\n";
    rect({0.0, 0.0}, width, height, "white", {"none", 0.0});
}

void SvgWriter::strokeAttributes(const SvgStroke& stroke) {
    appendAttribute(out_, "stroke", stroke.colour);
    appendAttribute(out_, "stroke-width", stroke.width);
    if (!stroke.dash.empty()) appendAttribute(out_, "stroke-dasharray", stroke.dash);
}

void SvgWriter::classAttribute(std::string_view cssClass) {
    if (!cssClass.empty()) appendAttribute(out_, "class", cssClass);
}

void SvgWriter::line(SvgPoint from, SvgPoint to, const SvgStroke& stroke, std::string_view cssClass) {
    out_ += "<line";
    classAttribute(cssClass);
    appendAttribute(out_, "x1", from.x);
    appendAttribute(out_, "y1", from.y);
    appendAttribute(out_, "x2", to.x);
    appendAttribute(out_, "y2", to.y);
    strokeAttributes(stroke);
    out_ += "/>\n";
}

void SvgWriter::polyline(std::span<const SvgPoint> points, const SvgStroke& stroke, std::string_view cssClass,
                         std::string_view title) {
    out_ += "<polyline";
    classAttribute(cssClass);
    out_ += " fill=\"none\"";
    strokeAttributes(stroke);
    out_ += " points=\"";
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0) out_ += ' ';
        appendNumber(out_, points[i].x);
        out_ += ',';
        appendNumber(out_, points[i].y);
    }
    out_ += "\">";
    appendTitle(out_, title);
    out_ += "</polyline>\n";
}

void SvgWriter::rect(SvgPoint corner, double width, double height, std::string_view fill, const SvgStroke& stroke) {
    out_ += "<rect";
    appendAttribute(out_, "x", corner.x);
    appendAttribute(out_, "y", corner.y);
    appendAttribute(out_, "width", width);
    appendAttribute(out_, "height", height);
    appendAttribute(out_, "fill", fill);
    strokeAttributes(stroke);
    out_ += "/>\n";
}

void SvgWriter::circle(SvgPoint centre, double radius, std::string_view fill) {
    out_ += "<circle";
    appendAttribute(out_, "cx", centre.x);
    appendAttribute(out_, "cy", centre.y);
    appendAttribute(out_, "r", radius);
    appendAttribute(out_, "fill", fill);
    out_ += "/>\n";
}

void SvgWriter::text(SvgPoint at, std::string_view content, const SvgText& style, std::string_view cssClass) {
    out_ += "<text";
    classAttribute(cssClass);
    appendAttribute(out_, "x", at.x);
    appendAttribute(out_, "y", at.y);
    appendAttribute(out_, "font-size", style.size);
    appendAttribute(out_, "fill", style.colour);
    appendAttribute(out_, "text-anchor", anchorName(style.anchor));
    if (style.rotate != 0.0) {
        out_ += " transform=\"rotate(";
        appendNumber(out_, style.rotate);
        out_ += ' ';
        appendNumber(out_, at.x);
        out_ += ' ';
        appendNumber(out_, at.y);
        out_ += ")\"";
    }
    out_ += '>';
    out_ += svgEscape(content);
    out_ += "</text>\n";
}

void SvgWriter::beginGroup(std::string_view cssClass, std::string_view title) {
    out_ += "<g";
    classAttribute(cssClass);
    out_ += '>';
    appendTitle(out_, title);
    out_ += '\n';
    ++openGroups_;
}

void SvgWriter::endGroup() {
    if (openGroups_ == 0) return;
    out_ += "</g>\n";
    --openGroups_;
}

std::string SvgWriter::finish() {
    while (openGroups_ > 0) endGroup();
    out_ += "</svg>\n";
    return std::move(out_);
}

}  // namespace vesko
