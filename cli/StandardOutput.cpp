#include "cli/StandardOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

bool StandardOutput::write(QByteArrayView bytes) {
    if (m_failed)
        return false;
    if (std::fwrite(bytes.data(), 1, std::size_t(bytes.size()), stdout) != std::size_t(bytes.size()))
        return fail();
    return true;
}

bool StandardOutput::flush() {
    if (m_failed)
        return false;
    return std::fflush(stdout) == 0 || fail();
}

bool StandardOutput::fail() {
    m_failed = true;
    m_error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

void printError(const QString& message) {
    const QByteArray bytes = QStringLiteral("telvane-run: %1\n").arg(message).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}
