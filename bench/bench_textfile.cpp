// Throughput of the text-file reader and writer on a 70 MB comma-separated
// file (mostly ASCII with some accented text, CR LF line ends).
#include "TextFile.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr qsizetype kTargetBytes = 70 * 1024 * 1024;

QByteArray MakeCsv(bool ascii) {
    QByteArray out;
    out.reserve(kTargetBytes + 256);
    int row = 0;
    while (out.size() < kTargetBytes) {
        out += QByteArray::number(row) + ",12.50,\"text, quoted\",";
        out += ascii ? QByteArray("plain name") : QByteArray("caf\xC3\xA9 \xE2\x82\xAC");
        out += ",=SUM(A1:A5),2024-03-03\r\n";
        ++row;
    }
    return out;
}

struct Fixture {
    QTemporaryDir dir;
    QString name;
    QByteArray bytes;
    explicit Fixture(bool ascii) : name(dir.filePath(QStringLiteral("big.csv"))), bytes(MakeCsv(ascii)) {
        QFile f(name);
        if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    }
};

void BM_LoadTextFile(benchmark::State& state) {
    static Fixture fx(state.range(0) != 0);
    for (auto _ : state) {
        TTextLines t = LoadTextFile(fx.name);
        benchmark::DoNotOptimize(t.Lines.size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * fx.bytes.size());
}
BENCHMARK(BM_LoadTextFile)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadTextFileUtf8(benchmark::State& state) {
    static Fixture fx(false);
    for (auto _ : state) {
        TTextLines t = LoadTextFile(fx.name);
        benchmark::DoNotOptimize(t.Lines.size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * fx.bytes.size());
}
BENCHMARK(BM_LoadTextFileUtf8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveTextFile(benchmark::State& state) {
    static Fixture fx(false);
    const QStringList lines = ReadTextLines(fx.bytes).Lines;
    const QString out = fx.dir.filePath(QStringLiteral("out.csv"));
    for (auto _ : state) SaveTextFile(out, lines, teUTF8, true);
    state.SetBytesProcessed(int64_t(state.iterations()) * fx.bytes.size());
}
BENCHMARK(BM_SaveTextFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
