// Cost of the conversions on the path of showing cells: Format("%.2f"),
// FloatToStr and TryStrToFloat, per call and for a screen of 10,000 cells.
#include "SysUtils.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

std::vector<double> Values(size_t n) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> d(-1e6, 1e6);
    std::vector<double> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = (i % 4 == 0) ? static_cast<double>(static_cast<int>(d(rng))) : d(rng) / 7;
    return v;
}

void BM_TryFormat2f(benchmark::State& state) {
    const auto values = Values(1024);
    const QString fmt = QStringLiteral("%.2f");
    QString out;
    size_t i = 0;
    for (auto _ : state) {
        TryFormat(out, fmt, {values[i++ & 1023]});
        benchmark::DoNotOptimize(out.constData());
    }
}
BENCHMARK(BM_TryFormat2f);

void BM_Format2f(benchmark::State& state) {
    const auto values = Values(1024);
    const QString fmt = QStringLiteral("%.2f");
    size_t i = 0;
    for (auto _ : state) {
        QString s = Format(fmt, {values[i++ & 1023]});
        benchmark::DoNotOptimize(s.constData());
    }
}
BENCHMARK(BM_Format2f);

void BM_FormatG(benchmark::State& state) {
    const auto values = Values(1024);
    const QString fmt = QStringLiteral("%g");
    QString out;
    size_t i = 0;
    for (auto _ : state) {
        TryFormat(out, fmt, {values[i++ & 1023]});
        benchmark::DoNotOptimize(out.constData());
    }
}
BENCHMARK(BM_FormatG);

void BM_FloatToStr(benchmark::State& state) {
    const auto values = Values(1024);
    size_t i = 0;
    for (auto _ : state) {
        QString s = FloatToStr(values[i++ & 1023]);
        benchmark::DoNotOptimize(s.constData());
    }
}
BENCHMARK(BM_FloatToStr);

void BM_TryStrToFloat(benchmark::State& state) {
    const auto values = Values(1024);
    std::vector<QString> texts;
    for (double v : values) texts.push_back(FloatToStr(v));
    size_t i = 0;
    double v = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TryStrToFloat(texts[i++ & 1023], v));
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_TryStrToFloat);

// The shown text of 10,000 cells: parse the cell text, format the value.
void TenThousandCells(benchmark::State& state, const QString& fmt) {
    const auto values = Values(10000);
    std::vector<QString> texts;
    for (double v : values) texts.push_back(FloatToStr(v));
    std::vector<QString> shown(10000);
    for (auto _ : state) {
        for (size_t k = 0; k < texts.size(); ++k) {
            double v = 0;
            if (TryStrToFloat(texts[k], v)) TryFormat(shown[k], fmt, {v});
        }
        benchmark::DoNotOptimize(shown.data());
    }
}

void BM_TenThousandCells(benchmark::State& state) { TenThousandCells(state, QStringLiteral("%.2f")); }
BENCHMARK(BM_TenThousandCells)->Unit(benchmark::kMicrosecond);

void BM_TenThousandCellsG(benchmark::State& state) { TenThousandCells(state, QStringLiteral("%g")); }
BENCHMARK(BM_TenThousandCellsG)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
