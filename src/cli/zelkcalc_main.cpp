// zelkcalc: the headless calculator (see CalcApp.h).
#include "CalcApp.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
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
