// Reads large word files, reporting bytes per second.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "view/CLexfallView.h"

namespace {

constexpr std::size_t kFileSize = 64u << 20;

// A generated file in the temporary folder, deleted with the object.
class GeneratedFile {
public:
    GeneratedFile(const std::string& name, const std::string& bytes)
        : m_path(std::filesystem::temp_directory_path() / ("lexfall-bench-" + std::to_string(::getpid()) + "-" + name))
    {
        std::ofstream out(m_path, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~GeneratedFile() { std::filesystem::remove(m_path); }
    GeneratedFile(const GeneratedFile&) = delete;
    GeneratedFile& operator=(const GeneratedFile&) = delete;
    std::string path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

// Prose-like text: words of 1..12 letters, some punctuation, line breaks.
std::string makeProse()
{
    std::mt19937 random(7);
    std::string text;
    text.reserve(kFileSize + 64);
    while (text.size() < kFileSize) {
        const int length = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i)
            text += static_cast<char>('a' + random() % 26);
        const unsigned r = random() % 16;
        text += r == 0 ? ",\r\n" : r == 1 ? ". " : " ";
    }
    text.resize(kFileSize);
    return text;
}

std::string makeRandomBytes()
{
    std::mt19937_64 random(11);
    std::string bytes(kFileSize, '\0');
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        const std::uint64_t r = random();
        for (std::size_t k = 0; k < 8; ++k)
            bytes[i + k] = static_cast<char>(r >> (8 * k));
    }
    for (char& c : bytes)
        if (c == '\x1A')
            c = ' ';
    return bytes;
}

void loadRepeatedly(benchmark::State& state, const GeneratedFile& file)
{
    std::size_t words = 0;
    for (auto _ : state) {
        std::unique_ptr<CLexfallView::WordList> list;
        benchmark::DoNotOptimize(CLexfallView::LoadWordFile(file.path().c_str(), list));
        words = list ? list->size() : 0;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kFileSize));
    state.counters["words"] = static_cast<double>(words);
}

void BM_LoadWordFileProse(benchmark::State& state)
{
    static const GeneratedFile file("prose.txt", makeProse());
    loadRepeatedly(state, file);
}

void BM_LoadWordFileRandomBytes(benchmark::State& state)
{
    static const GeneratedFile file("random.txt", makeRandomBytes());
    loadRepeatedly(state, file);
}

} // namespace

BENCHMARK(BM_LoadWordFileProse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadWordFileRandomBytes)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
