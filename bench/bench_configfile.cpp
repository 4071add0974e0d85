// A large configuration file loaded and saved at exit as the program does it (all eight slots through the
// profile layer), beside a plain read and atomic write of the same bytes in the same run; and the memory the
// load takes per command of the file, at its peak and held afterwards.
//
// usage: bench_configfile [megabytes=50]

#include "core/scripts/QuickDialConfig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <malloc.h>

namespace {

// Bytes the allocator has handed out and not taken back.
qint64 heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

// A size from /proc/self/status ("VmHWM", the resident peak since the last reset; "VmRSS"), in bytes.
qint64 statusBytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

void resetPeakResident() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 50;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.cfg"));

    // Eight slots of equal size, filled with commands and descriptions until the file has the size asked for.
    qint64 commands = 0;
    {
        QuickDialSlots memory;
        const qsizetype perSlot = qsizetype(megabytes) * 1024 * 1024 / QuickDialSlotCount;
        for (int n = 0; n < QuickDialSlotCount; ++n) {
            QuickDialSlot& slot = memory[static_cast<std::size_t>(n)];
            slot.caption = QStringLiteral("Slot %1").arg(n + 1);
            slot.description = QStringLiteral("Benchmark");
            qsizetype size = 0;
            for (int i = 0; size < perSlot; ++i) {
                ScriptLine line{QStringLiteral("SP %1 %2").arg(i % 100).arg(i % 32),
                                QStringLiteral("Messprogramm %1 einstellen").arg(i)};
                size += line.command.size() + line.description.size() + 2;
                slot.lines.append(line);
            }
            commands += slot.lines.size();
        }
        if (!saveQuickDialFile(path, memory)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    const QByteArray original = [&] {
        QFile in(path);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }();
    const qint64 fileBytes = original.size();

    malloc_trim(0);
    const qint64 heapBefore = heapInUse();
    const qint64 residentBefore = statusBytes("VmRSS");
    resetPeakResident();
    QElapsedTimer timer;
    timer.start();
    QuickDialFileRead read;
    const QuickDialSlots loaded = loadQuickDialFile(path, nullptr, &read);
    const double loadSeconds = timer.nsecsElapsed() / 1e9;
    const qint64 peak = statusBytes("VmHWM") - residentBefore;
    const qint64 held = heapInUse() - heapBefore;

    // The exit save of a window that changed nothing: the slots were cut to what a slot takes, so the file
    // keeps its whole lists.
    timer.restart();
    const bool saved = saveQuickDialChanges(path, loaded, loaded, read);
    const double saveSeconds = timer.nsecsElapsed() / 1e9;
    QFile again(path);
    const bool kept = again.open(QIODevice::ReadOnly) && again.readAll() == original;
    bool cut = true;
    for (const QuickDialSlot& slot : loaded)
        cut = cut && slot.lines.size() == QuickDialLoadLimit;

    // The floor: the same bytes read and written atomically, without parsing.
    timer.restart();
    QFile in(path);
    QByteArray bytes;
    if (in.open(QIODevice::ReadOnly))
        bytes = in.readAll();
    QSaveFile out(dir.filePath(QStringLiteral("copy.cfg")));
    const bool copied = out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
    const double plainSeconds = timer.nsecsElapsed() / 1e9;

    std::printf("file: %.1f MB, %lld commands (%.1f bytes of text each)\n", fileBytes / 1048576.0,
                static_cast<long long>(commands), double(fileBytes) / double(commands));
    std::printf("load: %.3f s, exit save: %.3f s, load+save: %.3f s (%s)\n", loadSeconds, saveSeconds,
                loadSeconds + saveSeconds,
                saved && kept && cut ? "253 commands a slot, file kept whole" : "ROUND TRIP FAILED");
    std::printf("plain read + atomic write: %.3f s%s\n", plainSeconds, copied ? "" : " (failed)");
    std::printf("ratio: %.1fx\n", (loadSeconds + saveSeconds) / plainSeconds);
    std::printf("memory of the load: peak %.1f MB (%.1f bytes per command, %.2fx the file), held %.1f KB\n",
                peak / 1048576.0, double(peak) / double(commands), double(peak) / double(fileBytes),
                held / 1024.0);
    return saved && kept && cut && copied ? 0 : 1;
}
