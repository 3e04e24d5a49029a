// Assembles the noise analysis' HTML page from the table's cells, the picture and the noise file.
#include "allan_page.h"

#include "allan_kalibr.h"
#include "allan_picture.h"
#include "allan_report.h"
#include "allan_units.h"
#include "html_page.h"
#include "printf_string.h"

namespace vesko {

namespace {

// Cells stay on one line, and the picture leaves room on the first page for the table above it.
constexpr const char* kAllanStyle = R"(tr.sensor th { padding-top: 2mm; }
#figures td, #figures th { white-space: nowrap; font-size: 8.5pt; }
#figure-allan svg { width: 78%; margin: 0 auto; }
td.bound { color: #7a5a00; background: #fdf2cc; }
td.never { color: #a4161a; background: #fbe3e4; }
)";

std::string header(const AllanPageInput& in) {
    const CaptureMetadata& c = in.capture;
    std::string html = "<header>\n<div>\n<h1>IMU noise: Allan deviation</h1>\n<dl>\n";
    html += pageFact("Capture", "<code id=\"capture\">" + htmlEscaped(in.capturePath) + "</code>");
    if (!c.unitSerial.empty()) html += pageFact("Unit serial", htmlEscaped(c.unitSerial));
    if (!c.startedUtc.empty()) {
        html += pageFact("Recorded", htmlEscaped(c.startedUtc) + (c.tool.empty() ? "" : " by " + htmlEscaped(c.tool)));
    }
    html += pageFact("Analysed", htmlEscaped(in.analysedUtc));
    html += pageFact("Tool", "headvane-lab " + htmlEscaped(in.toolVersion));
    html += pageFact("Run", htmlEscaped(analysedLine(in.analysis)));
    return html + "</dl>\n</div>\n</header>\n";
}

std::string cell(const NoiseFigure& f, double factor) {
    return std::string(f.measured ? "<td>" : "<td class=\"bound\">") + htmlEscaped(figureCell(f, factor)) + "</td>";
}

std::string axisRow(const AxisNoise& axis, const SensorUnits& u) {
    std::string html = "<tr class=\"axis\"><td>" + htmlEscaped(std::string(axisName(axis.axis))) + "</td>";
    if (axis.neverChanged) {
        return html + "<td class=\"never\" colspan=\"5\">" + htmlEscaped(std::string(kNeverChangedNote)) +
               "</td></tr>\n";
    }
    const NoiseFigures& f = axis.figures;
    html += cell(f.white, u.white.factor) + cell(f.instability, u.floor.factor);
    html += "<td>" + printfString("%.3g s", f.instability.tau) + "</td>";
    return html + cell(f.rawMinimum, u.floor.factor) + cell(f.rateWalk, u.walk.factor) + "</tr>\n";
}

std::string sensorRows(const NoiseAnalysis& a, std::size_t first) {
    const SensorUnits& u = unitsOf(a.axes[first].axis);
    std::string html = std::string("<tr class=\"sensor\"><th>") + (first == 0 ? "gyroscope" : "accelerometer") +
                       "</th><th>N " + std::string(u.white.text) + "</th><th>B " + std::string(u.floor.text) +
                       "</th><th>at \u03c4</th><th>minimum " + std::string(u.floor.text) + "</th><th>K " +
                       std::string(u.walk.text) + "</th></tr>\n";
    for (std::size_t i = first; i < first + 3; ++i) html += axisRow(a.axes[i], u);
    return html;
}

std::string figuresTable(const NoiseAnalysis& a) {
    return "<h2>Noise figures</h2>\n<table id=\"figures\">\n<tbody>\n" + sensorRows(a, 0) + sensorRows(a, 3) +
           "</tbody>\n</table>\n<p class=\"note\">" + htmlEscaped(intervalsNote(a)) + "</p>\n";
}

std::string kalibrRow(const LargestAxisFigure& v) {
    std::string html = "<tr><td><code>" + std::string(v.name) + "</code></td>";
    if (!v.available()) return html + "<td class=\"never\" colspan=\"2\">no axis of the sensor changed</td></tr>\n";
    const NoiseFigure& f = v.figure();
    html += std::string(f.measured ? "<td>" : "<td class=\"bound\">") + (f.measured ? "" : "\u2264 ") +
            printfString("%.4g", f.value) + " " + std::string(v.unit) + (f.measured ? "" : " (bound)") + "</td>";
    return html + "<td>" + htmlEscaped(std::string(axisName(v.axes[*v.largest]))) + "</td></tr>\n";
}

std::string kalibrSection(const AllanPageInput& in) {
    const ImuNoiseSi noise = imuNoiseSi(in.analysis);
    std::string html = "<h2>The noise file for a visual-inertial calibrator</h2>\n<table id=\"kalibr\">\n"
                       "<thead><tr><th>key</th><th>value</th><th>largest on</th></tr></thead>\n<tbody>\n";
    for (const LargestAxisFigure* v : noise.all()) html += kalibrRow(*v);
    html += "<tr><td><code>update_rate</code></td><td>" + printfString("%.6g", noise.updateRateHz) +
            " Hz</td><td>1 / tau0</td></tr>\n</tbody>\n</table>\n";
    std::string missing;
    const std::string yaml = kalibrYaml(noise, noiseSource(in.analysis, in.capturePath, in.toolVersion), &missing);
    if (yaml.empty()) return html + "<p>No noise file: " + htmlEscaped(missing) + " has no axis to come from.</p>\n";
    return html + "<pre id=\"kalibr-file\">" + htmlEscapedLines(yaml) + "</pre>\n";
}

}  // namespace

std::string allanPage(const AllanPageInput& in) {
    const std::string& subject = in.capture.unitSerial.empty() ? in.capturePath : in.capture.unitSerial;
    std::string html = pageStart("IMU noise " + subject, kAllanStyle);
    html += header(in) + figuresTable(in.analysis);
    html += pageFigure("figure-allan", "Allan deviation: the gyroscope (\u00b0/s) above, the accelerometer (g) below",
                       inlinedSvg(allanPicture(in.analysis)));
    return html + kalibrSection(in) + pageEnd();
}

}  // namespace vesko
