// Planning an option-form run: the inputs named or found in folders, and where each is written.
#include "frontend/batch_plan.h"

#include "frontend/conversion_run.h"
#include "frontend/printable_name.h"
#include "platform/output_file.h"
#include "platform/paths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <utility>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view vqzEnding = ".vqz";

bool hasVqzEnding(std::string_view name) {
    if (name.size() <= vqzEnding.size()) return false;
    const std::string_view ending = name.substr(name.size() - vqzEnding.size());
    return std::equal(ending.begin(), ending.end(), vqzEnding.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

// The name two outputs share when they are one file: the folder with its links resolved, then
// the file's own name, or the file's target when it is a symbolic link. A batch names few
// folders, so each is resolved, and its links listed, once: no file is looked at on its own.
class FileKeys {
  public:
    std::string operator()(const std::string& name) {
        // The folder of named pipes is not listed: looking at its entries would connect to them.
        if (platform::isPipeName(name)) return name;
        fs::path path = platform::toPath(name);
        if (path.is_relative() && !noCurrentFolder) {
            // A working folder that was removed has no name: then names are compared as given.
            std::error_code error;
            if (currentFolder.empty()) currentFolder = fs::current_path(error);
            noCurrentFolder = currentFolder.empty();
            if (!noCurrentFolder) path = currentFolder / path;
        }
        path = path.lexically_normal();
        const Folder& folder = folderOf(path.parent_path());
        const fs::path file = path.filename();
        if (folder.links.count(platform::toUtf8(file)) > 0) {
            std::error_code error;
            const fs::path target = fs::weakly_canonical(path, error);
            if (!error) return platform::toUtf8(target);
        }
        return platform::toUtf8(folder.resolved / file);
    }

  private:
    struct Folder {
        fs::path resolved;
        std::set<std::string> links; // the names of the symbolic links in it
    };

    const Folder& folderOf(const fs::path& path) {
        auto [folder, added] = folders.emplace(platform::toUtf8(path), Folder());
        if (!added) return folder->second;
        std::error_code error;
        const fs::path resolved = fs::weakly_canonical(path, error);
        folder->second.resolved = error ? path : resolved;
        for (fs::directory_iterator it(path, error), end; !error && it != end;
             it.increment(error)) {
            std::error_code ignored;
            if (it->is_symlink(ignored)) {
                folder->second.links.insert(platform::toUtf8(it->path().filename()));
            }
        }
        return folder->second;
    }

    fs::path currentFolder;
    bool noCurrentFolder = false;
    std::map<std::string, Folder> folders;
};

std::string outputName(const BatchOptions& options, const std::string& argument) {
    if (options.output) return *options.output == "-" ? std::string() : *options.output;
    std::string beside = outputFileName(argument, std::nullopt);
    if (options.format != OutputFormat::Xml && beside.size() >= 4 &&
        beside.compare(beside.size() - 4, 4, ".xml") == 0) {
        beside.replace(beside.size() - 4, 4, outputEnding(options.format));
    }
    if (!options.outputDir) return beside;
    return platform::toUtf8(platform::toPath(*options.outputDir) /
                            platform::toPath(beside).filename());
}

// The output of a file found below `folder` at `relative`, its name ending in ".vqz".
std::string foundOutputName(const BatchOptions& options, const std::string& folder,
                            const fs::path& relative) {
    if (options.output) return *options.output == "-" ? std::string() : *options.output;
    std::string name = platform::toUtf8(relative.filename());
    name.replace(name.size() - vqzEnding.size(), vqzEnding.size(), outputEnding(options.format));
    const fs::path base = platform::toPath(options.outputDir ? *options.outputDir : folder);
    return platform::toUtf8(base / relative.parent_path() / platform::toPath(name));
}

// An entry met in a folder: its path from the folder argument, and whether to walk into it.
struct Entry {
    fs::path relative;
    std::string name; // the last component in UTF-8, which sets the order
    bool isFolder = false;
};

// What a folder holds that the walk cares about: convertible files and real subfolders, in the
// reverse of their order, so that the stack of entries yet to visit pops the first name first.
std::error_code listFolder(const fs::path& folder, const fs::path& relative,
                           std::vector<Entry>& entries) {
    std::error_code error;
    std::vector<Entry> found;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::directory_entry& entry = *it;
        std::string name = platform::toUtf8(entry.path().filename());
        std::error_code ignored;
        bool isFolder = false;
        if (entry.is_symlink(ignored)) {
            if (!hasVqzEnding(name) || !fs::is_regular_file(entry.status(ignored))) continue;
        } else if (entry.is_directory(ignored)) {
            isFolder = true;
        } else if (!hasVqzEnding(name) || !entry.is_regular_file(ignored)) {
            continue;
        }
        found.push_back({relative / entry.path().filename(), std::move(name), isFolder});
    }
    std::sort(found.begin(), found.end(),
              [](const Entry& a, const Entry& b) { return a.name > b.name; });
    for (Entry& entry : found) entries.push_back(std::move(entry));
    return error;
}

// Adds a job for every file below the folder argument `folder`, depth first, with an explicit
// stack rather than recursion, so that a deep tree takes no stack.
void addFolder(const BatchOptions& options, const std::string& folder, std::vector<Job>& jobs) {
    const fs::path root = platform::toPath(folder);
    std::vector<Entry> pending{{fs::path(), std::string(), true}};
    while (!pending.empty()) {
        const Entry entry = std::move(pending.back());
        pending.pop_back();
        const fs::path path = entry.relative.empty() ? root : root / entry.relative;
        if (!entry.isFolder) {
            jobs.push_back(
                {platform::toUtf8(path), false,
                 options.check ? std::string() : foundOutputName(options, folder, entry.relative),
                 std::string()});
        } else if (const std::error_code error = listFolder(path, entry.relative, pending)) {
            jobs.push_back({platform::toUtf8(path), false, std::string(),
                            "cannot read folder " + inQuotes(platform::toUtf8(path)) + ": " +
                                error.message()});
        }
    }
}

bool isFolder(const std::string& name) {
    if (platform::isPipeName(name)) return false;
    std::error_code error;
    return fs::is_directory(platform::toPath(name), error);
}

// The usage error of two jobs (or a job and the report) that would write one file, or of a
// report that would take an input's place.
std::string findCollision(const BatchOptions& options, const std::vector<Job>& jobs) {
    std::map<std::string, const Job*> writers;
    FileKeys fileKey;
    const Job report{"the report", false, options.report.value_or("-"), std::string()};
    if (report.output != "-") writers.emplace(fileKey(report.output), &report);
    for (const Job& job : jobs) {
        if (job.output.empty()) continue;
        const auto [other, added] = writers.emplace(fileKey(job.output), &job);
        if (added) continue;
        const std::string first =
            other->second == &report ? report.input : inQuotes(other->second->input);
        return first + " and " + inQuotes(job.input) + " would both be written to " +
               inQuotes(job.output);
    }
    if (report.output == "-") return {};
    const std::string reportKey = fileKey(report.output);
    for (const Job& job : jobs) {
        if (!job.fromStdin && job.failure.empty() && fileKey(job.input) == reportKey) {
            return "the report would be written over the input " + inQuotes(job.input);
        }
    }
    return {};
}

} // namespace

