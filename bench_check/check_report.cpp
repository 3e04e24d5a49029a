// Writing the verdict as one JSON object.
#include "check_report.h"

#include <nlohmann/json.hpp>

namespace vesko {

namespace {

using Json = nlohmann::ordered_json;

Json optionalNumber(const std::optional<double>& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json optionalVector(const std::optional<Axes3>& value) {
    return value ? Json::array({(*value)[0], (*value)[1], (*value)[2]}) : Json(nullptr);
}

Json rowJson(const CheckRow& r) {
    Json j;
    j["name"] = r.name;
    j["measured"] = optionalNumber(r.measured);
    j["reference"] = optionalNumber(r.reference);
    j["unit"] = r.unit;
    j["limit"] = r.limit;
    j["limit_unit"] = r.limitUnit;
    j["result"] = outcomeName(r.outcome);
    j["note"] = r.note;
    return j;
}

}  // namespace

std::string checkReportJson(const CheckVerdict& verdict, const BenchLimits& limits, const ReportContext& context) {
    Json doc;
    doc["tool"] = "headvane-lab check";
    doc["version"] = context.toolVersion;
    doc["time_utc"] = context.timeUtc;
    doc["unit_serial"] = context.unitSerial;
    doc["config_serial"] = context.configSerial;
    doc["config_path"] = context.configPath;
    doc["gyro_scale"] = context.gyroScale;
    doc["turn_deg"] = context.turnDegrees;
    doc["limits"] = Json::parse(benchLimitsJson(limits));
    Json rows = Json::array();
    for (const CheckRow& r : verdict.rows) rows.push_back(rowJson(r));
    doc["checks"] = rows;
    doc["suggested"] = {{"acc_bias", optionalVector(verdict.suggested.accBias)},
                        {"acc_scale", optionalVector(verdict.suggested.accScale)},
                        {"gyro_scale", optionalNumber(verdict.suggested.gyroScale)}};
    doc["verdict"] = verdict.exitStatus == 0 ? "PASS" : "FAIL";
    doc["exit_status"] = verdict.exitStatus;
    // Strings such as a serial may hold any byte: replace what is not UTF-8 instead of failing.
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace vesko
