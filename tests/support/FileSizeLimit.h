#pragma once
// A disk that fills up, for the tests of writes that must keep the old file:
// while one of these lives, no file this process writes grows past `bytes`
// (a write beyond fails with EFBIG instead of raising SIGXFSZ). 0 limits
// nothing. The old limit comes back when it goes, a failed check included.

#include <QtGlobal>

#include <csignal>
#include <sys/resource.h>

namespace k7::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        if (bytes <= 0)
            return;
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = static_cast<rlim_t>(bytes);
        m_ok = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    bool m_ok = true;
};

}  // namespace k7::test
