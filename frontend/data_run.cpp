// An input's data file read with its survey: written as CSV, or only checked.
#include "frontend/data_run.h"

#include "data/csv_run.h"
#include "frontend/batch_plan.h"
#include "frontend/printable_name.h"
#include "platform/paths.h"
#include "vqz2xml/data.hpp"
#include "vqz2xml/survey.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace {

namespace fs = std::filesystem;

// The data errors listed for one input; the rest are counted, so that a file broken on every
// line does not fill the memory with messages.
constexpr std::size_t maxListedErrors = 10000;

// Whether `name` is `stem` followed by ".dat" in any letter case.
bool isDataName(std::string_view name, std::string_view stem) {
    constexpr std::string_view ending = ".dat";
    if (name.size() != stem.size() + ending.size() || name.substr(0, stem.size()) != stem) {
        return false;
    }
    const std::string_view a = name.substr(stem.size());
    const std::string_view b = ending;
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The threads that decode a data file's records: both processors of a two-processor machine,
// and no more, as writing the CSV keeps one busy as well.
unsigned decodingThreads() { return std::clamp(std::thread::hardware_concurrency(), 1u, 2u); }

// The survey's variables and their columns over the data stream, record by record.
void readRecords(vqz2xml::RecordDecoder& decoder, std::istream& in, const std::string& shownName,
                 std::ostream* csv, const BatchOptions& options, DataRun& run) {
    const auto listErrors = [&](const std::vector<vqz2xml::DataDiagnostic>& errors,
                                std::uint64_t count) {
        for (const vqz2xml::DataDiagnostic& error : errors) {
            if (run.errors++ < maxListedErrors) {
                run.lines.push_back(vqz2xml::dataDiagnosticLine(shownName, error));
            }
        }
        run.errors += count - errors.size();
    };
    if (csv) {
        datafile::CsvRunSettings settings;
        settings.labels = options.labels;
        settings.stopAtError = options.strictData;
        settings.threads = decodingThreads();
        settings.keptErrors = maxListedErrors;
        const datafile::CsvRunResult result =
            datafile::writeCsv(decoder, in, *csv, settings, listErrors);
        run.records = decoder.records();
        run.bytesIn = result.bytesRead;
        if (result.failed) run.failure = "cannot read data " + inQuotes(shownName);
        return;
    }
    vqz2xml::RecordStream records(in);
    std::string_view record;
    while (records.next(record)) {
        decoder.decode(record, records.line());
        listErrors(decoder.errors(), decoder.errors().size());
        if (options.strictData && run.errors > 0) break;
    }
    run.records = decoder.records();
    run.bytesIn = records.bytesRead();
    if (records.failed()) run.failure = "cannot read data " + inQuotes(shownName);
}

} // namespace

std::string dataFileFor(const BatchOptions& options, const std::string& input, bool fromStdin) {
    if (options.data) return *options.data;
    if (fromStdin) return {};
    const fs::path path = platform::toPath(input);
    const std::string stem = platform::toUtf8(path.stem());
    const std::string wanted = stem + ".dat";
    std::error_code error;
    const fs::path beside = path.parent_path() / platform::toPath(wanted);
    if (fs::is_regular_file(beside, error)) return platform::toUtf8(beside);
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = platform::toUtf8(it->path().filename());
        std::error_code ignored;
        if (isDataName(name, stem) && it->is_regular_file(ignored)) {
            return platform::toUtf8(path.parent_path() / it->path().filename());
        }
    }
    return {};
}

std::string csvOutputName(const std::string& xmlName) {
    constexpr std::string_view xml = ".xml";
    if (xmlName.size() < xml.size() ||
        xmlName.compare(xmlName.size() - xml.size(), xml.size(), xml) != 0) {
        return xmlName;
    }
    return xmlName.substr(0, xmlName.size() - xml.size()) + ".csv";
}

DataRun runData(std::string_view metadata, const vqz2xml::Options& encoding,
                const std::string& dataName, std::ostream* csv, const BatchOptions& options) {
    DataRun run;
    const vqz2xml::SurveyResult survey = vqz2xml::readSurvey(metadata, encoding);
    if (!survey.complete) {
        run.surveyComplete = false;
        run.diagnostic = survey.diagnostic;
        return run;
    }
    const std::string shownName = printableName(dataName);
    std::error_code ignored;
    if (fs::is_directory(platform::toPath(dataName), ignored)) {
        run.failure = "cannot read data " + inQuotes(dataName) + ": " +
                      std::make_error_code(std::errc::is_a_directory).message();
        return run;
    }
    std::ifstream in(platform::toPath(dataName), std::ios::binary);
    if (!in.is_open()) {
        run.failure = "cannot read data " + inQuotes(dataName) + ": " + std::strerror(errno);
        return run;
    }
    vqz2xml::DataOptions dataOptions;
    dataOptions.encoding = survey.encoding;
    try {
        vqz2xml::RecordDecoder decoder(survey.survey, dataOptions);
        readRecords(decoder, in, shownName, csv, options, run);
        if (run.errors > maxListedErrors) {
            run.lines.push_back(shownName + ": " + std::to_string(run.errors - maxListedErrors) +
                                " more data errors not listed");
        }
        for (const vqz2xml::DataWarning& warning : decoder.warnings()) {
            run.lines.push_back(vqz2xml::dataWarningLine(shownName, warning));
            run.warnings += warning.count;
        }
    } catch (const std::invalid_argument& error) {
        run.failure = "cannot read data " + inQuotes(dataName) + ": " + error.what();
    }
    return run;
}
