#pragma once
// The parent's side of an import: starts the reader (AccessReadWorker) on a
// file, follows its progress a slice at a time, and stops it on Cancel, when
// it stops reporting progress, or when it dies. Whatever the reader does, the
// caller gets an answer: the new database complete at the target, or an
// error with nothing left at the target.

#include "platform/SteppedWork.h"
#include "access/AccessCopy.h"
#include "access/AccessReader.h"

#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QString>

namespace k7 {

class AccessReadProcess : public SteppedWork {
public:
    // Starts the reader on `source`, building the new database at `target`
    // (which must not exist); a failure to start shows in error().
    AccessReadProcess(const QString& source, const QString& target, const AccessReader& reader);
    // A reader still running is killed; an unfinished target is removed.
    ~AccessReadProcess() override;
    AccessReadProcess(const AccessReadProcess&) = delete;
    AccessReadProcess& operator=(const AccessReadProcess&) = delete;

    bool step() override;
    qint64 done() const override { return m_done; }
    qint64 total() const override { return m_total; }

    // The reader reported the database complete and exited cleanly.
    bool finished() const { return m_finished; }
    QString error() const { return m_error; }
    const QList<ImportedTable>& tables() const { return m_tables; }

private:
    void readLines();
    void takeLine(const QByteArray& line);
    void ended();
    [[nodiscard]] bool stop(const QString& why);

    QString m_source;
    QString m_target;
    int m_stallMilliseconds;
    QProcess m_process;
    QElapsedTimer m_sinceProgress;
    qint64 m_done = 0;
    qint64 m_total = 0;
    QList<ImportedTable> m_tables;
    QString m_error;
    bool m_reportedDone = false;
    bool m_finished = false;
};

}  // namespace k7
