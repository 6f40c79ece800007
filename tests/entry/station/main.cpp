// An entry station for the tests of several stations sharing one database:
// opens a CFG as File > Open does and types one record per identifier in a
// list file through the entry engine, as an operator at the keyboard would.
//
//     k7_station SITE.cfg IDS.txt NAME
//
// Each record is ID (from the list), NAME ("<name> <id>") and a number.
// Prints one line per identifier: "saved ID", or "taken ID" when the value
// was refused as entered already when it was checked, "late ID" when it was
// refused at the save (entered at the other station meanwhile).
// Then "done", and after a line on standard input, the record count of its
// record set requeried: "rows N". Exit code 0, or 1 with "error ..." printed.

#include "support/EntryRig.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QThread>

#include <cstdio>
#include <memory>

using namespace k7;
using namespace k7::test;

namespace {

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

enum class Outcome { Accepted, Taken, Late, Locked, Failed };

// What the value just entered led to, by the message the engine showed.
Outcome outcomeOf(const QStringList& texts, int before, QString* message)
{
    if (texts.size() == before)
        return Outcome::Accepted;
    *message = texts.mid(before).join(QStringLiteral(" | "));
    if (message->contains(QStringLiteral("has just been entered at another station")))
        return Outcome::Late;
    if (message->contains(QStringLiteral("has already been entered")))
        return Outcome::Taken;
    if (message->contains(QStringLiteral("locked"), Qt::CaseInsensitive)
        || message->contains(QStringLiteral("busy"), Qt::CaseInsensitive))
        return Outcome::Locked;
    return Outcome::Failed;
}

// Types `value` into the presented box and accepts it; a database held by
// the other station is waited for as an operator would, by pressing Enter again.
Outcome enterValue(EntryRig& rig, const QString& value, QString* message)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int before = static_cast<int>(rig.dialogs.texts().size());
        rig.enter({value});
        const Outcome outcome = outcomeOf(rig.dialogs.texts(), before, message);
        if (outcome != Outcome::Locked)
            return outcome;
        QThread::msleep(5);
    }
    return Outcome::Failed;
}

// One record; false after printing why when something other than a taken
// identifier stopped it.
bool typeRecord(EntryRig& rig, const QString& name, const QString& id, int number)
{
    QString message;
    const QStringList values{id, name + QLatin1Char(' ') + id, QString::number(number)};
    for (const QString& value : values) {
        switch (enterValue(rig, value, &message)) {
        case Outcome::Accepted:
            continue;
        case Outcome::Taken:
            out() << "taken " << id << Qt::endl;
            return true;
        case Outcome::Late:
            out() << "late " << id << Qt::endl;
            return true;
        case Outcome::Locked:
        case Outcome::Failed:
            out() << "error " << id << ": " << message << Qt::endl;
            return false;
        }
    }
    // Saved: the next record starts at the first variable.
    if (rig.state.curvar != 1) {
        out() << "error " << id << ": not saved, at variable " << rig.state.curvar << Qt::endl;
        return false;
    }
    out() << "saved " << id << Qt::endl;
    return true;
}

// The CFG opened as File > Open opens it. A file the other station is
// saving to at that moment is locked: the operator opens it again.
std::unique_ptr<EntryRig> openStation(const QString& cfg)
{
    QString why;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto rig = std::make_unique<EntryRig>();
        if (rig->openCfg(cfg))
            return rig;
        why = rig->dialogs.texts().join(QStringLiteral(" | "));
        if (!why.contains(QStringLiteral("locked")))
            break;
        QThread::msleep(20);
    }
    out() << "error opening " << cfg << ": " << why << Qt::endl;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fputs("usage: k7_station SITE.cfg IDS.txt NAME\n", stderr);
        return 2;
    }
    std::unique_ptr<EntryRig> opened = openStation(args[1]);
    if (!opened)
        return 1;
    EntryRig& rig = *opened;
    const QStringList ids = QString::fromUtf8(readFile(args[2])).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int i = 0; i < ids.size(); ++i) {
        if (!typeRecord(rig, args[3], ids[i].trimmed(), i + 1))
            return 1;
    }
    out() << "done" << Qt::endl;
    QTextStream in(stdin);
    in.readLine();
    RecordSet& rs = rig.store.currentrs();
    if (!rs.requery()) {
        out() << "error requery: " << rs.lastError() << Qt::endl;
        return 1;
    }
    out() << "rows " << rs.recordCount() << Qt::endl;
    return 0;
}
