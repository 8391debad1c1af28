// Reading, writing and the round trip of the benchmark torrents, in bytes
// per second and nanoseconds per tree node.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/torrent_shapes.h"
#include "bencoding/reader.h"

namespace {

const std::string& torrent(size_t index) {
    static std::unique_ptr<std::string> cache[16];
    if (!cache[index]) cache[index] = std::make_unique<std::string>(bench::makeTorrent(bench::torrentShapes()[index]));
    return *cache[index];
}

size_t countNodes(const BValue& node) {
    size_t count = 1;
    for (const auto& element : node.elements) count += countNodes(*element);
    for (const auto& entry : node.entries) count += countNodes(*entry.second);
    return count;
}

// The cached documents outlive every tree that views them.
BValuePtr parse(const std::string& bytes) {
    return parseDocument(bytes.data(), static_cast<int32_t>(bytes.size()));
}

void report(benchmark::State& state, const std::string& bytes, size_t nodes) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    // Seconds per node, shown with an SI prefix ("85n" is 85 ns).
    state.counters["per_node"] = benchmark::Counter(static_cast<double>(nodes) * static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Parse(benchmark::State& state) {
    const std::string& bytes = torrent(static_cast<size_t>(state.range(0)));
    state.SetLabel(bench::torrentShapes()[static_cast<size_t>(state.range(0))].name);
    size_t nodes = countNodes(*parse(bytes));
    for (auto _ : state) {
        BValuePtr root = parse(bytes);
        benchmark::DoNotOptimize(root.get());
    }
    report(state, bytes, nodes);
}

void Write(benchmark::State& state) {
    const std::string& bytes = torrent(static_cast<size_t>(state.range(0)));
    state.SetLabel(bench::torrentShapes()[static_cast<size_t>(state.range(0))].name);
    BValuePtr root = parse(bytes);
    size_t nodes = countNodes(*root);
    std::string out(root->encodedSize(), '\0');
    for (auto _ : state) {
        char* cursor = out.data();
        root->encodedSize();
        root->write(cursor);
        benchmark::DoNotOptimize(cursor);
    }
    if (out != bytes) state.SkipWithError("output differs from the canonical input");
    report(state, bytes, nodes);
}

void RoundTrip(benchmark::State& state) {
    const std::string& bytes = torrent(static_cast<size_t>(state.range(0)));
    state.SetLabel(bench::torrentShapes()[static_cast<size_t>(state.range(0))].name);
    size_t nodes = countNodes(*parse(bytes));
    for (auto _ : state) {
        BValuePtr root = parse(bytes);
        auto out = std::make_unique_for_overwrite<char[]>(root->encodedSize());
        char* cursor = out.get();
        root->write(cursor);
        benchmark::DoNotOptimize(cursor);
    }
    report(state, bytes, nodes);
}

void allShapes(benchmark::internal::Benchmark* benchmark) {
    for (size_t i = 0; i < bench::torrentShapes().size(); ++i) benchmark->Arg(static_cast<int64_t>(i));
    benchmark->Unit(benchmark::kMillisecond);
}

BENCHMARK(Parse)->Apply(allShapes);
BENCHMARK(Write)->Apply(allShapes);
BENCHMARK(RoundTrip)->Apply(allShapes);

}  // namespace

BENCHMARK_MAIN();
