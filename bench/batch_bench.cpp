// Times archives of small files: one option-form run against one classic run per file, and a
// folder tree converted whole and then updated with nothing to do.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view usage =
    "USE: vqz_batch_bench [--tree] [--files N] [--runs N] [--dir D] [--program P]\n"
    "  --tree       a tree of 10000 files in 200 folders: one -r -d run against a -u re-run\n"
    "               with nothing to do (target: at most a tenth of the first run's time)\n"
    "  --files N    small files in the archive (default 1500, about 3 KB each; 10000 in a tree)\n"
    "  --runs N     time each way N times and keep the median (default 5)\n"
    "  --dir D      work directory (default: bench-batch beside the program)\n"
    "  --program P  the converter to run (default: vqz2xml beside vqz_batch_bench)\n";

struct Options {
    bool tree = false;
    int files = 0; // 0: the default of the mode
    int runs = 5;
    fs::path dir;
    fs::path program;
};

fs::path ownDirectory() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : self.parent_path();
}

bool parseOptions(int argc, char** argv, Options& options) {
    options.dir = ownDirectory() / "bench-batch";
    options.program = ownDirectory() / "vqz2xml";
    int i = 1;
    if (argc > 1 && std::string_view(argv[1]) == "--tree") {
        options.tree = true;
        ++i;
    }
    for (; i + 1 < argc; i += 2) {
        const std::string_view name = argv[i];
        if (name == "--files") {
            options.files = std::max(1, std::atoi(argv[i + 1]));
        } else if (name == "--runs") {
            options.runs = std::max(1, std::atoi(argv[i + 1]));
        } else if (name == "--dir") {
            options.dir = argv[i + 1];
        } else if (name == "--program") {
            options.program = argv[i + 1];
        } else {
            return false;
        }
    }
    if (options.files == 0) options.files = options.tree ? 10000 : 1500;
    return i == argc;
}

// A small survey of about 3 KB; `seed` varies names, labels and codes from file to file.
std::string smallSurvey(int seed) {
    std::string text =
        "VQZ\r\nVERSION 1.1\r\nDATE \"12 May 2026\"\r\nUSER \"archive\"\r\nSURVEY\r\n"
        "TITLE \"Wave " +
        std::to_string(seed) + " of the panel\"\r\nRECORD A\r\n";
    int column = 1;
    for (int variable = 1; text.size() < 2800; ++variable) {
        const int codes = 2 + (seed + variable) % 5;
        text += "VARIABLE " + std::to_string(variable) + "\r\nNAME \"Q" + std::to_string(variable) +
                "\"\r\nLABEL \"Question " + std::to_string(variable) + " asked in household " +
                std::to_string(seed) + "\"\r\nTYPE single\r\n";
        text += "POSITION " + std::to_string(column) + "\r\nVALUES\r\n";
        for (int code = 1; code <= codes; ++code) {
            text += "  " + std::to_string(code) + " \"Answer " + std::to_string(code) + "\"\r\n";
        }
        text += "END VALUES\r\nEND VARIABLE\r\n";
        ++column;
    }
    return text + "END RECORD\r\nEND SURVEY\r\nEND VQZ\r\n";
}

std::vector<fs::path> writeArchive(const Options& options) {
    const fs::path archive = options.dir / "archive";
    fs::create_directories(archive);
    std::vector<fs::path> files;
    for (int i = 0; i < options.files; ++i) {
        files.push_back(archive / ("survey" + std::to_string(i) + ".vqz"));
        std::ofstream(files.back(), std::ios::binary) << smallSurvey(i);
    }
    return files;
}

// The archive as a tree: 20 waves of 10 regions each, every region's folder holding an equal
// share of the files, names with blanks as real archives have them.
void writeTree(const Options& options) {
    constexpr int waves = 20;
    constexpr int regions = 10;
    const fs::path tree = options.dir / "tree";
    fs::remove_all(tree);
    for (int i = 0; i < options.files; ++i) {
        const int folder = i % (waves * regions);
        const fs::path path = tree / ("wave " + std::to_string(folder / regions)) /
                              ("region " + std::to_string(folder % regions)) /
                              ("household " + std::to_string(i / (waves * regions)) + ".vqz");
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << smallSurvey(i);
    }
}

