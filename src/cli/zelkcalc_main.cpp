// zelkcalc: the headless calculator (see CalcApp.h).
#include "CalcApp.h"

#include <QCoreApplication>

#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char** argv)
{
#ifdef __GLIBC__
    // A batch run allocates and frees big blocks (the file's text, then the
    // sheet's tables): taking them from the heap instead of fresh mappings
    // lets later ones reuse memory the process already touched.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    if (!args.isEmpty())
        args.removeFirst();
    QByteArray out, err;
    ZelkCalcKeepSheetAtExit(true);
    const int rc = RunZelkCalc(args, out, err);
    if (!out.isEmpty())
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    if (!err.isEmpty())
        std::fwrite(err.constData(), 1, size_t(err.size()), stderr);
    return rc;
}
