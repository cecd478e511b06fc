#include "platform/os/process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace os {

namespace {

// RAII wrappers for the spawn attribute objects.
struct FileActions {
    posix_spawn_file_actions_t fa;
    FileActions() { posix_spawn_file_actions_init(&fa); }
    ~FileActions() { posix_spawn_file_actions_destroy(&fa); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
};

struct Attributes {
    posix_spawnattr_t attr;
    Attributes() { posix_spawnattr_init(&attr); }
    ~Attributes() { posix_spawnattr_destroy(&attr); }
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;
};

// Reaps a program that runs on its own when it ends, so it never stays a zombie.
void ReapLater(pid_t pid) {
    try {
        std::thread([pid] {
            int st = 0;
            while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (...) {
        // Without a thread the child stays a zombie until we exit; it has started all the same.
    }
}

int WaitForChild(pid_t pid, int& status, int timeoutMs) {
    int st = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const pid_t got = ::waitpid(pid, &st, timeoutMs > 0 ? WNOHANG : 0);
        if (got == pid) break;
        if (got < 0 && errno != EINTR) return ErrnoToDos(errno);
        if (got == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                // A program that hangs (a queue that takes nothing) is no reason to hang too:
                // it and what it started are stopped.
                ::kill(-pid, SIGTERM);
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                ::kill(-pid, SIGKILL);
                if (::waitpid(pid, &st, WNOHANG) != pid) ReapLater(pid);
                const int seconds = (timeoutMs + 999) / 1000;
                return NoteCause(kErrGeneralFailure,
                                 "it did not end within " + std::to_string(seconds) +
                                     (seconds == 1 ? " second" : " seconds") + " and was stopped");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    if (WIFEXITED(st))
        status = WEXITSTATUS(st);
    else if (WIFSIGNALED(st))
        status = -WTERMSIG(st);
    else
        status = 255;
    return kOk;
}

} // namespace

std::string ProgramEndText(int exitStatus) {
    if (exitStatus >= 0) return "ended with code " + std::to_string(exitStatus);
    const int sig = -exitStatus;
    const char* name = ::sigabbrev_np(sig);
    const char* what = ::sigdescr_np(sig);
    return "was ended by signal " + std::to_string(sig) +
           (name == nullptr
                ? std::string()
                : " (SIG" + std::string(name) +
                      (what == nullptr ? std::string() : ": " + std::string(what)) + ")");
}

int StartProcess(const std::vector<std::string>& argv, const SpawnOptions& options,
                 int& exitStatus) {
    exitStatus = 0;
    if (argv.empty() || argv[0].empty()) return kErrInvalidData;

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    FileActions actions;
    if (options.quietOutput) {
        posix_spawn_file_actions_addopen(&actions.fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions.fa, 2, "/dev/null", O_WRONLY, 0);
    }
    if (!options.directory.empty())
        posix_spawn_file_actions_addchdir_np(&actions.fa, options.directory.c_str());

    // The program starts with no blocked signals and default actions for the signals this
    // program or its libraries may ignore. SIGINT, SIGTERM and SIGHUP are left as they came:
    // ours are handlers, which the start resets, so only what we were started ignoring (nohup)
    // is passed on, as a shell passes it on.
    Attributes attributes;
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int s : {SIGPIPE, SIGCHLD, SIGQUIT, SIGXFSZ})
        sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attributes.attr, &none);
    posix_spawnattr_setsigdefault(&attributes.attr, &defaults);
    // A program waited for with a time limit gets a process group of its own, so that one that
    // hangs is stopped with everything it started.
    const bool limited = options.wait && options.timeoutMs > 0;
    if (limited) posix_spawnattr_setpgroup(&attributes.attr, 0);
    posix_spawnattr_setflags(&attributes.attr,
                             static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                (limited ? POSIX_SPAWN_SETPGROUP : 0)));

    pid_t pid = -1;
    const int rc =
        ::posix_spawnp(&pid, args[0], &actions.fa, &attributes.attr, args.data(), environ);
    if (rc != 0) {
        if (rc == ENOENT || rc == ENOTDIR) return kErrFileNotFound;
        if (rc == ENOEXEC) return 11; // "Format invalid"
        // A folder named as the program: say so rather than "permission denied".
        struct stat st {};
        if (rc == EACCES && std::string_view(args[0]).find('/') != std::string_view::npos &&
            ::stat(args[0], &st) == 0 && S_ISDIR(st.st_mode))
            return NoteNotRegularFile(st.st_mode);
        return ErrnoToDos(rc);
    }
    if (options.wait) return WaitForChild(pid, exitStatus, options.timeoutMs);
    ReapLater(pid);
    return kOk;
}

int StartProcess(const std::vector<std::string>& argv) {
    int status = 0;
    return StartProcess(argv, SpawnOptions{}, status);
}

int OpenWithDesktop(const std::string& target) {
    if (target.empty()) return kErrInvalidData;
    int status = 0;
    SpawnOptions options;
    options.quietOutput = true;
    return StartProcess({"xdg-open", target}, options, status);
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::string cur;
    bool have = false;
    bool quoted = false;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n) {
        const char c = line[i];
        if ((c == ' ' || c == '\t') && !quoted) {
            if (have) {
                args.push_back(cur);
                cur.clear();
                have = false;
            }
            ++i;
            continue;
        }
        have = true;
        if (c == '\\') {
            std::size_t k = 0;
            while (i + k < n && line[i + k] == '\\')
                ++k;
            if (i + k < n && line[i + k] == '"') {
                cur.append(k / 2, '\\');
                if (k % 2 == 1) {
                    cur += '"';
                    i += k + 1;
                } else {
                    i += k; // the quote is handled as a quote
                }
            } else {
                cur.append(k, '\\');
                i += k;
            }
            continue;
        }
        if (c == '"') {
            if (quoted && i + 1 < n && line[i + 1] == '"') {
                cur += '"';
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        cur += c;
        ++i;
    }
    if (have) args.push_back(cur);
    return args;
}

std::string LoginName() {
    const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct passwd pw{};
    struct passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr && *found->pw_name != '\0')
        return found->pw_name;
    for (const char* var : {"LOGNAME", "USER"})
        if (const char* v = std::getenv(var); v != nullptr && *v != '\0') return v;
    return {};
}

} // namespace os
