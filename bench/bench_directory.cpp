// Lookups in a generated retracker directory of about 1 MB in Windows-1251:
// thousands of cities, their providers and a retracker section for every
// pair. Every lookup reads the file anew, so the time per lookup is one read
// of the whole file plus the search through it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "settings/directory.h"

namespace {

// Windows-1251 bytes of the section prefixes and the count key.
const std::string kCitySection = "\xC3\xEE\xF0\xEE\xE4";                       // Город
const std::string kProviders = "\xCF\xF0\xEE\xE2\xE0\xE9\xE4\xE5\xF0\xFB ";  // "Провайдеры "
const std::string kCount = "\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE";       // Количество

constexpr int kCities = 1500;
constexpr int kProvidersPerCity = 4;

// Cyrillic syllables in Windows-1251: Но, во, гор, ск, Ка, за, нь, ре, чи, ль.
const char* const kSyllables[] = {"\xCD\xEE", "\xE2\xEE", "\xE3\xEE\xF0", "\xF1\xEA", "\xCA\xE0",
                                  "\xE7\xE0", "\xED\xFC", "\xF0\xE5",     "\xF7\xE8", "\xEB\xFC"};

// Three syllables chosen by the digits of the number, then the number, so
// that every name is unique and the same on every run.
std::string cityNameFor(int city) {
    std::string name;
    for (int n = city, i = 0; i < 3; ++i, n /= 10) name += kSyllables[n % 10];
    return name + "-" + std::to_string(city);
}

std::string providerNameFor(int city, int provider) {
    return "Net" + std::to_string(provider) + " " + std::to_string(city % 97);
}

std::string urlFor(int city, int provider, int number) {
    return "http://retracker" + std::to_string(number) + ".isp" + std::to_string(city) + "-" +
           std::to_string(provider) + ".example:80/announce";
}

int retrackersOf(int city, int provider) { return 1 + (city + provider) % 3; }

std::string makeDirectory() {
    std::string text = "[" + kCitySection + "]\r\n";
    for (int city = 1; city <= kCities; ++city) text += std::to_string(city) + "=" + cityNameFor(city) + "\r\n";
    for (int city = 1; city <= kCities; ++city) {
        text += "[" + kProviders + cityNameFor(city) + "]\r\n";
        for (int provider = 1; provider <= kProvidersPerCity; ++provider)
            text += std::to_string(provider) + "=" + providerNameFor(city, provider) + "\r\n";
    }
    for (int city = 1; city <= kCities; ++city) {
        for (int provider = 1; provider <= kProvidersPerCity; ++provider) {
            text += "[" + retrackerSection(cityNameFor(city), providerNameFor(city, provider)) + "]\r\n";
            const int count = retrackersOf(city, provider);
            text += kCount + "=" + std::to_string(count) + "\r\n";
            for (int number = 1; number <= count; ++number)
                text += std::to_string(number) + "=" + urlFor(city, provider, number) + "\r\n";
        }
    }
    return text;
}

// The directory file in a temporary directory, removed at exit.
class DirectoryFile {
public:
    DirectoryFile() {
        char pattern[] = "/tmp/bench_directory.XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        dir_ = pattern;
        path_ = dir_ + "/retrackers.ini";
        text_ = makeDirectory();
        FILE* file = std::fopen(path_.c_str(), "wb");
        if (!file || std::fwrite(text_.data(), 1, text_.size(), file) != text_.size() || std::fclose(file) != 0)
            std::abort();
    }
    ~DirectoryFile() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    const std::string& path() const { return path_; }
    size_t size() const { return text_.size(); }

private:
    std::string dir_, path_, text_;
};

const DirectoryFile& directory() {
    static DirectoryFile file;
    return file;
}

// The last city and its last provider; a retracker section near the end of
// the file, whose last URL is read.
constexpr int kLastCity = kCities;
constexpr int kNearEndCity = kCities - 2;
constexpr int kNearEndProvider = 3;

void label(benchmark::State& state) { state.SetLabel(std::to_string(directory().size()) + " bytes"); }

void check(benchmark::State& state, bool ok) {
    if (!ok) state.SkipWithError("unexpected lookup result");
}

void CityNameFirst(benchmark::State& state) {
    const std::string& path = directory().path();
    std::string name;
    for (auto _ : state) {
        name = cityName(path, 1);
        benchmark::DoNotOptimize(name.data());
    }
    check(state, name == cityNameFor(1));
    label(state);
}

void CityNameLast(benchmark::State& state) {
    const std::string& path = directory().path();
    std::string name;
    for (auto _ : state) {
        name = cityName(path, kLastCity);
        benchmark::DoNotOptimize(name.data());
    }
    check(state, name == cityNameFor(kLastCity));
    label(state);
}

void ProviderNameLast(benchmark::State& state) {
    const std::string& path = directory().path();
    const std::string city = cityNameFor(kLastCity);
    std::string name;
    for (auto _ : state) {
        name = providerName(path, city, kProvidersPerCity);
        benchmark::DoNotOptimize(name.data());
    }
    check(state, name == providerNameFor(kLastCity, kProvidersPerCity));
    label(state);
}

std::string nearEndSection() {
    return retrackerSection(cityNameFor(kNearEndCity), providerNameFor(kNearEndCity, kNearEndProvider));
}

void RetrackerCountNearEnd(benchmark::State& state) {
    const std::string& path = directory().path();
    const std::string section = nearEndSection();
    int32_t count = 0;
    for (auto _ : state) {
        count = retrackerCount(path, section);
        benchmark::DoNotOptimize(count);
    }
    check(state, count == retrackersOf(kNearEndCity, kNearEndProvider));
    label(state);
}

void RetrackerUrlNearEnd(benchmark::State& state) {
    const std::string& path = directory().path();
    const std::string section = nearEndSection();
    const int number = retrackersOf(kNearEndCity, kNearEndProvider);
    std::string url;
    for (auto _ : state) {
        url = retrackerUrl(path, section, number);
        benchmark::DoNotOptimize(url.data());
    }
    check(state, url == urlFor(kNearEndCity, kNearEndProvider, number));
    label(state);
}

BENCHMARK(CityNameFirst)->Unit(benchmark::kMicrosecond);
BENCHMARK(CityNameLast)->Unit(benchmark::kMicrosecond);
BENCHMARK(ProviderNameLast)->Unit(benchmark::kMicrosecond);
BENCHMARK(RetrackerCountNearEnd)->Unit(benchmark::kMicrosecond);
BENCHMARK(RetrackerUrlNearEnd)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
