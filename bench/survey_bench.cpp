// The survey model's bench: readSurvey beside the XML conversion in memory, and the program's
// --format=json beside its XML on big surveys, with the peak memory of each in a child process.
// Not a test. Run from a Release build: build-rel/vqz_survey_bench [--quick]
#include "bench/input_generator.h"
#include "vqz2xml/survey.hpp"
#include "vqz2xml/vqz2xml.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int rounds = 5;

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <class Work> double seconds(Work work) {
    const auto started = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

// The bytes the model holds: its texts and lists, as allocated.
std::size_t modelBytes(const vqz2xml::Survey& survey) {
    std::size_t bytes = survey.variables.capacity() * sizeof(vqz2xml::Variable);
    const auto text = [](const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; };
    for (const auto& v : survey.variables) {
        bytes += text(v.ident) + text(v.name) + text(v.label) +
                 v.values.capacity() * sizeof(vqz2xml::Code);
        for (const auto& c : v.values) bytes += text(c.label) + (c.code ? text(*c.code) : 0);
    }
    return bytes;
}

struct ChildRun {
    double seconds = 0;
    double peakMegabytes = 0;
    bool ok = false;
};

ChildRun runChild(std::vector<std::string> words) {
    std::vector<char*> arguments;
    for (auto& word : words) arguments.push_back(word.data());
    arguments.push_back(nullptr);
    ChildRun run;
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) return run;
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        execvp(arguments[0], arguments.data());
        _exit(127);
    }
    int status = 0;
    rusage resources{};
    if (wait4(child, &status, 0, &resources) != child) return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.peakMegabytes = static_cast<double>(resources.ru_maxrss) / 1024.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// In a child of its own: reads the survey of `file` and nothing else, for its peak memory.
int readSurveyOnly(const char* file) {
    const std::string input = readFile(file);
    const vqz2xml::SurveyResult result = vqz2xml::readSurvey(input);
    std::printf("%zu\n", modelBytes(result.survey));
    return result.complete ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--read-survey-only") == 0) return readSurveyOnly(argv[2]);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const fs::path self = fs::canonical("/proc/self/exe");
    const std::string program = (self.parent_path() / "vqz2xml").string();
    const fs::path dir = fs::temp_directory_path() / "vqz-survey-bench";
    fs::create_directories(dir);
    struct Case {
        const char* name;
        InputKind kind;
        double megabytes;
    };
    const Case cases[] = {{"v11-100MB", InputKind::V11, 100},
                          {"v10-100MB", InputKind::V10, 100},
                          {"1M-variables", InputKind::Variables, 62}};
    std::printf("%-13s %7s %9s %9s %6s %8s %8s %9s %9s %9s %9s\n", "input", "MB", "convert s",
                "survey s", "ratio", "model MB", "peak MB", "xml s", "json s", "xml MB", "json MB");
    // The children run first, before this process has held a big input: a child's peak memory
    // counts its parent's from the moment it was forked.
    struct Row {
        double megabytes = 0, modelPeak = 0, xmlPeak = 0, jsonPeak = 0;
        std::vector<double> xmlTimes, jsonTimes;
    };
    std::vector<Row> rows;
    std::vector<fs::path> files;
    for (const Case& c : cases) {
        const fs::path file = dir / (std::string(c.name) + (quick ? "-quick" : "") + ".vqz");
        const double megabytes = quick ? c.megabytes / 10 : c.megabytes;
        if (!fs::exists(file)) {
            const pid_t child = fork();
            if (child == 0) _exit(generateInput(c.kind, megabytes, file.string()) ? 0 : 1);
            int status = 0;
            if (child < 0 || waitpid(child, &status, 0) != child || status != 0) {
                std::fprintf(stderr, "cannot write %s\n", file.c_str());
                return 2;
            }
        }
        files.push_back(file);
        Row row;
        row.megabytes = static_cast<double>(fs::file_size(file)) / 1e6;
        for (int round = 0; round < rounds; ++round) {
            const ChildRun xml = runChild({program, "-f", "-q", "-o", "/dev/null", file.string()});
            const ChildRun json = runChild(
                {program, "-f", "-q", "--format=json", "-o", "/dev/null", file.string()});
            if (!xml.ok || !json.ok) std::fprintf(stderr, "a run of the program failed\n");
            row.xmlTimes.push_back(xml.seconds);
            row.jsonTimes.push_back(json.seconds);
            row.xmlPeak = std::max(row.xmlPeak, xml.peakMegabytes);
            row.jsonPeak = std::max(row.jsonPeak, json.peakMegabytes);
        }
        row.modelPeak = runChild({self.string(), "--read-survey-only", file.string()}).peakMegabytes;
        rows.push_back(row);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const std::string input = readFile(files[i]);
        std::vector<double> convertTimes, surveyTimes;
        double modelMegabytes = 0;
        for (int round = 0; round < rounds; ++round) {
            // Each result is kept until both are timed: freeing it is not part of the call.
            vqz2xml::Result xml;
            convertTimes.push_back(seconds([&] { xml = vqz2xml::convert(input); }));
            vqz2xml::SurveyResult survey;
            surveyTimes.push_back(seconds([&] { survey = vqz2xml::readSurvey(input); }));
            modelMegabytes = static_cast<double>(modelBytes(survey.survey)) / 1e6;
        }
        std::printf("%-13s %7.1f %9.3f %9.3f %6.2f %8.1f %8.1f %9.3f %9.3f %9.1f %9.1f\n",
                    cases[i].name, row.megabytes, median(convertTimes), median(surveyTimes),
                    median(surveyTimes) / median(convertTimes), modelMegabytes, row.modelPeak,
                    median(row.xmlTimes), median(row.jsonTimes), row.xmlPeak, row.jsonPeak);
    }
    std::printf("\nconvert/survey: vqz2xml::convert into a string and readSurvey in this process, "
                "median of %d interleaved runs;\nratio = survey / convert (goal <= 1.1); model MB: "
                "the model's texts and lists as allocated\npeak MB: a child that reads the file "
                "and its survey only (input + model + the process)\nxml/json: the program with "
                "-o /dev/null, without and with --format=json: wall time, peak memory\n",
                rounds);
    return 0;
}
