// A large configuration file loaded and saved as the program does it (all eight slots through the profile
// layer), beside a plain read and atomic write of the same bytes in the same run.
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

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 50;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.cfg"));

    // Eight slots of equal size, filled with commands and descriptions until the file has the size asked for.
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
    }
    if (!saveQuickDialFile(path, memory)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    const QuickDialSlots loaded = loadQuickDialFile(path);
    const double loadSeconds = timer.nsecsElapsed() / 1e9;
    timer.restart();
    const bool saved = saveQuickDialFile(path, loaded);
    const double saveSeconds = timer.nsecsElapsed() / 1e9;
    const bool same = loaded == memory;

    // The floor: the same bytes read and written atomically, without parsing.
    timer.restart();
    QFile in(path);
    QByteArray bytes;
    if (in.open(QIODevice::ReadOnly))
        bytes = in.readAll();
    QSaveFile out(dir.filePath(QStringLiteral("copy.cfg")));
    const bool copied = out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
    const double plainSeconds = timer.nsecsElapsed() / 1e9;

    std::printf("file: %.1f MB, %lld commands\n", bytes.size() / 1048576.0,
                static_cast<long long>(memory[0].lines.size()) * QuickDialSlotCount);
    std::printf("load: %.3f s, save: %.3f s, load+save: %.3f s (%s)\n", loadSeconds, saveSeconds,
                loadSeconds + saveSeconds, saved && same ? "round trip intact" : "ROUND TRIP FAILED");
    std::printf("plain read + atomic write: %.3f s%s\n", plainSeconds, copied ? "" : " (failed)");
    std::printf("ratio: %.1fx\n", (loadSeconds + saveSeconds) / plainSeconds);
    return saved && same && copied ? 0 : 1;
}
