#include "cfg/CommandLine.h"

#include "cfg/CfgCheck.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace k7 {

namespace {

const char* const kUsage =
    "Usage: k7 [FILE.cfg]\n"
    "       k7 --check FILE\n"
    "       k7 --import-access FILE.mdb [OUT.mdb]\n"
    "       k7 --export FILE.cfg OUT.txt [--names]\n"
    "       k7 --codebook FILE.cfg OUT.html\n"
    "       k7 --compare FILE.cfg OTHER.mdb [OUT.html|OUT.csv]\n"
    "       k7 --help | --version\n"
    "\n"
    "  FILE.cfg      open this CFG at start-up\n"
    "  --check FILE  read FILE as opening it would, change no file, and print the\n"
    "                CFG text it would be rewritten to (exit status 0), its first\n"
    "                error (1), or why it cannot be read (2); warnings go to\n"
    "                standard error\n"
    "  --import-access FILE.mdb [OUT.mdb]\n"
    "                copy the records of a Microsoft Access database into a K7\n"
    "                database: OUT, or FILE itself with the original kept as\n"
    "                FILE.access.mdb\n"
    "  --export FILE.cfg OUT.txt [--names]\n"
    "                write the records of FILE.cfg's table to OUT.txt as File >\n"
    "                Export ASCII does (the field names first with --names),\n"
    "                or to a Stata, SPSS or Excel file when OUT ends in .dta,\n"
    "                .sav or .xlsx, changing neither the CFG nor the database;\n"
    "                exit status 0, 1 with a message on an error, 2 when a file\n"
    "                cannot be read\n"
    "  --codebook FILE.cfg OUT.html\n"
    "                describe FILE.cfg's variables and table in one HTML page:\n"
    "                prompts, types, flags, conditions, counts of menu items and\n"
    "                missing values, minimum, median and maximum of numbers\n"
    "  --compare FILE.cfg OTHER.mdb [OUT.html|OUT.csv]\n"
    "                compare FILE.cfg's table with the same table in OTHER (a\n"
    "                file or a postgresql:// address), typed from the same\n"
    "                forms: records matched by the first Unique variable, those\n"
    "                in one database only, doubled keys and every value that\n"
    "                differs, as an HTML page, a CSV file, or CSV on standard\n"
    "                output without OUT; exit status 0 when both agree, 1 when\n"
    "                they differ, 2 on an error\n"
    "  --help        show this text\n"
    "  --version     show the version\n";

}  // namespace

bool IsCommandLineCall(int argc, char* argv[])
{
    return argc > 1 && std::strncmp(argv[1], "--", 2) == 0;
}

int RunCommandLine(int argc, char* argv[], const CommandLineHooks& hooks)
{
    QCoreApplication app(argc, argv);
    QFile stdoutFile;
    QFile stderrFile;
    stdoutFile.open(stdout, QIODevice::WriteOnly);
    stderrFile.open(stderr, QIODevice::WriteOnly);
    QTextStream out(&stdoutFile);
    QTextStream err(&stderrFile);

    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString option = args.value(0);
    if (option == QLatin1String("--help") && args.size() == 1) {
        out << kUsage;
        return 0;
    }
    if (option == QLatin1String("--version") && args.size() == 1) {
        out << "K7 4.7\n";
        return 0;
    }
    if (option == QLatin1String("--check") && args.size() == 2)
        return RunCfgCheck(args.at(1), out, err, hooks.checkWarnings);
    if (const auto more = hooks.options.constFind(option); more != hooks.options.constEnd())
        return (*more)(args.mid(1), out, err);
    err << "k7: unknown or incomplete option: " << args.join(QLatin1Char(' ')) << "\n\n" << kUsage;
    return 2;
}

}  // namespace k7
