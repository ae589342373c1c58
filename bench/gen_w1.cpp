// Writes the recalculation workload W1 as a comma-separated sheet:
//   n rows; A-E random integers 1-1000; F =A*B+C; G =SUM(A:E) of the row;
//   H a running chain =H{r-1}+F{r} (H1 =F1); then one row of totals.
// Usage: gen_w1 [rows] > W1.csv   (default 100000 rows, fixed seed)
#include <cstdio>
#include <cstdlib>
#include <random>

int main(int argc, char** argv) {
    long n = argc > 1 ? std::atol(argv[1]) : 100000;
    if (n < 1) n = 1;
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> dist(1, 1000);
    for (long r = 1; r <= n; ++r) {
        int a = dist(rng), b = dist(rng), c = dist(rng), d = dist(rng), e = dist(rng);
        std::printf("%d,%d,%d,%d,%d,=A%ld*B%ld+C%ld,=SUM(A%ld:E%ld),", a, b, c, d, e, r, r, r, r, r);
        if (r == 1) std::printf("=F1\r\n");
        else std::printf("=H%ld+F%ld\r\n", r - 1, r);
    }
    std::printf("=SUM(A1:A%ld),=AVERAGE(B1:B%ld),=MAX(C1:C%ld),=MIN(D1:D%ld),=COUNT(E1:E%ld),"
                "=SUM(F1:F%ld),=SUM(G1:G%ld),=H%ld\r\n", n, n, n, n, n, n, n, n);
    return 0;
}
