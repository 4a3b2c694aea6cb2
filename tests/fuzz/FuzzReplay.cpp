// Runs a fuzz target over every file of the corpus folders given, so that an
// input that once crashed a parser is tried again by every test run.
//   fuzz_replay_NAME FOLDER...
#include "FuzzTarget.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        QDirIterator it(QString::fromLocal8Bit(argv[i]), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly)) {
                fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                   size_t(bytes.size()));
            ++files;
        }
    }
    printf("%d corpus files replayed\n", files);
    // An empty corpus would make the test pass without trying anything.
    return files > 0 ? 0 : 1;
}