std::string inQuotes(std::string_view name) {
    std::string quoted(1, '\'');
    quoted += printableName(name);
    quoted += '\'';
    return quoted;
}

std::string optionFormInputName(const std::string& argument) {
    if (platform::isPipeName(argument)) return argument;
    std::string classic = inputFileName(argument);
    std::error_code error;
    const fs::file_status status = fs::status(platform::toPath(argument), error);
    if (!fs::exists(status)) return classic;
    // A folder gives way to a file of the classic name, which is what such an argument named
    // before names were taken as given.
    if (fs::is_directory(status) && fs::exists(platform::toPath(classic), error)) return classic;
    return argument;
}

Plan planJobs(const BatchOptions& options) {
    Plan plan;
    bool stdinTaken = false;
    for (const std::string& argument : options.inputs) {
        if (argument == "-") {
            if (stdinTaken) {
                plan.error = "standard input is given more than once";
                return plan;
            }
            stdinTaken = true;
            const bool toFile = !options.check && options.output && *options.output != "-";
            plan.jobs.push_back({std::string(stdinName), true,
                                 toFile ? *options.output : std::string(), std::string()});
        } else if (options.recursive && isFolder(argument)) {
            plan.walkedFolder = true;
            addFolder(options, argument, plan.jobs);
        } else {
            plan.jobs.push_back({optionFormInputName(argument), false,
                                 options.check ? std::string() : outputName(options, argument),
                                 std::string()});
        }
    }
    if (options.output && plan.jobs.size() > 1) {
        plan.error = "--output names the output of a single input, but " +
                     std::to_string(plan.jobs.size()) + " inputs are found";
    } else {
        plan.error = findCollision(options, plan.jobs);
    }
    return plan;
}