std::string shellWord(const std::string& word) {
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The median wall time of `runs` runs of a shell command, with `prepare` run before each.
double medianSeconds(const std::string& command, const std::string& prepare, int runs) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        if (std::system(prepare.c_str()) != 0) return -1;
        const auto started = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) return -1;
        times.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// One -r -d run over the whole tree, each time into an empty folder, against a -u run over the
// same tree once every output is there and newer than its input.
int benchTree(const Options& options) {
    writeTree(options);
    const std::string program = shellWord(options.program.string());
    const std::string tree = shellWord((options.dir / "tree").string());
    const std::string xmlDir = shellWord((options.dir / "tree-xml").string());
    const std::string whole = program + " -r -q -d " + xmlDir + " " + tree + " </dev/null";
    const std::string update = program + " -r -u -q -d " + xmlDir + " " + tree + " </dev/null";
    const double wholeSeconds = medianSeconds(whole, "rm -rf " + xmlDir, options.runs);
    const double updateSeconds = medianSeconds(update, "true", options.runs);
    if (wholeSeconds <= 0 || updateSeconds <= 0) {
        std::cerr << "vqz_batch_bench: a run failed\n";
        return 1;
    }
    const double ratio = updateSeconds / wholeSeconds;
    std::printf("tree: %d files in 200 folders; median of %d runs\n", options.files, options.runs);
    std::printf("one -r -d run, every file converted:      %8.3f s  %8.0f files/s\n", wholeSeconds,
                options.files / wholeSeconds);
    std::printf("one -r -u run, every file up to date:     %8.3f s  %8.0f files/s\n", updateSeconds,
                options.files / updateSeconds);
    std::printf("ratio: %.3f (target <= 0.1)%s\n", ratio, ratio <= 0.1 ? "" : "  MISSED");
    return ratio <= 0.1 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::cerr << usage;
        return 2;
    }
    if (access(options.program.c_str(), X_OK) != 0) {
        std::cerr << "vqz_batch_bench: no program at " << options.program << "\n";
        return 2;
    }
    if (options.tree) return benchTree(options);
    const std::vector<fs::path> files = writeArchive(options);
    std::uintmax_t bytes = 0;
    for (const auto& file : files) bytes += fs::file_size(file);
    const fs::path list = options.dir / "list";
    {
        std::ofstream out(list, std::ios::binary);
        for (const auto& file : files) out << file.string() << '\0';
    }
    const std::string archive = shellWord((options.dir / "archive").string());
    const std::string program = shellWord(options.program.string());
    const std::string xmlDir = shellWord((options.dir / "xml").string());
    const std::string clean = "rm -rf " + xmlDir + " && rm -f " + archive + "/*.xml";

    const std::string classic = "xargs -0 -P2 -n1 -a " + shellWord(list.string()) + " " + program +
                                " </dev/null >/dev/null";
    const std::string batch = "xargs -0 -a " + shellWord(list.string()) + " " + program +
                              " -q -d " + xmlDir + " </dev/null";
    const double classicSeconds = medianSeconds(classic, clean, options.runs);
    const double batchSeconds = medianSeconds(batch, clean, options.runs);
    if (classicSeconds <= 0 || batchSeconds <= 0) {
        std::cerr << "vqz_batch_bench: a run failed\n";
        return 1;
    }
    const double ratio = batchSeconds / classicSeconds;
    std::printf("archive: %d files, %.1f KB each on average; median of %d runs\n", options.files,
                static_cast<double>(bytes) / options.files / 1000, options.runs);
    std::printf("one classic run per file (xargs -P2 -n1): %8.3f s  %8.0f files/s\n",
                classicSeconds, options.files / classicSeconds);
    std::printf("one option-form run (-d, all files):     %8.3f s  %8.0f files/s\n", batchSeconds,
                options.files / batchSeconds);
    std::printf("ratio: %.3f (target <= 0.25)%s\n", ratio, ratio <= 0.25 ? "" : "  MISSED");
    return ratio <= 0.25 ? 0 : 1;
}
