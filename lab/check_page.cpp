// Assembles the check's HTML page from the verdict and the pictures.
#include "check_page.h"

#include <algorithm>

#include "check_figures.h"
#include "printf_string.h"
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

std::string escaped(const std::string& text) { return svgEscape(text); }

// Escaped line by line, keeping the line breaks that escaping alone would drop.
std::string escapedLines(const std::string& text) {
    std::string out;
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        out += escaped(text.substr(from, end - from)) + (end < text.size() ? "\n" : "");
        from = end + 1;
    }
    return out;
}

const char* resultClass(CheckOutcome outcome) {
    switch (outcome) {
        case CheckOutcome::pass: return "pass";
        case CheckOutcome::fail: return "fail";
        case CheckOutcome::skipped: break;
    }
    return "skipped";
}

std::string fact(const char* term, const std::string& value) {
    return std::string("<dt>") + term + "</dt><dd>" + value + "</dd>\n";
}

std::string header(const CheckPageInput& in) {
    const ReportContext& c = in.context;
    const bool pass = in.verdict.exitStatus == 0;
    std::string html = "<header>\n<div>\n<h1>IMU bench check</h1>\n<dl>\n";
    html += fact("Unit serial", "<span id=\"unit-serial\">" + escaped(c.unitSerial) + "</span>");
    html += fact("Configuration", escaped(c.configSerial) + " from <code>" + escaped(c.configPath) + "</code>");
    html += fact("Date", escaped(c.timeUtc));
    html += fact("Tool", "headvane-lab " + escaped(c.toolVersion));
    html += fact("Gyro scale", printfString("%.10g rad/s per count; turns of %g\u00b0", c.gyroScale, c.turnDegrees));
    html += "</dl>\n</div>\n";
    html += std::string("<p id=\"verdict\" class=\"verdict ") + (pass ? "pass\">PASS" : "fail\">FAIL") + "</p>\n";
    return html + "</header>\n";
}

std::string checkTable(const CheckVerdict& verdict) {
    std::string html = "<h2>Checks</h2>\n<table id=\"checks\">\n<thead><tr><th>check</th><th>measured</th>"
                       "<th>reference</th><th>limit</th><th>result</th></tr></thead>\n<tbody>\n";
    for (const CheckRow& r : verdict.rows) {
        const char* cls = resultClass(r.outcome);
        html += std::string("<tr class=\"") + cls + "\"><td>" + escaped(r.name);
        if (!r.note.empty()) html += "<div class=\"note\">" + escaped(r.note) + "</div>";
        html += "</td><td>" + escaped(checkValueText(r.measured, r.unit)) + "</td><td>" +
                escaped(checkValueText(r.reference, r.unit)) + "</td><td>" + escaped(r.limitText) + "</td>";
        html += std::string("<td class=\"result ") + cls + "\">" + outcomeName(r.outcome) + "</td></tr>\n";
    }
    return html + "</tbody>\n</table>\n";
}

// An SVG document as an element of the page: without its XML declaration.
std::string inlined(const std::string& svg) {
    const std::size_t start = svg.find("<svg");
    return start == std::string::npos ? svg : svg.substr(start);
}

std::string figure(const char* id, const std::string& caption, const std::string& body) {
    return std::string("<figure id=\"") + id + "\">\n<figcaption>" + escaped(caption) + "</figcaption>\n" + body +
           "</figure>\n";
}

std::string suggestions(const CheckPageInput& in) {
    const Suggestions& s = in.verdict.suggested;
    const std::string fragment = calibrationFragment(s);
    std::string body = fragment.empty()
                           ? "<p>The six positions measured no accelerometer calibration.</p>\n"
                           : "<p>For the headset file's <code>imu</code> object:</p>\n<pre id=\"fragment\">" +
                                 escapedLines(fragment) + "</pre>\n";
    body += s.gyroScale ? "<p>The gyro scale, for headvane and the lab:</p>\n<pre id=\"gyro-scale\">" +
                              escaped(gyroScaleOption(*s.gyroScale)) + "</pre>\n"
                        : "<p>The turns measured no gyro scale.</p>\n";
    return figure("figure-calibration", "Suggested calibration", body);
}

}  // namespace

std::string checkPage(const CheckPageInput& in) {
    const bool pass = in.verdict.exitStatus == 0;
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>IMU bench check " +
                       escaped(in.context.unitSerial) + (pass ? ": PASS" : ": FAIL") + "</title>\n<style>\n" +
                       kStyle + "</style>\n</head>\n<body>\n";
    html += header(in);
    html += checkTable(in.verdict);
    html += "<h2>What was measured</h2>\n";
    html += figure("figure-rest", "Rest: gyroscope counts per axis, 0.2 s block means", inlined(restFigure(in.results)));
    html += figure("figure-six", "Six positions: gravity per face against the expected \u00b11 g",
                   inlined(sixPositionFigure(in.results, in.settings.calibration, in.limits)));
    html += figure("figure-turns", "Turns: each turned angle against the known angle",
                   inlined(turnFigure(in.results, in.settings, in.limits)));
    html += suggestions(in);
    return html + "</body>\n</html>\n";
}

}  // namespace vesko
