#include "access/AccessReadProcess.h"

#include "access/AccessReadWorker.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#ifdef Q_OS_LINUX
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#endif

namespace k7 {

namespace {

// How long one slice waits for the reader to say something, so that the
// window keeps painting and Cancel answers at once.
constexpr int kSliceMilliseconds = 50;
constexpr int kStartMilliseconds = 10000;

QString damaged(const QString& source, const QString& why)
{
    return QStringLiteral("The Access database %1 cannot be read: %2, so it is taken to be damaged.").arg(source, why);
}

}  // namespace

QString AccessReader::resolvedProgram() const
{
    if (!program.isEmpty())
        return program;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("k7"));
}

AccessReadProcess::AccessReadProcess(const QString& source, const QString& target, const AccessReader& reader)
    : m_source(source), m_target(target), m_stallMilliseconds(reader.stallMilliseconds)
{
    const QString program = reader.resolvedProgram();
#ifdef Q_OS_LINUX
    // Runs in the child between fork and exec: only plain system calls.
    const rlim_t memory = rlim_t(reader.memoryBytes);
    m_process.setChildProcessModifier([memory] {
        if (memory > 0) {
            const rlimit space{memory, memory};
            setrlimit(RLIMIT_AS, &space);
        }
        const rlimit noCore{0, 0};  // a crash leaves no core file in the user's folder
        setrlimit(RLIMIT_CORE, &noCore);
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // nor a reader running on after K7 is gone
    });
#endif
    m_process.setStandardErrorFile(QProcess::nullDevice());  // the library's warnings
    m_process.start(program, {QString::fromLatin1(kReadAccessWorkerOption), source, target});
    if (!m_process.waitForStarted(kStartMilliseconds)) {
        m_error = QStringLiteral("The Access reader %1 cannot be started (%2), so the file cannot be imported.")
                      .arg(QDir::toNativeSeparators(program), m_process.errorString());
        return;
    }
    m_sinceProgress.start();
}

AccessReadProcess::~AccessReadProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(kStartMilliseconds);
    }
    if (!m_finished)
        RemoveImportedDatabase(m_target);
}

bool AccessReadProcess::step()
{
    if (m_finished || !m_error.isEmpty())
        return false;
    m_process.waitForReadyRead(kSliceMilliseconds);
    readLines();
    if (m_process.state() == QProcess::NotRunning) {
        ended();
        return false;
    }
    if (m_sinceProgress.elapsed() > m_stallMilliseconds)
        return stop(damaged(m_source, QStringLiteral("reading it stopped making progress")));
    return true;
}

void AccessReadProcess::readLines()
{
    while (m_process.canReadLine())
        takeLine(m_process.readLine().trimmed());
}

void AccessReadProcess::takeLine(const QByteArray& line)
{
    m_sinceProgress.restart();
    const qsizetype space = line.indexOf(' ');
    const QByteArray kind = space < 0 ? line : line.left(space);
    const QByteArray rest = space < 0 ? QByteArray() : line.mid(space + 1);
    if (kind == ReaderLine::Rows) {
        const QList<QByteArray> numbers = rest.split(' ');
        m_done = numbers.value(0).toLongLong();
        m_total = numbers.value(1).toLongLong();
    } else if (kind == ReaderLine::Table) {
        const qsizetype gap = rest.indexOf(' ');
        m_tables.append({QUrl::fromPercentEncoding(rest.mid(gap + 1)), rest.left(gap).toLongLong()});
    } else if (kind == ReaderLine::Done) {
        m_reportedDone = true;
    } else if (kind == ReaderLine::Error && m_error.isEmpty()) {
        m_error = QString::fromUtf8(rest);
    }
}

void AccessReadProcess::ended()
{
    readLines();
    const bool clean = m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    if (clean && m_reportedDone && m_error.isEmpty() && QFileInfo(m_target).isFile()) {
        m_finished = true;
        return;
    }
    m_tables.clear();
    if (m_error.isEmpty())
        m_error = damaged(m_source, QStringLiteral("the reader failed on it"));
}

bool AccessReadProcess::stop(const QString& why)
{
    m_process.kill();
    m_process.waitForFinished(kStartMilliseconds);
    m_tables.clear();
    m_error = why;
    return false;
}

}  // namespace k7
