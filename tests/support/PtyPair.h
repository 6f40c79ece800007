#pragma once
// An instrument on a pseudo-terminal: two connected pseudo-terminals made by
// socat, one end for the test to write to, the other for the program to open.

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/ioctl.h>

namespace k7::test {

// Two connected pseudo-terminals made by socat: what is sent is read at
// programEnd(). Stopping socat removes both, as unplugging an instrument would.
class PtyPair {
public:
    ~PtyPair()
    {
        m_writer.close();
        m_socat.kill();
        m_socat.waitForFinished(3000);
    }

    // Starts socat; after a hang-up, again on the same paths, as an
    // instrument plugged back in.
    bool start()
    {
        const QString instrumentEnd = m_dir.filePath(QStringLiteral("instrument"));
        m_socat.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + instrumentEnd,
                                                QStringLiteral("pty,raw,echo=0,link=") + programEnd()});
        if (!m_socat.waitForStarted(5000))
            return false;
        // socat makes the program end last.
        QDeadlineTimer deadline(10000);
        while (!QFile::exists(programEnd()) && m_socat.state() == QProcess::Running && !deadline.hasExpired())
            m_socat.waitForFinished(50);
        m_writer.setFileName(instrumentEnd);
        return QFile::exists(programEnd()) && m_writer.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    QString programEnd() const { return m_dir.filePath(QStringLiteral("program")); }
    // Ends socat as soon as it has passed on what was sent, before the
    // program has had a chance to read it (the test's thread is the
    // program's), as unplugging the instrument would.
    void hangUp()
    {
        QDeadlineTimer deadline(5000);
        int queued = 1;
        while (queued > 0 && !deadline.hasExpired() && ::ioctl(m_writer.handle(), TIOCOUTQ, &queued) == 0)
            QThread::msleep(5);
        QThread::msleep(30);
        m_writer.close();
        m_socat.terminate();
        m_socat.waitForFinished(3000);
    }
    void send(const QByteArray& bytes) { QCOMPARE(m_writer.write(bytes), qint64(bytes.size())); }

private:
    QTemporaryDir m_dir;
    QProcess m_socat;
    QFile m_writer;
};

}  // namespace k7::test
