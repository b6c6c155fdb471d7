#include "tools/common/console.h"

#include "app/version.h"

#include <QCoreApplication>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tools {

namespace {
int outputError = 0;
} // namespace

void setUpTool(const char* name) {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tavrosk.example"));
    QCoreApplication::setApplicationName(QString::fromLatin1(name));
    QCoreApplication::setApplicationVersion(app::versionNumber::text());
    std::signal(SIGPIPE, SIG_IGN);
}

void guardStandardStreams() {
    // In order: each open takes the lowest free number.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF)
            ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    }
}

bool print(FILE* stream, const QString& text) {
    if (std::ferror(stream))
        return false;
    const QByteArray bytes = text.toLocal8Bit();
    errno = 0;
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    const bool written = std::fflush(stream) == 0 && !std::ferror(stream);
    if (!written && stream == stdout && errno != EPIPE && outputError == 0)
        outputError = errno != 0 ? errno : EIO;
    return written;
}

QString outputFailure() {
    return outputError == 0 ? QString() : QString::fromLocal8Bit(std::strerror(outputError));
}

void complain(const QString& text) {
    print(stderr,
          QCoreApplication::applicationName() + QStringLiteral(": ") + text + QLatin1Char('\n'));
}

QString tr(const char* text) {
    return QCoreApplication::translate("Tools", text);
}

} // namespace tools
