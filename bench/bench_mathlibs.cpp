// Cost of the library functions on ordinary and on huge arguments; the huge
// ones must cost about the same as the ordinary ones (closed forms, bounds).
#include "MiscMathLib.h"
#include "ZuvMathsLib.h"

#include <benchmark/benchmark.h>

#include <initializer_list>

namespace {

template <typename Lib>
void Run(benchmark::State& state, const char* name, std::initializer_list<double> args)
{
    Lib lib;
    TParamList params;
    for (double a : args)
        params.Add(a);
    const QString fn = QString::fromLatin1(name);
    int errType = 0, errParam = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(lib.CalcFunction(fn, params, errType, errParam));
}

void BM_Gamma_Ordinary(benchmark::State& s) { Run<TZuvMathsLib>(s, "GAMMA", {7.5}); }
void BM_Gamma_Recurrence(benchmark::State& s) { Run<TZuvMathsLib>(s, "GAMMA", {999.5}); }
void BM_Gamma_Huge(benchmark::State& s) { Run<TZuvMathsLib>(s, "GAMMA", {1e15}); }
void BM_InvGamma_HugeNegative(benchmark::State& s) { Run<TZuvMathsLib>(s, "INVGAMMA", {-1e15 + 0.5}); }
void BM_Beta_Huge(benchmark::State& s) { Run<TZuvMathsLib>(s, "BETA", {1e300, 1e300}); }
void BM_IncompBeta_Ordinary(benchmark::State& s) { Run<TZuvMathsLib>(s, "INCOMPBETA", {0.3, 2, 3}); }
void BM_IncompBeta_Million(benchmark::State& s) { Run<TZuvMathsLib>(s, "INCOMPBETA", {0.5001, 1e6, 1e6}); }
void BM_IncompBeta_Huge(benchmark::State& s) { Run<TZuvMathsLib>(s, "INCOMPBETA", {0.3, 2, 1e300}); }
void BM_ZuvFact_Max(benchmark::State& s) { Run<TZuvMathsLib>(s, "ZUVFACT", {1754}); }
void BM_CumInt_HugePeriods(benchmark::State& s) { Run<TFinanceMathLib>(s, "CUMINT", {100, 0, 1e300}); }

} // namespace

BENCHMARK(BM_Gamma_Ordinary);
BENCHMARK(BM_Gamma_Recurrence);
BENCHMARK(BM_Gamma_Huge);
BENCHMARK(BM_InvGamma_HugeNegative);
BENCHMARK(BM_Beta_Huge);
BENCHMARK(BM_IncompBeta_Ordinary);
BENCHMARK(BM_IncompBeta_Million);
BENCHMARK(BM_IncompBeta_Huge);
BENCHMARK(BM_ZuvFact_Max);
BENCHMARK(BM_CumInt_HugePeriods);
BENCHMARK_MAIN();
