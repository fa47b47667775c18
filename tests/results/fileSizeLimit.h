#ifndef FILESIZELIMIT_H
#define FILESIZELIMIT_H

#include <QtGlobal>

#include <csignal>
#include <sys/resource.h>

// While it lives, writes to files of this process stop at the size given, with the
// error a full disk gives ("File too large"), not the signal that would end the test.
class fileSizeLimit
{
public:
    explicit fileSizeLimit(qint64 size)
    {
        signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &unlimited);
        const rlimit full{rlim_t(size), unlimited.rlim_max};
        setrlimit(RLIMIT_FSIZE, &full);
    }
    ~fileSizeLimit() { setrlimit(RLIMIT_FSIZE, &unlimited); }
    Q_DISABLE_COPY(fileSizeLimit)

private:
    rlimit unlimited{};
};

#endif // FILESIZELIMIT_H
