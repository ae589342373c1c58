// Cost of the conversions on the path of showing and saving cells:
// TryFormat with the usual cell formats (into a reused string, and into a
// new one as the spreadsheet's display does), FloatToStr and TryStrToFloat,
// per call and for a screen of 10,000 cells.
//
// The per-call benchmarks are registered for every value set:
//   mixed    a quarter integers below 1e6, the rest random fractions / 7
//   integers whole numbers of up to 9 digits, both signs, some zeros
//   cents    amounts with two decimals (k / 100), both signs
//   wide     random mantissas over 1e-6 .. 1e14
//
// --iterations=N runs every benchmark exactly N times (one run, no
// estimation rounds), so that two runs under callgrind with different N give
// the instruction count per call as (Ir(N2) - Ir(N1)) / (N2 - N1).
#include "FloatDigits.h"
#include "SysUtils.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kValues = 1024;  // a power of two: the index wraps with a mask

std::vector<double> Mixed(size_t n) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> d(-1e6, 1e6);
    std::vector<double> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = (i % 4 == 0) ? static_cast<double>(static_cast<int>(d(rng))) : d(rng) / 7;
    return v;
}

std::vector<double> Integers(size_t n) {
    std::mt19937_64 rng(11);
    std::uniform_int_distribution<long long> d(-999999999, 999999999);
    std::vector<double> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = (i % 16 == 0) ? 0.0 : static_cast<double>(d(rng) >> (i % 24));
    return v;
}

std::vector<double> Cents(size_t n) {
    std::mt19937_64 rng(13);
    std::uniform_int_distribution<long long> d(-10000000, 10000000);
    std::vector<double> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<double>(d(rng)) / 100;
    return v;
}

std::vector<double> Wide(size_t n) {
    std::mt19937_64 rng(17);
    std::uniform_real_distribution<double> mant(1.0, 10.0);
    std::uniform_int_distribution<int> ex(-6, 14);
    std::vector<double> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = mant(rng) * std::pow(10.0, ex(rng)) * ((i & 1) ? -1 : 1);
    return v;
}

struct TValueSet {
    const char* name;
    std::vector<double> (*make)(size_t);
};
const TValueSet kSets[] = {{"mixed", Mixed}, {"integers", Integers}, {"cents", Cents}, {"wide", Wide}};

void TryFormatOne(benchmark::State& state, const QString& fmt, std::vector<double> (*make)(size_t)) {
    const auto values = make(kValues);
    QString out;
    size_t i = 0;
    for (auto _ : state) {
        TryFormat(out, fmt, {values[i++ & (kValues - 1)]});
        benchmark::DoNotOptimize(out.constData());
    }
}

// As the spreadsheet's number display does it: a new QString per value.
void TryFormatFresh(benchmark::State& state, const QString& fmt, std::vector<double> (*make)(size_t)) {
    const auto values = make(kValues);
    size_t i = 0;
    for (auto _ : state) {
        QString out;
        TryFormat(out, fmt, {values[i++ & (kValues - 1)]});
        benchmark::DoNotOptimize(out.constData());
    }
}

// The digit conversion alone, without the format entry and the output string.
void ShortTextOne(benchmark::State& state, bool fixed, int digits, std::vector<double> (*make)(size_t)) {
    const auto values = make(kValues);
    char16_t buf[zelk_float::kShortTextMax];
    char16_t* const end = buf + zelk_float::kShortTextMax;
    size_t i = 0;
    for (auto _ : state) {
        const double v = values[i++ & (kValues - 1)];
        char16_t* p = fixed ? zelk_float::ShortFixedText(v, digits, u'.', end)
                            : zelk_float::ShortGeneralText(v, digits, u'.', end);
        benchmark::DoNotOptimize(p);
    }
}

void FormatOne(benchmark::State& state, const QString& fmt, std::vector<double> (*make)(size_t)) {
    const auto values = make(kValues);
    size_t i = 0;
    for (auto _ : state) {
        QString s = Format(fmt, {values[i++ & (kValues - 1)]});
        benchmark::DoNotOptimize(s.constData());
    }
}

void FloatToStrOne(benchmark::State& state, std::vector<double> (*make)(size_t)) {
    const auto values = make(kValues);
    size_t i = 0;
    for (auto _ : state) {
        QString s = FloatToStr(values[i++ & (kValues - 1)]);
        benchmark::DoNotOptimize(s.constData());
    }
}

void TryStrToFloatOne(benchmark::State& state) {
    const auto values = Mixed(kValues);
    std::vector<QString> texts;
    for (double v : values) texts.push_back(FloatToStr(v));
    size_t i = 0;
    double v = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TryStrToFloat(texts[i++ & (kValues - 1)], v));
        benchmark::DoNotOptimize(v);
    }
}

// The shown text of 10,000 cells: parse the cell text, format the value.
void TenThousandCells(benchmark::State& state, const QString& fmt) {
    const auto values = Mixed(10000);
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

void Register(long long iterations) {
    auto fixed = [iterations](benchmark::internal::Benchmark* b) {
        if (iterations > 0) b->Iterations(iterations);
        return b;
    };
    const char* formats[] = {"%g", "%.2f", "%.0f", "%.6f", "%.15f", "%.6g"};
    for (const TValueSet& set : kSets) {
        for (const char* f : formats) {
            const QString fmt = QString::fromLatin1(f);
            fixed(benchmark::RegisterBenchmark(
                (std::string("TryFormat/") + f + "/" + set.name).c_str(),
                [fmt, set](benchmark::State& s) { TryFormatOne(s, fmt, set.make); }));
        }
        fixed(benchmark::RegisterBenchmark((std::string("FloatToStr/") + set.name).c_str(),
                                           [set](benchmark::State& s) { FloatToStrOne(s, set.make); }));
    }
    for (const TValueSet& set : kSets) {
        fixed(benchmark::RegisterBenchmark((std::string("ShortText/%g/") + set.name).c_str(),
                                           [set](benchmark::State& s) { ShortTextOne(s, false, 15, set.make); }));
        fixed(benchmark::RegisterBenchmark((std::string("ShortText/%.2f/") + set.name).c_str(),
                                           [set](benchmark::State& s) { ShortTextOne(s, true, 2, set.make); }));
    }
    for (const char* f : {"%g", "%.2f"}) {
        const QString fmt = QString::fromLatin1(f);
        fixed(benchmark::RegisterBenchmark((std::string("TryFormatFresh/") + f + "/mixed").c_str(),
                                           [fmt](benchmark::State& s) { TryFormatFresh(s, fmt, Mixed); }));
    }
    fixed(benchmark::RegisterBenchmark("Format/%.2f/mixed", [](benchmark::State& s) {
        FormatOne(s, QStringLiteral("%.2f"), Mixed);
    }));
    fixed(benchmark::RegisterBenchmark("TryStrToFloat/mixed", TryStrToFloatOne));
    fixed(benchmark::RegisterBenchmark("TenThousandCells/%.2f", [](benchmark::State& s) {
        TenThousandCells(s, QStringLiteral("%.2f"));
    }))->Unit(benchmark::kMicrosecond);
    fixed(benchmark::RegisterBenchmark("TenThousandCells/%g", [](benchmark::State& s) {
        TenThousandCells(s, QStringLiteral("%g"));
    }))->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
    // Our own flag first; Google Benchmark rejects flags it does not know.
    long long iterations = 0;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--iterations=", 13) == 0)
            iterations = std::atoll(argv[i] + 13);
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    Register(iterations);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
