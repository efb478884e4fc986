// The normal build's stand-in for libFuzzer: feeds every file named on the
// command line (or found directly in a named folder) once to the target, so
// the seed corpus and every input a fuzz run ever broke stay a test.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QFile::decodeName(argv[i]);
        const QFileInfo info(arg);
        if (info.isDir()) {
            const QStringList names = QDir(arg).entryList(QDir::Files | QDir::Hidden, QDir::Name);
            for (const QString &name : names)
                files << QDir(arg).filePath(name);
        } else {
            files << arg;
        }
    }
    if (files.isEmpty()) {
        std::fprintf(stderr, "usage: %s <input file or folder>... (no inputs found)\n", argv[0]);
        return 2;
    }
    for (const QString &path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        const QByteArray data = file.readAll();
        std::fprintf(stderr, "input %s (%d bytes)\n", qPrintable(path), int(data.size()));
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(data.constData()), size_t(data.size()));
    }
    std::fprintf(stderr, "%d inputs replayed\n", int(files.size()));
    return 0;
}
