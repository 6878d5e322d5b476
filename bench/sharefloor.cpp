// The least a safe save into a shared folder must do, in plain POSIX calls and none of
// the game's code, as the floor against which bench/share.sh weighs the game's store:
//   sharefloor --dir D --save N   take the lock folder, write its owner file, read the
//                                 list, write the new list with one more entry, sync it,
//                                 rename it over the list, remove owner and lock; prints
//                                 "floor ok|failed <milliseconds>"
//   sharefloor --dir D --read     open, read and close the list; prints
//                                 "read ok|failed <milliseconds> bytes=<count>"
// A failed step ends the run at once; nothing is retried, as nobody else saves there.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char *const FileName = "BESTFANG.LST";
// The game keeps the first 100 entries; the floor writes a list of the same size.
constexpr int MaxEntries = 100;

bool readAll(const std::string &path, std::string *bytes)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[1 << 16];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        bytes->append(buffer, static_cast<size_t>(n));
    return close(fd) == 0 && n == 0;
}

bool writeAll(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The new entry in front, the old list behind it, cut after the last entry kept.
std::string withEntry(const std::string &list, int number)
{
    char entry[64];
    std::snprintf(entry, sizeof entry, ">   5 %4d    3 Boden-%04d\r\n", number % 1000, number);
    std::string bytes = entry + list;
    size_t end = 0;
    for (int line = 0; line < MaxEntries && end != std::string::npos; ++line) {
        end = bytes.find('\n', end);
        if (end != std::string::npos)
            ++end;
    }
    if (end != std::string::npos)
        bytes.resize(end);
    return bytes;
}

bool save(const std::string &dir, int number)
{
    const std::string list = dir + '/' + FileName;
    const std::string lock = list + ".lock";
    const std::string owner = lock + "/owner";
    const std::string fresh = list + ".new";
    if (mkdir(lock.c_str(), 0777) != 0)
        return false;
    int fd = open(owner.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const std::string who = std::string(host) + ' ' + std::to_string(getpid()) + '\n';
    if (!writeAll(fd, who) || close(fd) != 0)
        return false;
    std::string bytes;
    if (!readAll(list, &bytes))
        return false;
    fd = open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    if (!writeAll(fd, withEntry(bytes, number)) || fsync(fd) != 0 || close(fd) != 0)
        return false;
    return rename(fresh.c_str(), list.c_str()) == 0 && unlink(owner.c_str()) == 0
        && rmdir(lock.c_str()) == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    std::string dir;
    int number = -1;
    bool reading = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
            dir = argv[++i];
        else if (!std::strcmp(argv[i], "--save") && i + 1 < argc)
            number = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--read"))
            reading = true;
        else {
            std::fprintf(stderr, "usage: sharefloor --dir D (--save N | --read)\n");
            return 2;
        }
    }
    if (dir.empty() || (number < 0) == !reading) {
        std::fprintf(stderr, "usage: sharefloor --dir D (--save N | --read)\n");
        return 2;
    }
    // In the folder, by bare names, as the game works.
    if (chdir(dir.c_str()) != 0) {
        std::fprintf(stderr, "cannot enter %s\n", dir.c_str());
        return 2;
    }
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::string bytes;
    const bool ok = reading ? readAll(FileName, &bytes) : save(".", number);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (reading)
        std::printf("read %s %.2f bytes=%zu\n", ok ? "ok" : "failed", ms, bytes.size());
    else
        std::printf("floor %s %.2f\n", ok ? "ok" : "failed", ms);
    return ok ? 0 : 1;
}
