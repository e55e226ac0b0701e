// The installed-app scan over 2,000 generated desktop entries beside the floor any scan pays:
// opening and reading every byte of the same files, from a list made beforehand.

#include "Timing.hpp"
#include "app/ai/InstalledApps.hpp"

#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

namespace fs = std::filesystem;

constexpr int entryCount = 2000;

const char* const languages[] = {"ar", "bg", "ca", "cs", "da", "de", "el", "en_GB", "es", "et", "eu", "fi",
                                 "fr", "gl", "he", "hu", "id", "it", "ja", "ko", "lt", "nb", "nl", "pl",
                                 "pt", "pt_BR", "ro", "ru", "sk", "sl", "sr@latin", "sv", "tr", "uk", "zh_CN",
                                 "zh_TW"};

// An entry as a distribution ships one: translated names and comments, keywords, an action group.
std::string entryText(int i) {
    const std::string name = (i % 3 == 0 ? "app " : "App ") + std::to_string(i * 7919 % entryCount);
    std::string text = "# generated\n[Desktop Entry]\nVersion=1.0\n";
    text += i % 97 == 0 ? "Type=Link\n" : "Type=Application\n";
    text += "Name=" + name + "\nGenericName=Tool\nComment=Does a thing\\sfor students\n";
    for (const char* language : languages) {
        text += std::string("Name[") + language + "]=" + name + " (" + language + ")\n";
        text += std::string("Comment[") + language + "]=Eine Sache für Studierende\n";
    }
    text += "Exec=app-" + std::to_string(i) + " %U\nTryExec=app-" + std::to_string(i) + "\nIcon=app-" +
            std::to_string(i) + "\nTerminal=false\nCategories=Education;Office;\nKeywords=study;notes;\n" +
            "StartupNotify=true\nStartupWMClass=App" + std::to_string(i) + "\n";
    if (i % 50 == 0) {
        text += "NoDisplay=true\n";
    }
    text += "Actions=new-window;\n\n[Desktop Action new-window]\nName=New Window\nExec=app-" + std::to_string(i) +
            " --new-window\n";
    return text;
}

// The tree: a user folder with a tenth of the entries and a system folder with the rest, a few in
// each folder's subfolder.
struct Tree {
    Tree() : root(fs::temp_directory_path() / ("installed-apps-bench-" + std::to_string(::getpid()))) {
        fs::remove_all(root);
        folders = {root / "home/applications", root / "usr/applications"};
        for (const fs::path& folder : folders) {
            fs::create_directories(folder / "vendor");
        }
        for (int i = 0; i < entryCount; ++i) {
            const fs::path folder = i % 10 == 0 ? folders[0] : folders[1];
            const fs::path file = folder / (i % 40 == 1 ? "vendor/" : "") / ("org.example.App" + std::to_string(i) + ".desktop");
            std::ofstream(file, std::ios::binary) << entryText(i);
            files.push_back(file.string());
        }
    }
    ~Tree() { fs::remove_all(root); }

    fs::path root;
    std::vector<fs::path> folders;
    std::vector<std::string> files;
};

const Tree& tree() {
    static const Tree made;
    return made;
}

void BM_RawRead(benchmark::State& state) {
    const Tree& files = tree();
    std::vector<char> buffer(64 * 1024);
    ostrel::bench::timed(state, "raw", [&] {
        std::size_t bytes = 0;
        for (const std::string& file : files.files) {
            const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
            ssize_t got = 0;
            while ((got = ::read(fd, buffer.data(), buffer.size())) > 0) {
                bytes += static_cast<std::size_t>(got);
            }
            ::close(fd);
        }
        benchmark::DoNotOptimize(bytes);
    });
}
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond);

void BM_InstalledApps(benchmark::State& state) {
    const Tree& files = tree();
    ostrel::bench::timed(state, "all", [&] {
        auto apps = ostrel::InstalledApps::all(files.folders, "de_DE");
        benchmark::DoNotOptimize(apps);
    });
}
BENCHMARK(BM_InstalledApps)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return ostrel::bench::runBenchmarks(argc, argv, [] {
        const auto& table = ostrel::bench::means();
        for (const char* name : {"raw", "all"}) {
            if (const auto found = table.find(name); found != table.end()) {
                const double ms = ostrel::bench::median(ostrel::bench::repetitions(found->second)) * 1000;
                char text[32];
                const auto end = std::to_chars(text, text + sizeof text, ms, std::chars_format::fixed, 2).ptr;
                std::printf("%s: %.*s ms (median)\n", name, static_cast<int>(end - text), text);
            }
        }
        ostrel::bench::printRatio("all() over the raw read of its files (aim: 2 or less)", "all", "raw");
    });
}
