// The report of an option-form run: one JSON object per input, a line each (JSON Lines).
#include "frontend/batch_report.h"

#include "core/encoding_guess.h"
#include "frontend/batch_options.h"
#include "platform/paths.h"

#include <cerrno>
#include <iostream>
#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

// A text of any bytes: as it is when valid UTF-8, and otherwise with its exact bytes beside it,
// for the writer replaces what is not UTF-8.
void putText(Json& object, const std::string& key, const std::string& text) {
    object[key] = text;
    if (isValidUtf8(text)) return;
    constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * text.size());
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    object[key + "_hex"] = hex;
}

} // namespace

std::string_view statusName(Status status) {
    switch (status) {
    case Status::Converted: return "converted";
    case Status::Faulty: return "faulty";
    case Status::Skipped: return "skipped";
    case Status::UpToDate: return "up-to-date";
    case Status::Failed: return "failed";
    }
    return "failed";
}

std::string reportLine(const ReportRecord& record) {
    Json object = Json::object();
    putText(object, "input", record.input);
    object["output"] = nullptr;
    if (record.output) putText(object, "output", *record.output);
    object["status"] = statusName(record.status);
    object["encoding"] = nullptr;
    if (record.encoding) object["encoding"] = vqz2xml::encodingName(*record.encoding);
    object["bytes_in"] = record.bytesIn;
    object["bytes_out"] = record.bytesOut;
    if (record.diagnostic) {
        object["line"] = record.diagnostic->line;
        object["column"] = record.diagnostic->column;
        putText(object, "expected", record.diagnostic->expected);
        putText(object, "found", record.diagnostic->found);
    }
    if (record.status == Status::Failed) putText(object, "error", record.error);
    if (record.data) {
        object["records"] = record.data->records;
        object["data_errors"] = record.data->errors;
        object["data_warnings"] = record.data->warnings;
    }
    return object.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::error_code ReportFile::open(const std::string& name) {
    if (name == "-") {
        out = &std::cout;
        return {};
    }
    errno = 0;
    file.open(platform::toPath(name), std::ios::binary | std::ios::trunc);
    if (!file.is_open()) {
        return {errno != 0 ? errno : EIO, std::generic_category()};
    }
    out = &file;
    return {};
}

void ReportFile::write(const ReportRecord& record) {
    if (!out) return;
    *out << reportLine(record) << '\n';
    out->flush();
}
