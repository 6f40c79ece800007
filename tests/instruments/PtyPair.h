#pragma once
// Two connected pseudo-terminals made by socat: what is written to one end
// can be read from the other. Stopping socat closes both ends, as unplugging
// an instrument would.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace k7::test {

class PtyPair {
public:
    PtyPair() = default;
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;
    ~PtyPair() { stop(); }

    // Starts socat and waits until both ends exist. False when it failed.
    bool start()
    {
        m_socat.setProgram(QStringLiteral("socat"));
        m_socat.setArguments({QStringLiteral("-d"), QStringLiteral("-d"),
                              QStringLiteral("pty,raw,echo=0"), QStringLiteral("pty,raw,echo=0")});
        m_socat.start();
        if (!m_socat.waitForStarted(5000))
            return false;
        static const QRegularExpression pty(QStringLiteral("PTY is (\\S+)"));
        QByteArray log;
        QStringList paths;
        for (int i = 0; i < 100 && !log.contains("starting data transfer loop"); ++i) {
            m_socat.waitForReadyRead(100);
            log += m_socat.readAllStandardError();
        }
        for (auto it = pty.globalMatch(QString::fromLocal8Bit(log)); it.hasNext();)
            paths << it.next().captured(1);
        if (paths.size() != 2)
            return false;
        m_instrumentEnd = paths.at(0);
        m_programEnd = paths.at(1);
        m_writer.setFileName(m_instrumentEnd);
        return m_writer.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    // The end the program opens, and the end the "instrument" writes to.
    QString programEnd() const { return m_programEnd; }
    QString instrumentEnd() const { return m_instrumentEnd; }

    void send(const QByteArray& bytes)
    {
        QCOMPARE(m_writer.write(bytes), qint64(bytes.size()));
    }

    void stop()
    {
        m_writer.close();
        if (m_socat.state() != QProcess::NotRunning) {
            m_socat.terminate();
            if (!m_socat.waitForFinished(3000)) {
                m_socat.kill();
                m_socat.waitForFinished(3000);
            }
        }
    }

private:
    QProcess m_socat;
    QString m_instrumentEnd;
    QString m_programEnd;
    QFile m_writer;
};

}  // namespace k7::test
