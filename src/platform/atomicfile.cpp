// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/atomicfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include "platform/uniquefd.h"

namespace torvane {

namespace {

[[noreturn]] void Fail(int error, const std::string& what, const std::string& path) {
    throw std::system_error(error, std::generic_category(), what + " '" + path + "'");
}

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    Fail(errno, what, path);
}

void WriteAll(int fd, std::string_view data, const std::string& path) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) Fail(written < 0 ? errno : EIO, "Cannot write", path);
        data.remove_prefix(static_cast<size_t>(written));
    }
}

// A temporary file in the directory; `name` is empty while it is unnamed.
struct TempFile {
    UniqueFd file;
    std::string name;
};

// The name a complete temporary file gets just before it replaces the file:
// BASE.PID.COUNT.tmp.
std::string LinkedTempName(const std::string& base, unsigned count) {
    return base + "." + std::to_string(::getpid()) + "." + std::to_string(count) + ".tmp";
}

bool IsLinkedTempName(const std::string& name, const std::string& base) {
    const std::string prefix = base + ".", suffix = ".tmp";
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const size_t dot = middle.find('.');
    const auto digits = [](const std::string& text) {
        return !text.empty() &&
               std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
    };
    return dot != std::string::npos && digits(middle.substr(0, dot)) && digits(middle.substr(dot + 1));
}

// A writer holds a lock on its temporary file from its creation until the
// rename. A named one that nobody holds was left by a writer that died
// between naming and renaming it (a crash, a kill): it is removed, so that
// crashes never pile up stray files.
void RemoveAbandonedTempFiles(int dir, const std::string& base) {
    UniqueFd listing(::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!listing.Valid()) return;
    const std::unique_ptr<DIR, int (*)(DIR*)> entries(::fdopendir(listing.Get()), ::closedir);
    if (!entries) return;
    listing.Release();  // the listing owns it now
    while (const dirent* entry = ::readdir(entries.get())) {
        if (!IsLinkedTempName(entry->d_name, base)) continue;
        UniqueFd file(::openat(dir, entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        // Unlinked while the lock is held, so a live writer never loses one.
        if (file.Valid() && ::flock(file.Get(), LOCK_EX | LOCK_NB) == 0) ::unlinkat(dir, entry->d_name, 0);
    }
}

// Gives an unnamed temporary file a name that no other writer uses.
std::string LinkTempFile(int dir, int fd, const std::string& base, const std::string& path) {
    static std::atomic<unsigned> counter{0};
    const std::string source = "/proc/self/fd/" + std::to_string(fd);
    for (;;) {
        std::string name = LinkedTempName(base, counter++);
        if (::linkat(AT_FDCWD, source.c_str(), dir, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return name;
        if (errno != EEXIST) Fail("Cannot name the temporary file of", path);
    }
}

TempFile OpenTempFile(int dir, const std::string& dir_path, const std::string& base, mode_t mode,
                      const std::string& path) {
    TempFile temp;
    // Naming an unnamed file goes through /proc.
    if (::access("/proc/self/fd", X_OK) == 0)
        temp.file = UniqueFd(::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (temp.file.Valid()) return temp;
    // File systems without unnamed files: a named one from the start.
    std::string pattern = dir_path + "/" + base + ".XXXXXX";
    UniqueFd named(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!named.Valid()) Fail("Cannot create a temporary file for", path);
    temp.name = std::filesystem::path(pattern).filename().string();
    if (::fchmod(named.Get(), mode) != 0) {
        const int error = errno;
        ::unlinkat(dir, temp.name.c_str(), 0);
        Fail(error, "Cannot set the mode of", path);
    }
    temp.file = std::move(named);
    return temp;
}

}  // namespace

std::optional<std::string> ReadFileIfExists(const std::string& path) {
    // Not blocking, so that opening a pipe put in the file's place returns.
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.Valid()) {
        if (errno == ENOENT) return std::nullopt;
        Fail("Cannot open", path);
    }
    // A pipe or a device could block or never end.
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) Fail("Cannot read", path);
    if (!S_ISREG(info.st_mode))
        throw std::system_error(EINVAL, std::generic_category(), "'" + path + "' is not a regular file");
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) Fail("Cannot read", path);
        if (got == 0) return content;
        content.append(buffer, static_cast<size_t>(got));
    }
}

void WriteFileAtomically(const std::string& path, std::string_view data, mode_t mode) {
    const std::filesystem::path target(path);
    const std::string base = target.filename().string();
    const std::string dir_path = target.has_parent_path() ? target.parent_path().string() : ".";
    std::error_code made;
    std::filesystem::create_directories(dir_path, made);
    if (made) Fail(made.value(), "Cannot create the directory of", path);

    UniqueFd dir(::open(dir_path.c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC));
    if (!dir.Valid()) Fail("Cannot open the directory of", path);
    RemoveAbandonedTempFiles(dir.Get(), base);
    TempFile temp = OpenTempFile(dir.Get(), dir_path, base, mode, path);
    // Held until the rename is done (or given up), so that no other writer
    // takes the named file for an abandoned one.
    UniqueFd lock(::dup(temp.file.Get()));
    if (lock.Valid()) ::flock(lock.Get(), LOCK_EX | LOCK_NB);
    try {
        WriteAll(temp.file.Get(), data, path);
        if (::fsync(temp.file.Get()) != 0) Fail("Cannot sync", path);
        if (temp.name.empty()) temp.name = LinkTempFile(dir.Get(), temp.file.Get(), base, path);
        // A failing close can be the first report of a lost write.
        if (::close(temp.file.Release()) != 0) Fail("Cannot write", path);
        if (::renameat(dir.Get(), temp.name.c_str(), dir.Get(), base.c_str()) != 0)
            Fail("Cannot replace", path);
    } catch (...) {
        if (!temp.name.empty()) ::unlinkat(dir.Get(), temp.name.c_str(), 0);
        throw;
    }
    if (::fsync(dir.Get()) != 0) Fail("Cannot sync the directory of", path);
}

}  // namespace torvane
