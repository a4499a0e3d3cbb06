#include "inputs/list_workers.h"

#include "engine/convert_file.h"
#include "inputs/list_file.h"

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace dravik {

namespace {

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

void ImportFolderWorker(Session& session, const std::string& folder, ProgressState& progress,
                        InputObserver* observer) {
    FolderImport import(session, folder, folder, observer);
    size_t added = 0;
    for (size_t i = 0; i < import.entryCount() && progress.keepRunning(); ++i) {
        progress.passGate();
        if (!progress.keepRunning())
            break;
        progress.setIndex(static_cast<int64_t>(i + 1));
        added += import.importEntry(i);
    }
    progress.addCount(static_cast<int64_t>(added));
}

void ImportListWorker(Session& session, const std::string& listFile,
                      const std::string& importBase, ProgressState& progress,
                      InputObserver* observer) {
    ListFileReader reader(listFile);
    size_t added = 0;
    int64_t index = 0;
    std::string line;
    while (reader.isOpen() && progress.keepRunning() && reader.nextLine(line)) {
        if (line.empty())
            continue;
        struct stat st{};
        if (stat(line.c_str(), &st) != 0)
            continue;
        progress.passGate();
        if (!progress.keepRunning())
            break;
        progress.setIndex(++index);
        if (S_ISDIR(st.st_mode)) {
            std::string folder = line.back() == '/' ? line : line + "/";
            added += ScanFolder(session, importBase, folder, observer);
        } else if (AddInputFile(session, importBase, line, observer)) {
            ++added;
        }
    }
    progress.addCount(static_cast<int64_t>(added));
}

void ExportListWorker(const InputList& list, const std::string& listFile,
                      ProgressState& progress) {
    // A list that is being replaced stays whole until the new one is.
    std::string temp = listFile + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return;
    bool ok = WriteAll(fd, "\xEF\xBB\xBF");
    int64_t written = 0;
    std::string chunk;
    for (const InputEntry& entry : list.entries()) {
        if (!ok || !progress.keepRunning())
            break;
        progress.passGate();
        if (!progress.keepRunning())
            break;
        progress.setIndex(written + 1);
        chunk += entry.path;
        chunk += "\r\n";
        ++written;
        if (chunk.size() >= 65536) {
            ok = WriteAll(fd, chunk);
            chunk.clear();
        }
    }
    ok = ok && WriteAll(fd, chunk);
    ok = ok && fchmod(fd, DefaultFileMode()) == 0;
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (!ok || std::rename(temp.c_str(), listFile.c_str()) != 0) {
        unlink(temp.c_str());
        return;
    }
    progress.addCount(written);
}

size_t FolderImportSize(const std::string& folder) {
    Session none;
    return FolderImport(none, folder, folder, nullptr).entryCount();
}

} // namespace dravik
