#include "model/file_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>

#include "model/system_error.h"

namespace korvala {

namespace {

// The folder part of `path` with its final "/", or empty for a bare name.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows symbolic links on the last part of `path`, also to a target that does not exist yet:
// a plain open writes into the link's target, and renaming over the link would replace it by a
// file and leave the target stale. Returns an errno value, 0 when done.
int resolveLinks(std::string& path) {
    constexpr int kMaxLinks = 40;  // the kernel's own limit for one lookup
    for (int i = 0; i < kMaxLinks; ++i) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return 0;
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0)
            return errno;
        if (static_cast<std::size_t>(n) >= target.size())
            return ENAMETOOLONG;
        target.resize(static_cast<std::size_t>(n));
        path = target.front() == '/' ? target : folderOf(path) + target;
    }
    return ELOOP;
}

std::uint64_t nextSalt() {
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t x =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<std::uint64_t>(::getpid()) << 32) ^
        (counter.fetch_add(1) * 0x9E3779B97F4A7C15ULL);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// A temporary name beside `target`, so that the rename stays on one file system. The target's
// name is shortened where the suffix would push a long but legal name over the folder's limit.
std::string tempPathFor(const std::string& target) {
    const std::string folder = folderOf(target);
    std::string name = target.substr(folder.size());
    long max = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    if (max <= 0)
        max = 255;
    constexpr std::size_t kSuffix = 11;  // ".tmp-" and six characters
    const std::size_t limit = static_cast<std::size_t>(max) > kSuffix ? max - kSuffix : 0;
    if (name.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;  // whole UTF-8 characters only
        name.resize(cut);
    }
    static constexpr char kChars[] =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::uint64_t salt = nextSalt();
    name += ".tmp-";
    for (int i = 0; i < 6; ++i, salt /= 62)
        name += kChars[salt % 62];
    return folder + name;
}

// Mode 0666 lets the umask and a folder's default permissions decide, as for any new file.
int createTemp(const std::string& target, std::string& tmp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = tempPathFor(target);
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Returns an errno value, 0 when every byte was written.
int writeAll(int fd, std::string_view content) {
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return 0;
}

// File systems without a cache to flush (some network and virtual ones) refuse the call; for
// them the data are where they go once written.
int syncData(int fd) {
    return ::fdatasync(fd) != 0 && errno != EINVAL && errno != ENOTSUP ? errno : 0;
}

// The new file takes over the old one's owner, group and mode. Only root may give a file to
// someone else, so for a file of another user (or group) this fails and false is returned.
bool takeOverIdentity(int fd, const struct stat& old) {
    struct stat now {};
    if (::fstat(fd, &now) != 0)
        return false;
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0)
        return false;
    // After fchown, which clears the set-id bits.
    return ::fchmod(fd, old.st_mode & 07777) == 0;
}

enum class Replaced { Done, Failed, NotPossible };

// Writes a temporary file and renames it over `target`. NotPossible: the old file's owner or
// group cannot be kept. A folder that forbids new files fails the write: the file is then never
// overwritten without the temporary copy that protects it.
Replaced replaceFile(const std::string& target, std::string_view content, const struct stat* old,
                     int& err) {
    std::string tmp;
    const int fd = createTemp(target, tmp);
    if (fd < 0) {
        err = errno;
        return Replaced::Failed;
    }
    if (old && !takeOverIdentity(fd, *old)) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return Replaced::NotPossible;
    }
    err = writeAll(fd, content);
    if (err == 0)
        err = syncData(fd);
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(tmp.c_str(), target.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(tmp.c_str());
        return Replaced::Failed;
    }
    return Replaced::Done;
}

// Rewrites the open file itself. Its disk space is reserved first, so a full disk (or the
// process's file size limit) fails before the first old byte is overwritten; a reservation that
// failed half-way is given back.
int rewriteInPlace(int fd, std::string_view content, off_t oldSize) {
    const auto size = static_cast<off_t>(content.size());
    if (size > 0 && ::fallocate(fd, 0, 0, size) != 0 && errno != EOPNOTSUPP && errno != ENOSYS) {
        const int err = errno;
        // The old bytes were never touched; at worst a reserved tail stays.
        if (size > oldSize)
            static_cast<void>(::ftruncate(fd, oldSize) == 0);
        return err;
    }
    if (const int err = writeAll(fd, content))
        return err;
    if (::ftruncate(fd, size) != 0)
        return errno;
    return syncData(fd);
}

// The name under which the opened file `st` can be replaced: `path` with its links followed.
// False when that name leads elsewhere: a link changed meanwhile, or one of the system's links
// that name no path (/dev/stdout on a pipe or a deleted file).
bool replaceableName(const std::string& path, const struct stat& st, std::string& target) {
    target = path;
    struct stat now {};
    return resolveLinks(target) == 0 && ::lstat(target.c_str(), &now) == 0 &&
           now.st_dev == st.st_dev && now.st_ino == st.st_ino;
}

int rewriteExisting(int fd, const std::string& path, std::string_view content) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode)) {
        // A device or a pipe has no old content to protect: it takes the bytes as they come.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return writeAll(fd, content);
    }
    // Several names share this file: writing it in place keeps them one file, as a plain open
    // would, where a rename would split off the name written to.
    std::string target;
    int err = 0;
    if (st.st_nlink > 1 || !replaceableName(path, st, target) ||
        replaceFile(target, content, &st, err) == Replaced::NotPossible)
        return rewriteInPlace(fd, content, st.st_size);
    return err;
}

}  // namespace

bool writeFileBytes(const std::string& path, std::string_view content, std::string* error) {
    auto fail = [&](int err) {
        if (error)
            *error = "Die Datei \"" + path +
                     "\" konnte nicht geschrieben werden: " + systemErrorText(err);
        return false;
    };
    // Whether the user may write an existing file is the file's own permission, not the
    // folder's: the plain open decides. Non-blocking, so a pipe without a reader cannot hang.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (errno != ENOENT)
            return fail(errno);
        // A new file, perhaps the target of a dangling link: it is created where the link points.
        std::string target = path;
        int err = resolveLinks(target);
        if (err == 0 && replaceFile(target, content, nullptr, err) == Replaced::Done)
            return true;
        return fail(err);
    }
    int err = rewriteExisting(fd, path, content);
    if (::close(fd) != 0 && err == 0)
        err = errno;
    return err == 0 || fail(err);
}

bool isSameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string outputIsInputText(const std::string& path) {
    return "Die Zieldatei \"" + path +
           "\" ist die Messdatei, aus der gelesen wird; sie wird nicht überschrieben.";
}

}  // namespace korvala
