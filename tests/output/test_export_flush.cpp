// The folder export puts its files on the device before it reports success: each copy and
// text file is flushed before it takes its name, and the folder after the last name.
// fsync and rename are watched by standing in for them in this program.

#include <dlfcn.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QtTest>
#include <mutex>
#include <string>
#include <vector>

#include "output/folder_export.h"
#include "output_fixture.h"

namespace {

struct FileEvent {
    std::string call;  // "fsync" or "rename"
    std::string path;  // the file flushed, or the name a file was given
    std::string from;  // the name it had before (rename)
};

std::mutex eventsMutex;
bool watching = false;
std::vector<FileEvent> events;

void Record(FileEvent event) {
    const std::lock_guard<std::mutex> lock(eventsMutex);
    if (watching) events.push_back(std::move(event));
}

std::string PathOf(int fd) {
    char path[4096];
    const ssize_t n =
        ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path - 1);
    return n < 0 ? std::string() : std::string(path, size_t(n));
}

}  // namespace

extern "C" int fsync(int fd) {
    Record({"fsync", PathOf(fd), {}});
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

extern "C" int rename(const char* from, const char* to) {
    using Rename = int (*)(const char*, const char*);
    static const Rename real = reinterpret_cast<Rename>(::dlsym(RTLD_NEXT, "rename"));
    const int result = real(from, to);
    if (result == 0) Record({"rename", to, from});
    return result;
}

using testing_support::OutputFixture;

namespace {

class YesToAll : public output::ExportQuestions {
  public:
    bool GoOnPastMissing(const QString&) override { return true; }
    bool Overwrite(const QString&) override { return true; }
};

}  // namespace

class TestExportFlush : public QObject {
    Q_OBJECT

  private slots:
    void everythingIsOnTheDeviceBeforeSuccess() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"a.jpg", 96, 64}, {"b.jpg", 96, 64}});
        fixture.pick(a, 1, "精修相册");
        fixture.pick(a, 2, "精修相册");
        const QString out = fixture.file("导出");
        QDir().mkpath(out);
        const std::string folder =
            QFile::encodeName(QFileInfo(out).canonicalFilePath()).toStdString();
        YesToAll answers;
        {
            const std::lock_guard<std::mutex> lock(eventsMutex);
            events.clear();
            watching = true;
        }
        const output::ExportResult result =
            output::ExportToFolder(fixture.customer(a), out, {}, answers);
        {
            const std::lock_guard<std::mutex> lock(eventsMutex);
            watching = false;
        }
        QCOMPARE(output::ClosingMessage(result), QString("导出成功"));

        // Every file that took a name in the folder was flushed under its temporary name
        // first, and the folder itself was flushed after the last name was given.
        const auto nameOf = [](const std::string& path) {
            return QFileInfo(QFile::decodeName(path.c_str())).fileName();
        };
        QStringList named;
        size_t lastRename = 0;
        for (size_t i = 0; i < events.size(); ++i) {
            if (events[i].call != "rename") continue;
            const QString temporary = nameOf(events[i].from);
            bool flushed = false;
            for (size_t j = 0; j < i; ++j)
                flushed =
                    flushed || (events[j].call == "fsync" && nameOf(events[j].path) == temporary);
            QVERIFY2(flushed, qPrintable(nameOf(events[i].path) + " was not flushed"));
            named << nameOf(events[i].path);
            lastRename = i;
        }
        named.sort();
        QCOMPARE(named, QStringList({"1-精修相册-a.jpg", "2-精修相册-b.jpg", "文件名列表.txt",
                                     "样片说明.txt"}));
        bool folderFlushed = false;
        for (size_t i = lastRename + 1; i < events.size(); ++i)
            folderFlushed =
                folderFlushed || (events[i].call == "fsync" && events[i].path == folder);
        QVERIFY(folderFlushed);
    }
};

QTEST_MAIN(TestExportFlush)
#include "test_export_flush.moc"
