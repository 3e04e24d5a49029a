// Assembles the check's HTML page from the verdict and the pictures.
#include "check_page.h"

#include "check_figures.h"
#include "printf_string.h"
#include "html_page.h"

namespace vesko {

namespace {

const char* resultClass(CheckOutcome outcome) {
    switch (outcome) {
        case CheckOutcome::pass: return "pass";
        case CheckOutcome::fail: return "fail";
        case CheckOutcome::skipped: break;
    }
    return "skipped";
}

std::string header(const CheckPageInput& in) {
    const ReportContext& c = in.context;
    const bool pass = in.verdict.exitStatus == 0;
    std::string html = "<header>\n<div>\n<h1>IMU bench check</h1>\n<dl>\n";
    html += pageFact("Unit serial", "<span id=\"unit-serial\">" + htmlEscaped(c.unitSerial) + "</span>");
    html += pageFact("Configuration",
                     htmlEscaped(c.configSerial) + " from <code>" + htmlEscaped(c.configPath) + "</code>");
    html += pageFact("Date", htmlEscaped(c.timeUtc));
    html += pageFact("Tool", "headvane-lab " + htmlEscaped(c.toolVersion));
    html += pageFact("Gyro scale",
                     printfString("%.10g rad/s per count; turns of %g\u00b0", c.gyroScale, c.turnDegrees));
    html += "</dl>\n</div>\n";
    html += std::string("<p id=\"verdict\" class=\"verdict ") + (pass ? "pass\">PASS" : "fail\">FAIL") + "</p>\n";
    return html + "</header>\n";
}

std::string checkTable(const CheckVerdict& verdict) {
    std::string html = "<h2>Checks</h2>\n<table id=\"checks\">\n<thead><tr><th>check</th><th>measured</th>"
                       "<th>reference</th><th>limit</th><th>result</th></tr></thead>\n<tbody>\n";
    for (const CheckRow& r : verdict.rows) {
        const char* cls = resultClass(r.outcome);
        html += std::string("<tr class=\"") + cls + "\"><td>" + htmlEscaped(r.name);
        if (!r.note.empty()) html += "<div class=\"note\">" + htmlEscaped(r.note) + "</div>";
        html += "</td><td>" + htmlEscaped(checkValueText(r.measured, r.unit)) + "</td><td>" +
                htmlEscaped(checkValueText(r.reference, r.unit)) + "</td><td>" + htmlEscaped(r.limitText) + "</td>";
        html += std::string("<td class=\"result ") + cls + "\">" + outcomeName(r.outcome) + "</td></tr>\n";
    }
    return html + "</tbody>\n</table>\n";
}

std::string suggestions(const CheckPageInput& in) {
    const Suggestions& s = in.verdict.suggested;
    const std::string fragment = calibrationFragment(s);
    std::string body = fragment.empty()
                           ? "<p>The six positions measured no accelerometer calibration.</p>\n"
                           : "<p>For the headset file's <code>imu</code> object:</p>\n<pre id=\"fragment\">" +
                                 htmlEscapedLines(fragment) + "</pre>\n";
    body += s.gyroScale ? "<p>The gyro scale, for headvane and the lab:</p>\n<pre id=\"gyro-scale\">" +
                              htmlEscaped(gyroScaleOption(*s.gyroScale)) + "</pre>\n"
                        : "<p>The turns measured no gyro scale.</p>\n";
    return pageFigure("figure-calibration", "Suggested calibration", body);
}

}  // namespace

std::string checkPage(const CheckPageInput& in) {
    const bool pass = in.verdict.exitStatus == 0;
    std::string html = pageStart("IMU bench check " + in.context.unitSerial + (pass ? ": PASS" : ": FAIL"));
    html += header(in);
    html += checkTable(in.verdict);
    html += "<h2>What was measured</h2>\n";
    html += pageFigure("figure-rest", "Rest: gyroscope counts per axis, 0.2 s block means",
                       inlinedSvg(restFigure(in.results)));
    html += pageFigure("figure-six", "Six positions: gravity per face against the expected \u00b11 g",
                       inlinedSvg(sixPositionFigure(in.results, in.settings.calibration, in.limits)));
    html += pageFigure("figure-turns", "Turns: each turned angle against the known angle",
                       inlinedSvg(turnFigure(in.results, in.settings, in.limits)));
    html += suggestions(in);
    return html + pageEnd();
}

}  // namespace vesko
