// zelkcalc end to end: through its library entry point, and once as a process.
#include "CalcApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ZelkCalc : public ::testing::Test {
protected:
    QString Sheet(const QByteArray& csv, const QString& name = "sheet.csv")
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(csv);
        return path;
    }
    int Run(const QStringList& args)
    {
        out.clear();
        err.clear();
        return RunZelkCalc(args, out, err);
    }
    QTemporaryDir dir;
    QByteArray out, err;
};

}  // namespace

TEST_F(ZelkCalc, WritesResults)
{
    const QString s = Sheet("a,2,=B1*3\r\nb,=SUM(B1:C1),\"=CONCATENATE(\"\"x\"\";A1)\"\r\n");
    ASSERT_EQ(Run({"--format", "%g", s}), 0);
    EXPECT_EQ(out, QByteArray("a,2,6\r\nb,8,xa\r\n"));
    EXPECT_TRUE(err.isEmpty()) << err.constData();
    ASSERT_EQ(Run({s}), 0);
    EXPECT_EQ(out, QByteArray("a,2,6.00\r\nb,8.00,xa\r\n"));
}

TEST_F(ZelkCalc, FormulasRoundTrip)
{
    const QByteArray csv = "1,=A1+1\r\n\"=LEN(\"\"a,b\"\")\",=A2*B1\r\n";
    const QString s = Sheet(csv);
    ASSERT_EQ(Run({"--formulas", s}), 0);
    const QString again = Sheet(out, "again.csv");
    const QByteArray first = out;
    ASSERT_EQ(Run({"--formulas", again}), 0);
    EXPECT_EQ(out, first);
    ASSERT_EQ(Run({"--format", "%g", again}), 0);
    EXPECT_EQ(out, QByteArray("1,2\r\n3,6\r\n"));
}

TEST_F(ZelkCalc, SetThenGet)
{
    const QString s = Sheet("1,=A1*10\r\n=B1+A1,\r\n");
    ASSERT_EQ(Run({"--format", "%g", "--set", "A1=4", "--get", "B1", "--get", "A2", "--get", "a1", s}), 0);
    EXPECT_EQ(out, QByteArray("40\n44\n4\n"));
    // A formula set later reads the earlier sets; R1C1 references work too.
    const QString rc = Sheet("1,=R1C1*10\r\n", "rc.csv");
    ASSERT_EQ(Run({"--rc", "--format", "%g", "--set", "R1C1=2", "--set", "R2C2==R1C2*2", "--get", "R2C2", rc}),
              0);
    EXPECT_EQ(out, QByteArray("40\n"));
}

TEST_F(ZelkCalc, ErrorsGoToStandardErrorOncePerCell)
{
    const QString s = Sheet("=1/0,=C1+1,=B1\r\n=,5,=A1\r\n");
    ASSERT_EQ(Run({"--format", "%g", s}), 0);
    const QList<QByteArray> lines = err.trimmed().split('\n');
    EXPECT_EQ(lines.size(), 4) << err.constData();
    EXPECT_TRUE(lines.contains("A1: Division by zero")) << err.constData();
    EXPECT_TRUE(lines.contains("B1: Circular reference")) << err.constData();
    EXPECT_TRUE(lines.contains("C1: Circular reference")) << err.constData();
    EXPECT_TRUE(lines.contains("A2: No formula")) << err.constData();
    // Cells in error show their formula, or the error text when asked.
    EXPECT_TRUE(out.startsWith("=1/0,=C1+1,=B1\r\n")) << out.constData();
    ASSERT_EQ(Run({"--error-text", "#ERR", s}), 0);
    EXPECT_TRUE(out.startsWith("#ERR,#ERR,#ERR\r\n")) << out.constData();
    // An edit that heals a cell takes its report back.
    ASSERT_EQ(Run({"--set", "C1=1", s}), 0);
    EXPECT_FALSE(err.contains("B1:")) << err.constData();
}

TEST_F(ZelkCalc, BadUsageAndMissingFilesExitWithTwo)
{
    EXPECT_EQ(Run({dir.filePath("missing.csv")}), 2);
    EXPECT_TRUE(err.contains("cannot read")) << err.constData();
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Run({"--bogus", Sheet("1\r\n")}), 2);
    EXPECT_EQ(Run({"--format"}), 2);
    EXPECT_EQ(Run({"--set", "nonsense", Sheet("1\r\n")}), 2);
    EXPECT_EQ(Run({"--get", "B", Sheet("1\r\n")}), 2);
    EXPECT_EQ(Run({dir.path()}), 2);
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_TRUE(out.contains("usage: zelkcalc")) << out.constData();
}

TEST_F(ZelkCalc, WritesToAFileAndReportsStatistics)
{
    const QString s = Sheet("1,=A1+1\r\n");
    const QString o = dir.filePath("out.csv");
    ASSERT_EQ(Run({"--stats", "-o", o, s}), 0);
    EXPECT_TRUE(out.isEmpty());
    QFile f(o);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("1,2.00\r\n"));
    EXPECT_TRUE(err.contains("recalc: ")) << err.constData();
    EXPECT_TRUE(err.contains("formulas: 1")) << err.constData();
    EXPECT_EQ(Run({"-o", dir.filePath("no/such/dir/out.csv"), s}), 2);
}

TEST_F(ZelkCalc, LibrariesOnRequest)
{
    const QString s = Sheet("=UPPER(\"a\")\r\n");
    ASSERT_EQ(Run({"--libs", s}), 0);
    EXPECT_EQ(out, QByteArray("A\r\n"));
}

TEST_F(ZelkCalc, ProgramExitStatus)
{
    const QString exe = QStringLiteral(ZELKCALC_PATH);
    QProcess p;
    p.start(exe, {"--format", "%g", "--get", "B1", Sheet("2,=A1^2\r\n")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardOutput(), QByteArray("4\n"));
    p.start(exe, {dir.filePath("missing.csv")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 2);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
